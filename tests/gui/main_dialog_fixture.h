// The main dialog running on a thread of its own, and what its tests read
// from it and do to it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/main_dlg.h"
#include "expected_digests.h"
#include "gui_harness.h"
#include "res/resource.h"
#include "text/encode_text.h"

constexpr int kOutputIds[kDigestCount] = {IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512};

// Enabled as a window and as a link item: a click on it reaches the dialog.
inline bool IsLinkUsable(HWND link) {
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_STATE;
    item.stateMask = LIS_ENABLED;
    ::SendMessageW(link, LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
    return ::IsWindowEnabled(link) && (item.state & LIS_ENABLED);
}

inline std::string Utf8(const std::wstring& text) { return WideToUtf8(text.c_str(), -1); }

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_dialog.WaitForDialog(), nullptr) << "the main dialog did not appear"; }

    HWND Dialog() const { return m_dialog.Dialog(); }
    HWND Item(int id) const { return m_dialog.Item(id); }
    std::wstring Input() const { return gui::ReadText(Item(IDC_INPUT)); }

    DigestTextArray Outputs() const {
        DigestTextArray texts;
        for (int i = 0; i < kDigestCount; ++i) {
            texts[i] = gui::ReadText(Item(kOutputIds[i]));
        }
        return texts;
    }

    // Waits until the outputs show `expected`; on a timeout they are what the
    // caller compares.
    DigestTextArray OutputsOnceEqual(const DigestTextArray& expected) const {
        gui::WaitFor([&] { return Outputs() == expected; });
        return Outputs();
    }

    void TypeIntoInput(const std::wstring& typed, const std::wstring& shown) {
        gui::TypeText(typed);
        ASSERT_TRUE(gui::WaitFor([&] { return Input() == shown; })) << "the input box shows \"" << Utf8(Input()) << "\"";
    }

    void ClickAndWaitForCheck(int id, bool checked) {
        gui::Click(Item(id));
        ASSERT_TRUE(gui::WaitFor([&] { return gui::IsChecked(Item(id)) == checked; })) << "button " << id;
    }

    // Another dialog of the dialog's thread (a message box, the About box),
    // once it is in the foreground; null after a timeout.
    HWND WaitForSecondDialog() const {
        HWND second = nullptr;
        gui::WaitFor([&] { return (second = gui::FindThreadDialog(m_dialog.ThreadId(), Dialog())) != nullptr; });
        return second && gui::BringToForeground(second) ? second : nullptr;
    }

    gui::DialogThread m_dialog{[] {
        CMainDlg dialog;
        return dialog.DoModal(nullptr, 0);
    }};
};
