// Drives the program for scripts/screenshots.sh as a user would: starts it, types TEXT and waits for the window to
// show ANSI_MD5 (the text's MD5 in the ANSI code page) as its MD5, then puts CLIPBOARD_DIGEST on the clipboard and
// waits for the tip that explains it. Before each picture it writes a line, the picture's name and the rectangle
// to crop from the screen (an ImageMagick geometry: the window with its caption, then with the tip too), and waits
// for a line on standard input saying that the picture is taken. Escape ends the program at last.
// Usage: screenshot_driver TEXT ANSI_MD5 CLIPBOARD_DIGEST. Exit code 0, or 1 with the reason on standard error.
#include "gui_harness.h"

#include <cstdio>

namespace {

int Fail(const char* reason)
{
    fprintf(stderr, "screenshot_driver: %s\n", reason);
    return 1;
}

// Everything drawn: the program's thread has taken all input and painted, and the screen has caught up.
void Settle(HANDLE program)
{
    ::WaitForInputIdle(program, 5000);
    ::Sleep(500);
}

void AwaitPicture(const char* name, const RECT& rect)
{
    printf("%s %ldx%ld+%ld+%ld\n", name, rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
    fflush(stdout);
    char taken[16];
    fgets(taken, sizeof taken, stdin);
}

// The tip of the program's thread that says `words`, or null.
HWND TipSaying(DWORD threadId, const std::wstring& words)
{
    for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr;) {
        if (::IsWindowVisible(tip) && ::GetWindowThreadProcessId(tip, nullptr) == threadId
            && ReadText(tip).find(words) != std::wstring::npos) {
            return tip;
        }
    }
    return nullptr;
}

int TakePictures(const PROCESS_INFORMATION& program, const std::wstring& text, const std::wstring& ansiMd5,
                 const std::wstring& clipboardDigest)
{
    const HWND dialog = WaitForDialog(program.dwThreadId);
    if (dialog == nullptr) {
        return Fail("the window did not open");
    }
    Type(text);
    const auto shown = [&] {
        return ReadText(::GetDlgItem(dialog, IDC_INPUT)) == text && ReadText(::GetDlgItem(dialog, IDC_MD5)) == ansiMd5;
    };
    if (!WaitFor(shown)) {
        return Fail("the window does not show the text and its MD5");
    }
    Settle(program.hProcess);
    AwaitPicture("window", WindowRect(dialog));

    if (!PutOnClipboard(clipboardDigest)) {
        return Fail("the digest could not be put on the clipboard");
    }
    HWND tip = nullptr;
    if (!WaitFor([&] { return (tip = TipSaying(program.dwThreadId, L"UTF-8")) != nullptr; })) {
        return Fail("no tip explains the clipboard's digest");
    }
    Settle(program.hProcess);
    RECT both = {};
    const RECT window = WindowRect(dialog), balloon = WindowRect(tip);
    ::UnionRect(&both, &window, &balloon);
    AwaitPicture("tip", both);
    Type(L"\x1b");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        return Fail("usage: screenshot_driver TEXT ANSI_MD5 CLIPBOARD_DIGEST");
    }
    // A digest left on the clipboard would mark an output or show a tip as the window opens.
    if (!PutOnClipboard(L"")) {
        return Fail("the clipboard could not be emptied");
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    if (!::CreateProcessW(TEXTHASH_EXE, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program)) {
        return Fail("the program did not start");
    }
    const int status = TakePictures(program, argv[1], argv[2], argv[3]);
    const bool ended = ::WaitForSingleObject(program.hProcess, 5000) == WAIT_OBJECT_0;
    if (!ended) {
        ::TerminateProcess(program.hProcess, 1);
    }
    ::CloseHandle(program.hThread);
    ::CloseHandle(program.hProcess);
    return status != 0 ? status : ended ? 0 : Fail("the program did not end");
}
