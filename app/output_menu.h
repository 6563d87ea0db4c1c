// The context menu of a digest output: the read-only edit box's own commands,
// and copies of the digest it shows in the forms other tools write and take
// (lowercase hex, Base64), made from the digest's bytes, never from the text.
#pragma once

#include <windows.h>

#include "digest/digest_set.h"

// Has a right click, Shift+F10 or the menu key on `output` reach its dialog
// as WM_CONTEXTMENU (wParam: the output), where the box would show its own
// menu; the dialog then calls TrackOutputMenu.
void PassContextMenuToDialog(HWND output);

// Shows the context menu of `output`, which shows row `row` of `digests`, at
// `at` (WM_CONTEXTMENU's lParam: a point on the screen, or -1, -1 from the
// keyboard, which puts the menu at the box's centre), and carries out what is
// chosen. The box's commands are greyed as a read-only box greys them; the
// copies where the output shows no digest (a failure text, or nothing). False,
// with the reason recorded, when a copy did not reach the clipboard.
bool TrackOutputMenu(HWND output, LPARAM at, const DigestTexts& digests, int row);
