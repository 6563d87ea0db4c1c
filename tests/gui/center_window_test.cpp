// Where a dialog opens: centred over a visible owner or over the work area,
// then pulled into the work area.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>

#include "app/main_dlg.h"
#include "gui_harness.h"

namespace {

enum class Placement { CentredOnWorkArea, CentredOnOwner, InBottomRightCorner, InTopLeftCorner };

enum class Owner { None, Visible, Hidden, Minimised };

DWORD OwnerStyle(Owner owner) {
    switch (owner) {
    case Owner::Visible:
        return WS_POPUP | WS_VISIBLE;
    case Owner::Minimised:
        return WS_POPUP | WS_VISIBLE | WS_MINIMIZE;
    default:
        return WS_POPUP;
    }
}

struct CentringCase {
    const char* name;
    Owner owner;
    POINT ownerCentreFromWorkAreaCentre;  // in hundredths of the work area's width and height
    Placement expected;
};

void PrintTo(const CentringCase& c, std::ostream* out) { *out << c.name; }

POINT Centre(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

bool Near(POINT a, POINT b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; }

RECT WorkArea() {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

class CenterWindowTest : public ::testing::TestWithParam<CentringCase> {};

TEST_P(CenterWindowTest, PlacesTheDialogAsItsOwnerAndTheWorkAreaAllow) {
    const CentringCase& c = GetParam();
    const RECT workArea = WorkArea();
    const POINT workCentre = Centre(workArea);
    const POINT ownerCentre = {
        workCentre.x + (workArea.right - workArea.left) * c.ownerCentreFromWorkAreaCentre.x / 100,
        workCentre.y + (workArea.bottom - workArea.top) * c.ownerCentreFromWorkAreaCentre.y / 100};
    const int ownerSize = 100;

    gui::DialogThread thread([&] {
        HWND owner = nullptr;
        if (c.owner != Owner::None) {
            owner = ::CreateWindowExW(0, L"Static", L"owner", OwnerStyle(c.owner),
                                      ownerCentre.x - ownerSize / 2, ownerCentre.y - ownerSize / 2, ownerSize,
                                      ownerSize, nullptr, nullptr, nullptr, nullptr);
        }
        CMainDlg dialog;
        const INT_PTR result = dialog.DoModal(owner, 0);
        if (owner) {
            ::DestroyWindow(owner);
        }
        return result;
    });
    HWND dialog = thread.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    RECT rect;
    ::GetWindowRect(dialog, &rect);

    switch (c.expected) {
    case Placement::CentredOnWorkArea:
        EXPECT_TRUE(Near(Centre(rect), workCentre)) << Centre(rect).x << "," << Centre(rect).y;
        break;
    case Placement::CentredOnOwner:
        EXPECT_TRUE(Near(Centre(rect), ownerCentre)) << Centre(rect).x << "," << Centre(rect).y;
        break;
    case Placement::InBottomRightCorner:
        EXPECT_EQ(rect.right, workArea.right);
        EXPECT_EQ(rect.bottom, workArea.bottom);
        break;
    case Placement::InTopLeftCorner:
        EXPECT_EQ(rect.left, workArea.left);
        EXPECT_EQ(rect.top, workArea.top);
        break;
    }
}

const CentringCase kCentringCases[] = {
    {"NoOwner", Owner::None, {0, 0}, Placement::CentredOnWorkArea},
    {"VisibleOwner", Owner::Visible, {-5, 3}, Placement::CentredOnOwner},
    {"OwnerNearBottomRight", Owner::Visible, {48, 48}, Placement::InBottomRightCorner},
    {"OwnerNearTopLeft", Owner::Visible, {-48, -48}, Placement::InTopLeftCorner},
    {"HiddenOwner", Owner::Hidden, {48, 48}, Placement::CentredOnWorkArea},
    {"MinimisedOwner", Owner::Minimised, {48, 48}, Placement::CentredOnWorkArea},
};

INSTANTIATE_TEST_SUITE_P(Owners, CenterWindowTest, ::testing::ValuesIn(kCentringCases),
                         [](const ::testing::TestParamInfo<CentringCase>& info) { return info.param.name; });

}  // namespace
