// Drives dialogs as a user would: real keystrokes and mouse clicks through
// SendInput, and reads back what the controls show.
//
// Dialogs under test run modally on a thread of their own (DialogThread) or
// in the real program (ProgramProcess); the test thread sends the input and
// polls for its effect with WaitFor, bounded by kWaitTimeout. Input goes to
// the foreground window, so a test brings its dialog to the foreground first
// (both starters do). Input is delivered in order: to be sure that an input
// with no visible effect was handled, follow it with one whose effect can be
// waited for.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace gui {

constexpr DWORD kWaitTimeout = 5000;

// Polls `condition` until it holds or `timeout` milliseconds have passed;
// returns its last value.
bool WaitFor(const std::function<bool()>& condition, DWORD timeout = kWaitTimeout);

// The first visible dialog (class #32770) of a thread or of a process other
// than `except`; null when there is none.
HWND FindThreadDialog(DWORD threadId, HWND except = nullptr);
HWND FindProcessDialog(DWORD processId, HWND except = nullptr);

// Waits until `window` is the foreground window, after asking for it.
bool BringToForeground(HWND window);

// The keyboard focus of the thread that owns `window`.
HWND FocusOf(HWND window);

// Types `text` into the focus window: '\n' as the Return key, every other
// unit as a KEYEVENTF_UNICODE keystroke.
void TypeText(const std::wstring& text);
void PressKey(WORD virtualKey);
// `virtualKey` pressed while `modifier` is held (Ctrl+Z, Shift+Tab, Alt+F4).
void PressKeyWith(WORD modifier, WORD virtualKey);
// One half of a keystroke, for a key held across other events.
void SetKeyDown(WORD virtualKey, bool down);
// A left click at the centre of `window` on the screen.
void Click(HWND window);
// A left click in the middle of a SysLink's text, which may take less room
// than the control (a narrower font in another locale).
void ClickLinkText(HWND link);

std::wstring ReadText(HWND window);
bool IsChecked(HWND button);

// The clipboard's Unicode text; empty when there is none.
std::wstring ReadClipboardText();
// Replaces the clipboard's contents with `text`; false when it cannot be opened.
bool WriteClipboardText(const std::wstring& text);

// Runs `runDialog` (which shows one modal dialog and returns its result) on
// a new thread with a 1 MiB stack, as the program's main thread would. A
// dialog still open on destruction is cancelled.
class DialogThread {
public:
    explicit DialogThread(std::function<INT_PTR()> runDialog);
    ~DialogThread();
    DialogThread(const DialogThread&) = delete;
    DialogThread& operator=(const DialogThread&) = delete;

    // The dialog, once it is shown and in the foreground; null after a timeout.
    HWND WaitForDialog();
    HWND Dialog() const { return m_dialog; }
    HWND Item(int id) const { return ::GetDlgItem(m_dialog, id); }
    // Waits for the dialog to end; false after a timeout.
    bool WaitForEnd();
    // What the modal run returned; valid after WaitForEnd.
    INT_PTR Result() const { return m_result; }
    DWORD ThreadId() const { return m_threadId; }

private:
    static DWORD WINAPI Run(void* self);

    std::function<INT_PTR()> m_runDialog;
    INT_PTR m_result = 0;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
    HWND m_dialog = nullptr;
};

// The real program started as its own process.
class ProgramProcess {
public:
    explicit ProgramProcess(const wchar_t* path);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return m_process.hProcess != nullptr; }
    // Its main dialog, once shown and in the foreground; null after a timeout.
    HWND WaitForDialog();
    // Waits for the process to end and gives its exit code; false after a timeout.
    bool WaitForExit(DWORD* exitCode);

private:
    PROCESS_INFORMATION m_process = {};
};

}  // namespace gui
