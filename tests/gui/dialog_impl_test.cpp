// The dialog framework's contract: binding, the init parameter, the order of
// the message map, the end result.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/dialog_impl.h"
#include "res/resource.h"

namespace {

// Ends itself with its init parameter through a map entry that the entry
// before it passes on.
class CProbeDlg : public CDialogImpl<CProbeDlg> {
public:
    enum { IDD = IDD_ABOUT };

    BEGIN_MSG_MAP(CProbeDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDOK, OnOkPassedOn)
        COMMAND_HANDLER(IDOK, BN_CLICKED, OnOk)
    END_MSG_MAP()

    LPARAM m_initParam = 0;
    HWND m_windowAtInit = nullptr;
    bool m_okPassedOn = false;

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
        m_initParam = lParam;
        m_windowAtInit = m_hWnd;
        ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    LRESULT OnOkPassedOn(WORD, WORD, HWND, BOOL& handled) {
        m_okPassedOn = true;
        handled = FALSE;
        return 0;
    }
    LRESULT OnOk(WORD, WORD, HWND, BOOL&) {
        EndDialog(m_initParam);
        return 0;
    }
};

class CMissingTemplateDlg : public CDialogImpl<CMissingTemplateDlg> {
public:
    enum { IDD = 999 };

    BEGIN_MSG_MAP(CMissingTemplateDlg)
    END_MSG_MAP()
};

TEST(DialogImplTest, BindsOnInitAndEndsWithTheValueGivenToEndDialog) {
    CProbeDlg dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, 42), 42);
    EXPECT_EQ(dialog.m_initParam, 42);
    EXPECT_NE(dialog.m_windowAtInit, nullptr);
    EXPECT_FALSE(::IsWindow(dialog.m_windowAtInit));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_TRUE(dialog.m_okPassedOn);
}

TEST(DialogImplTest, MissingTemplateGivesMinusOne) {
    CMissingTemplateDlg dialog;
    EXPECT_EQ(dialog.DoModal(nullptr, 0), -1);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

}  // namespace
