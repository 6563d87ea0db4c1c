#include "app/text_case.h"

#include <windows.h>

void MapToUpperCase(std::wstring& text) { CharUpperBuffW(&text[0], static_cast<DWORD>(text.size())); }

void MapToLowerCase(std::wstring& text) { CharLowerBuffW(&text[0], static_cast<DWORD>(text.size())); }
