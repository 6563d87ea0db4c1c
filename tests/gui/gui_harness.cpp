#include "gui_harness.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace gui {
namespace {

constexpr DWORD kPollInterval = 10;
constexpr SIZE_T kDialogThreadStack = 1 << 20;

struct DialogSearch {
    DWORD processId;  // 0: any
    HWND except;
    HWND found;
};

bool IsVisibleDialog(HWND window) {
    wchar_t className[16] = {};
    ::GetClassNameW(window, className, ARRAYSIZE(className));
    return ::IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0;
}

BOOL CALLBACK KeepFirstDialog(HWND window, LPARAM search) {
    auto* s = reinterpret_cast<DialogSearch*>(search);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if ((s->processId == 0 || processId == s->processId) && window != s->except && IsVisibleDialog(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

INPUT KeyInput(WORD virtualKey, WORD unit, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = unit;
    input.ki.dwFlags = flags;
    return input;
}

void AppendKeyStroke(std::vector<INPUT>& inputs, WORD virtualKey) {
    inputs.push_back(KeyInput(virtualKey, 0, 0));
    inputs.push_back(KeyInput(virtualKey, 0, KEYEVENTF_KEYUP));
}

void AppendUnitStroke(std::vector<INPUT>& inputs, wchar_t unit) {
    inputs.push_back(KeyInput(0, unit, KEYEVENTF_UNICODE));
    inputs.push_back(KeyInput(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
}

void Send(std::vector<INPUT>& inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Absolute positions are in 1/65536 of the primary screen, rounded to the
// middle of the pixel.
LONG Normalised(LONG pixel, int screenSize) { return static_cast<LONG>((pixel * 65536LL + 32768) / screenSize); }

INPUT MouseInput(DWORD flags, POINT at) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(at.x, ::GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = Normalised(at.y, ::GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = flags;
    return input;
}

// A left click at a point of the screen.
void ClickAt(POINT at) {
    // Each event carries the position, so that no pointer motion still on its
    // way can move the click elsewhere.
    INPUT press = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, at);
    INPUT release = MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, at);
    std::vector<INPUT> inputs = {press, release};
    Send(inputs);
}

}  // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD timeout) {
    const ULONGLONG deadline = ::GetTickCount64() + timeout;
    while (!condition()) {
        if (::GetTickCount64() >= deadline) {
            return condition();
        }
        ::Sleep(kPollInterval);
    }
    return true;
}

HWND FindThreadDialog(DWORD threadId, HWND except) {
    DialogSearch search = {0, except, nullptr};
    ::EnumThreadWindows(threadId, KeepFirstDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindProcessDialog(DWORD processId, HWND except) {
    DialogSearch search = {processId, except, nullptr};
    ::EnumWindows(KeepFirstDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool BringToForeground(HWND window) {
    return WaitFor([window] {
        if (::GetForegroundWindow() == window) {
            return true;
        }
        ::SetForegroundWindow(window);
        return false;
    });
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

void TypeText(const std::wstring& text) {
    std::vector<INPUT> inputs;
    for (wchar_t unit : text) {
        if (unit == L'\n') {
            AppendKeyStroke(inputs, VK_RETURN);
        } else {
            AppendUnitStroke(inputs, unit);
        }
    }
    Send(inputs);
}

void PressKey(WORD virtualKey) {
    std::vector<INPUT> inputs;
    AppendKeyStroke(inputs, virtualKey);
    Send(inputs);
}

void PressKeyWith(WORD modifier, WORD virtualKey) {
    std::vector<INPUT> inputs = {KeyInput(modifier, 0, 0)};
    AppendKeyStroke(inputs, virtualKey);
    inputs.push_back(KeyInput(modifier, 0, KEYEVENTF_KEYUP));
    Send(inputs);
}

void SetKeyDown(WORD virtualKey, bool down) {
    std::vector<INPUT> inputs = {KeyInput(virtualKey, 0, down ? 0 : KEYEVENTF_KEYUP)};
    Send(inputs);
}

void Click(HWND window) {
    RECT rect;
    ::GetWindowRect(window, &rect);
    ClickAt({(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
}

void ClickLinkText(HWND link) {
    RECT rect;
    ::GetWindowRect(link, &rect);
    // With a SIZE to fill, LM_GETIDEALHEIGHT gives the text's width too
    // (LM_GETIDEALSIZE, which not every SDK names).
    SIZE text = {};
    ::SendMessageW(link, LM_GETIDEALHEIGHT, static_cast<WPARAM>(rect.right - rect.left),
                   reinterpret_cast<LPARAM>(&text));
    ClickAt({rect.left + text.cx / 2, rect.top + text.cy / 2});
}

std::wstring ReadText(HWND window) {
    std::wstring text(static_cast<size_t>(::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    const LRESULT length =
        ::SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(length));
    return text;
}

bool IsChecked(HWND button) { return ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::wstring ReadClipboardText() {
    std::wstring text;
    if (!::OpenClipboard(nullptr)) {
        return text;
    }
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* units = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = units;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

bool WriteClipboardText(const std::wstring& text) {
    if (!::OpenClipboard(nullptr)) {
        return false;
    }
    ::EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (void* target = block ? ::GlobalLock(block) : nullptr) {
        memcpy(target, text.c_str(), bytes);
        ::GlobalUnlock(block);
    }
    const bool written = block && ::SetClipboardData(CF_UNICODETEXT, block);
    ::CloseClipboard();
    if (!written && block) {
        ::GlobalFree(block);
    }
    return written;
}

DialogThread::DialogThread(std::function<INT_PTR()> runDialog) : m_runDialog(std::move(runDialog)) {
    m_thread = ::CreateThread(nullptr, kDialogThreadStack, Run, this, STACK_SIZE_PARAM_IS_A_RESERVATION,
                              &m_threadId);
}

DialogThread::~DialogThread() {
    if (!m_thread) {
        return;
    }
    if (::WaitForSingleObject(m_thread, 0) == WAIT_TIMEOUT) {
        HWND dialog = FindThreadDialog(m_threadId);
        if (dialog) {
            ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        ::WaitForSingleObject(m_thread, kWaitTimeout);
    }
    ::CloseHandle(m_thread);
}

DWORD WINAPI DialogThread::Run(void* self) {
    auto* thread = static_cast<DialogThread*>(self);
    thread->m_result = thread->m_runDialog();
    return 0;
}

HWND DialogThread::WaitForDialog() {
    if (m_thread && WaitFor([this] { return (m_dialog = FindThreadDialog(m_threadId)) != nullptr; }) &&
        BringToForeground(m_dialog)) {
        return m_dialog;
    }
    return nullptr;
}

bool DialogThread::WaitForEnd() { return m_thread && ::WaitForSingleObject(m_thread, kWaitTimeout) == WAIT_OBJECT_0; }

ProgramProcess::ProgramProcess(const wchar_t* path) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (!::CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process)) {
        m_process = {};
    }
}

ProgramProcess::~ProgramProcess() {
    if (!Started()) {
        return;
    }
    if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.hProcess, 1);
        ::WaitForSingleObject(m_process.hProcess, kWaitTimeout);
    }
    ::CloseHandle(m_process.hThread);
    ::CloseHandle(m_process.hProcess);
}

HWND ProgramProcess::WaitForDialog() {
    HWND dialog = nullptr;
    if (Started() && WaitFor([&] { return (dialog = FindProcessDialog(m_process.dwProcessId)) != nullptr; }) &&
        BringToForeground(dialog)) {
        return dialog;
    }
    return nullptr;
}

bool ProgramProcess::WaitForExit(DWORD* exitCode) {
    return Started() && ::WaitForSingleObject(m_process.hProcess, kWaitTimeout) == WAIT_OBJECT_0 &&
           ::GetExitCodeProcess(m_process.hProcess, exitCode);
}

}  // namespace gui
