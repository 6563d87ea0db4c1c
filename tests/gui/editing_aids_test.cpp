// The case links and dropped files: what the input box then holds, and that
// the digests follow.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "main_dialog_fixture.h"

namespace {

// A drop as the shell hands it over: a DROPFILES header and the wide paths,
// each ending in a zero, then an empty one; with no paths, the list is two
// zeros.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) {
        list += path;
        list += L'\0';
    }
    list.append(paths.empty() ? 2 : 1, L'\0');
    const size_t listBytes = list.size() * sizeof(wchar_t);
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + listBytes);
    auto* header = static_cast<DROPFILES*>(::GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    memcpy(reinterpret_cast<BYTE*>(header) + sizeof(DROPFILES), list.data(), listBytes);
    ::GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

std::wstring Joined(const std::vector<std::wstring>& paths) {
    std::wstring joined;
    for (const std::wstring& path : paths) {
        joined += (joined.empty() ? L"" : L"\r\n") + path;
    }
    return joined;
}

// Ctrl held down while a drop is handled, as a user holds it.
//
// GetKeyState answers from the input a thread has taken from its queue, and a
// thread takes posted messages before input: the drop may be posted once the
// dialog's thread has taken the key-down. Even so Wine may let go of the key
// first, as it sets the modifiers to the X server's state when the pointer or
// the focus enters one of its windows; so what that thread sees of Ctrl is
// noted when it takes the drop.
class CtrlHeld {
public:
    explicit CtrlHeld(DWORD threadId) {
        s_keyDownTaken = s_dropTaken = s_ctrlSeenByDrop = false;
        m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, NoteTakenMessage, nullptr, threadId);
        gui::SetKeyDown(VK_CONTROL, true);
        m_keyDownTaken = m_hook && gui::WaitFor([] { return s_keyDownTaken.load(); });
    }
    ~CtrlHeld() {
        gui::SetKeyDown(VK_CONTROL, false);
        if (m_hook) {
            ::UnhookWindowsHookEx(m_hook);
        }
    }
    CtrlHeld(const CtrlHeld&) = delete;
    CtrlHeld& operator=(const CtrlHeld&) = delete;

    bool KeyDownTaken() const { return m_keyDownTaken; }
    // Whether Ctrl was down for the dialog's thread when it took the drop.
    bool SeenByDrop() const { return gui::WaitFor([] { return s_dropTaken.load(); }) && s_ctrlSeenByDrop; }

private:
    static LRESULT CALLBACK NoteTakenMessage(int code, WPARAM removal, LPARAM message) {
        const MSG* msg = reinterpret_cast<const MSG*>(message);
        if (code == HC_ACTION && removal == PM_REMOVE) {
            if (msg->message == WM_KEYDOWN && msg->wParam == VK_CONTROL) {
                s_keyDownTaken = true;
            } else if (msg->message == WM_DROPFILES) {
                s_ctrlSeenByDrop = (::GetKeyState(VK_CONTROL) & 0x80) != 0;
                s_dropTaken = true;
            }
        }
        return ::CallNextHookEx(nullptr, code, removal, message);
    }

    static std::atomic<bool> s_keyDownTaken, s_dropTaken, s_ctrlSeenByDrop;
    HHOOK m_hook = nullptr;
    bool m_keyDownTaken = false;
};

std::atomic<bool> CtrlHeld::s_keyDownTaken{false};
std::atomic<bool> CtrlHeld::s_dropTaken{false};
std::atomic<bool> CtrlHeld::s_ctrlSeenByDrop{false};

const std::wstring kLongPath = L"C:\\" + std::wstring(1100, L'd') + L"\\file.txt";

// Short lines: the edit control lays out one long line slowly.
std::wstring Lines(size_t units) {
    std::wstring text;
    while (text.size() < units) {
        text += L"xxxxxxxx\r\n";
    }
    return text.substr(0, units);
}

const std::wstring kTypingLimitFull = Lines(65530);

// A text no run of the pipeline writes: outputs that still show it were not
// recomputed.
const wchar_t kStale[] = L"过时";

class EditingAidsTest : public MainDialogTest {
protected:
    // Puts `text` into the input as the program would, selects from `start`
    // to `end` and makes the outputs stale.
    void Prepare(const std::wstring& text, DWORD start = 0, DWORD end = 0) {
        ::SendMessageW(Item(IDC_INPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ::SendMessageW(Item(IDC_INPUT), EM_SETSEL, start, end);
        for (int id : kOutputIds) {
            ::SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kStale));
        }
    }

    void ExpectInputAndItsDigests(const std::wstring& expected, bool withTerminator = false) {
        EXPECT_TRUE(gui::WaitFor([&] { return Input() == expected; }))
            << Input().size() << " units: \"" << Utf8(Input().substr(0, 200)) << "\"";
        const DigestTextArray digests = ExpectedDigests(EncodedBytes(expected, ByteEncoding::Ansi, withTerminator));
        EXPECT_EQ(OutputsOnceEqual(digests), digests);
    }

    void PostDrop(const std::vector<std::wstring>& paths) {
        ::PostMessageW(Dialog(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    }

    // Prepares `before` and drops `paths` with Ctrl held until the drop has
    // changed the input. A drop that Ctrl was let go for (see CtrlHeld) is
    // made again.
    void DropWithCtrl(const std::wstring& before, DWORD start, DWORD end, const std::vector<std::wstring>& paths) {
        constexpr int kAttempts = 5;
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            Prepare(before, start, end);
            CtrlHeld ctrl(m_dialog.ThreadId());
            ASSERT_TRUE(ctrl.KeyDownTaken()) << "the dialog's thread did not take the Ctrl key";
            PostDrop(paths);
            ASSERT_TRUE(gui::WaitFor([&] { return Input() != before; })) << "the drop changed nothing";
            if (ctrl.SeenByDrop()) {
                return;
            }
        }
        FAIL() << "Ctrl was let go before the drop was handled, " << kAttempts << " times";
    }

    // The caret's position; MAXDWORD while text is selected.
    DWORD Caret() const {
        DWORD start = 0, end = 0;
        ::SendMessageW(Item(IDC_INPUT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return start == end ? start : MAXDWORD;
    }

    // Moves the focus backwards from the input box until it is on `link`.
    void FocusByShiftTab(HWND link) {
        for (int presses = 0; presses < 2 && gui::FocusOf(Dialog()) != link; ++presses) {
            HWND before = gui::FocusOf(Dialog());
            gui::PressKeyWith(VK_SHIFT, VK_TAB);
            gui::WaitFor([&] { return gui::FocusOf(Dialog()) != before; });
        }
        ASSERT_EQ(gui::FocusOf(Dialog()), link);
    }
};

// --- Case links ---

enum class Use { Click, ReturnKey };

struct CaseLinkCase {
    const char* name;
    const wchar_t* before;
    int link;
    Use use;
    bool withTerminator;
    const wchar_t* after;
};

void PrintTo(const CaseLinkCase& c, std::ostream* out) { *out << c.name; }

class CaseLinkTest : public EditingAidsTest, public ::testing::WithParamInterface<CaseLinkCase> {};

TEST_P(CaseLinkTest, MapsTheWholeInputAndRecomputes) {
    const CaseLinkCase& c = GetParam();
    if (c.withTerminator) {
        ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_TERMINATOR, true));
    }
    Prepare(c.before);
    if (c.use == Use::Click) {
        gui::ClickLinkText(Item(c.link));
    } else {
        ASSERT_NO_FATAL_FAILURE(FocusByShiftTab(Item(c.link)));
        gui::PressKey(VK_RETURN);
    }
    ExpectInputAndItsDigests(c.after, c.withTerminator);
    EXPECT_TRUE(::IsWindowVisible(Dialog()));
}

const CaseLinkCase kCaseLinkCases[] = {
    {"UpperByClick", L"abc", IDC_UPPER_CASE, Use::Click, false, L"ABC"},
    {"LowerByReturn", L"AbC", IDC_LOWER_CASE, Use::ReturnKey, false, L"abc"},
    {"UpperByReturn", L"x1y2", IDC_UPPER_CASE, Use::ReturnKey, false, L"X1Y2"},
    // Characters without a case and line breaks stay.
    {"LowerKeepsUncasedText", L"Hello 岚鹊\r\nWORLD 9", IDC_LOWER_CASE, Use::Click, false, L"hello 岚鹊\r\nworld 9"},
    {"EmptyStaysEmpty", L"", IDC_UPPER_CASE, Use::Click, false, L""},
    {"EmptyWithTerminator", L"", IDC_LOWER_CASE, Use::Click, true, L""},
};

INSTANTIATE_TEST_SUITE_P(Links, CaseLinkTest, ::testing::ValuesIn(kCaseLinkCases),
                         [](const ::testing::TestParamInfo<CaseLinkCase>& info) { return info.param.name; });

// Longer than anything typed (and than any fixed buffer for typed text): the
// mapping must not cut it.
TEST_F(EditingAidsTest, CaseLinkMapsATextOfAnyLengthWhole) {
    std::wstring text, upper;
    while (text.size() < 140000) {
        text += L"Mixed Case 行\r\n";
        upper += L"MIXED CASE 行\r\n";
    }
    Prepare(text);
    gui::ClickLinkText(Item(IDC_UPPER_CASE));
    ExpectInputAndItsDigests(upper);
}

// --- Dropped files ---

struct DropCase {
    const char* name;
    std::wstring before;
    std::vector<std::wstring> paths;
    bool withCtrl;
    DWORD selectionStart, selectionEnd;
    std::wstring after;
};

void PrintTo(const DropCase& c, std::ostream* out) { *out << c.name; }

class DropTest : public EditingAidsTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(DropTest, PutsTheFullPathsIntoTheInputAndRecomputes) {
    const DropCase& c = GetParam();
    if (c.withCtrl) {
        ASSERT_NO_FATAL_FAILURE(DropWithCtrl(c.before, c.selectionStart, c.selectionEnd, c.paths));
    } else {
        Prepare(c.before, c.selectionStart, c.selectionEnd);
        PostDrop(c.paths);
    }
    ExpectInputAndItsDigests(c.after);
    if (c.withCtrl) {
        // Deselected, the caret after the inserted list.
        EXPECT_EQ(Caret(), std::min(c.selectionStart, c.selectionEnd) + Joined(c.paths).size());
    }
    EXPECT_EQ(::SendMessageW(Item(IDC_INPUT), EM_GETLIMITTEXT, 0, 0), 0xFFFF);
}

const std::vector<std::wstring> kTwoPaths = {L"C:\\data\\one.txt", L"D:\\二"};
const std::vector<std::wstring> kThreePaths = {L"C:\\data\\one.txt", L"C:\\data\\two.bin", L"E:\\folder"};
const std::vector<std::wstring> kSpacedChinesePaths = {L"C:\\Program Files\\岚鹊 文本\\说明 第1版.txt",
                                                       L"D:\\新建 文件夹"};

const DropCase kDropCases[] = {
    {"OnePath", L"previous", {L"C:\\data\\file.txt"}, false, 0, 0, L"C:\\data\\file.txt"},
    {"ThreePathsReplaceTheText", L"old\r\ntext", kThreePaths, false, 2, 2, Joined(kThreePaths)},
    {"PathsWithSpacesAndChinese", L"", kSpacedChinesePaths, false, 0, 0, Joined(kSpacedChinesePaths)},
    {"PathLongerThan1023Units", L"abc", {kLongPath}, false, 0, 0, kLongPath},
    {"NoPathEmptiesTheInput", L"abc", {}, false, 0, 0, L""},
    {"CtrlInsertsAtTheCaret", L"abcdef", kTwoPaths, true, 3, 3, L"abc" + Joined(kTwoPaths) + L"def"},
    {"CtrlKeepsTheSelectionBehindTheList", L"abcdef", kTwoPaths, true, 1, 4, L"a" + Joined(kTwoPaths) + L"bcdef"},
    {"CtrlSelectionMadeBackwards", L"abcdef", {L"C:\\x"}, true, 5, 2, L"ab" + std::wstring(L"C:\\x") + L"cdef"},
    {"CtrlInsertsPastTheTypingLimit", kTypingLimitFull, {kLongPath}, true, 10, 10,
     kTypingLimitFull.substr(0, 10) + kLongPath + kTypingLimitFull.substr(10)},
};

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::ValuesIn(kDropCases),
                         [](const ::testing::TestParamInfo<DropCase>& info) { return info.param.name; });

TEST_F(EditingAidsTest, CtrlDropIsUndoneWithCtrlZ) {
    ASSERT_NO_FATAL_FAILURE(DropWithCtrl(L"abcdef", 3, 3, kTwoPaths));
    ASSERT_TRUE(gui::WaitFor([&] { return Input() == L"abc" + Joined(kTwoPaths) + L"def"; }));
    ASSERT_EQ(gui::FocusOf(Dialog()), Item(IDC_INPUT));

    gui::PressKeyWith(VK_CONTROL, 'Z');
    ExpectInputAndItsDigests(L"abcdef");
}

}  // namespace
