// Message maps: a class's messages routed to its handlers by a flat table.
//
//   BEGIN_MSG_MAP(CMyDlg)
//       MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
//       COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
//       COMMAND_HANDLER(IDC_INPUT, EN_CHANGE, OnInputChange)
//       NOTIFY_HANDLER(IDC_LINK, NM_CLICK, OnLink)
//   END_MSG_MAP()
//
// Entries are tested top to bottom; the first whose condition matches calls
// its handler. Handlers have these signatures:
//
//   MESSAGE_HANDLER(message, f)       LRESULT f(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
//   COMMAND_ID_HANDLER(id, f)         LRESULT f(WORD code, WORD id, HWND control, BOOL& handled)
//   COMMAND_HANDLER(id, code, f)      LRESULT f(WORD code, WORD id, HWND control, BOOL& handled)
//   NOTIFY_HANDLER(id, code, f)       LRESULT f(int id, NMHDR* header, BOOL& handled)
//
// `handled` arrives TRUE. A handler that sets it to FALSE passes the message
// on to the next matching entry and, failing one, to the default processing;
// its result is then not used. COMMAND_ID_HANDLER takes any notification code.
#pragma once

#include <windows.h>

class CMessageMap {
public:
    // Offers one message to the map. Returns TRUE and sets `result` when a
    // handler took it.
    virtual BOOL ProcessWindowMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    virtual ~CMessageMap() = default;
};

#define BEGIN_MSG_MAP(theClass)                                                                                        \
    BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override           \
    {                                                                                                                  \
        BOOL bHandled = TRUE; /* a map may use none of these */                                                        \
        (void)hWnd;                                                                                                    \
        (void)uMsg;                                                                                                    \
        (void)wParam;                                                                                                  \
        (void)lParam;                                                                                                  \
        (void)lResult;                                                                                                 \
        (void)bHandled;

#define MESSAGE_HANDLER(message, func)                                                                                 \
    if (uMsg == (message)) {                                                                                           \
        bHandled = TRUE;                                                                                               \
        lResult = func(uMsg, wParam, lParam, bHandled);                                                                \
        if (bHandled)                                                                                                  \
            return TRUE;                                                                                               \
    }

#define COMMAND_ID_HANDLER(id, func)                                                                                   \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id)) {                                                                \
        bHandled = TRUE;                                                                                               \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);                      \
        if (bHandled)                                                                                                  \
            return TRUE;                                                                                               \
    }

#define COMMAND_HANDLER(id, code, func)                                                                                \
    if (uMsg == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == (code)) {                                    \
        bHandled = TRUE;                                                                                               \
        lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled);                      \
        if (bHandled)                                                                                                  \
            return TRUE;                                                                                               \
    }

#define NOTIFY_HANDLER(id, notifyCode, func)                                                                           \
    if (uMsg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->idFrom == static_cast<UINT_PTR>(id)                     \
        && reinterpret_cast<NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) {                                  \
        bHandled = TRUE;                                                                                               \
        lResult = func(static_cast<int>(wParam), reinterpret_cast<NMHDR*>(lParam), bHandled);                          \
        if (bHandled)                                                                                                  \
            return TRUE;                                                                                               \
    }

#define END_MSG_MAP()                                                                                                  \
    return FALSE;                                                                                                      \
    }
