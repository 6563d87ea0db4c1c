// Case mapping of the case links: the whole text, however long, in place.
// Characters without a case stay as they are; the length never changes.
#pragma once

#include <string>

void MapToUpperCase(std::wstring& text);
void MapToLowerCase(std::wstring& text);
