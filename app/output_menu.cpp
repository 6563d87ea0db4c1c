#include "app/output_menu.h"

#include <windowsx.h>
#include <commctrl.h>

#include <string>

#include "app/clipboard.h"
#include "text/base64.h"

namespace {

// When an item of the menu can be chosen.
enum class Offered { Never, WithSelection, UnlessAllSelected, WithDigest };

// The digest as a copy writes it.
using DigestWriter = std::wstring (*)(const DigestValue& value);

// Padded, in the standard alphabet: as cksum --base64 and Content-MD5 write it.
std::wstring Base64Of(const DigestValue& value) { return EncodeBase64(value.bytes.data(), value.length); }

struct MenuItem {
    // The box's own commands are carried out by sending this message to the
    // box with (0, -1), which makes EM_SETSEL select all; the copies' ids are
    // only ids. 0 for a separator.
    UINT command;
    const wchar_t* text;
    Offered offered;
    DigestWriter copy;  // null for the box's own commands
};

enum : UINT { kCopyLowerHex = 1, kCopyBase64 };

// The box's commands in the order and words of the system's menu of an edit
// box in Chinese; those that change the text never apply to a read-only box.
constexpr MenuItem kMenuItems[] = {
    {WM_UNDO, L"撤消(&U)", Offered::Never, nullptr},
    {0, nullptr, Offered::Never, nullptr},
    {WM_CUT, L"剪切(&T)", Offered::Never, nullptr},
    {WM_COPY, L"复制(&C)", Offered::WithSelection, nullptr},
    {WM_PASTE, L"粘贴(&P)", Offered::Never, nullptr},
    {WM_CLEAR, L"删除(&D)", Offered::Never, nullptr},
    {0, nullptr, Offered::Never, nullptr},
    {EM_SETSEL, L"全选(&A)", Offered::UnlessAllSelected, nullptr},
    {0, nullptr, Offered::Never, nullptr},
    {kCopyLowerHex, L"复制小写十六进制(&L)", Offered::WithDigest, LowerHexOf},
    {kCopyBase64, L"复制 Base64(&B)", Offered::WithDigest, Base64Of},
};

bool IsOffered(Offered offered, HWND output, bool showsDigest)
{
    DWORD start = 0, end = 0;
    ::SendMessageW(output, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    switch (offered) {
    case Offered::WithSelection:
        return start != end;
    case Offered::UnlessAllSelected:
        return start != 0 || end != static_cast<DWORD>(::GetWindowTextLengthW(output));
    case Offered::WithDigest:
        return showsDigest;
    case Offered::Never:
        break;
    }
    return false;
}

HMENU BuildMenu(HWND output, bool showsDigest)
{
    HMENU menu = ::CreatePopupMenu();
    for (const MenuItem& item : kMenuItems) {
        const UINT state = IsOffered(item.offered, output, showsDigest) ? MF_ENABLED : MF_GRAYED;
        ::AppendMenuW(menu, item.command == 0 ? MF_SEPARATOR : MF_STRING | state, item.command, item.text);
    }
    return menu;
}

// Where the menu opens: at the pointer, or from the keyboard at the box's centre.
POINT MenuPoint(HWND output, LPARAM at)
{
    POINT point = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (point.x == -1 && point.y == -1) {
        RECT client = {};
        ::GetClientRect(output, &client);
        point = {(client.left + client.right) / 2, (client.top + client.bottom) / 2};
        ::ClientToScreen(output, &point);
    }
    return point;
}

bool CarryOut(UINT command, HWND output, const DigestValue& value)
{
    for (const MenuItem& item : kMenuItems) {
        if (item.command == command && item.copy != nullptr) {
            return SetClipboardText(output, item.copy(value).c_str()) != FALSE;
        }
    }
    ::SendMessageW(output, command, 0, -1);
    return true;
}

LRESULT CALLBACK ContextMenuToDialog(HWND output, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_CONTEXTMENU) {
        return ::SendMessageW(::GetParent(output), WM_CONTEXTMENU, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(output, ContextMenuToDialog, id);
    }
    return ::DefSubclassProc(output, message, wParam, lParam);
}

}  // namespace

void PassContextMenuToDialog(HWND output) { ::SetWindowSubclass(output, ContextMenuToDialog, 0, 0); }

bool TrackOutputMenu(HWND output, LPARAM at, const DigestTexts& digests, int row)
{
    // As the box's own menu does: its commands act on the box, which shows it.
    ::SetFocus(output);
    HMENU menu = BuildMenu(output, digests.hasDigests && !digests.failed[row]);
    const POINT point = MenuPoint(output, at);
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y, 0, output, nullptr));
    ::DestroyMenu(menu);
    return command == 0 || CarryOut(command, output, digests.values[row]);
}
