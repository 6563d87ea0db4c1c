// A dialog's layout and font at the DPI of the monitor it is on. The dialog
// manager lays a template out once, at the DPI the dialog starts at; a
// per-monitor aware dialog moved to a monitor of another DPI gets
// WM_DPICHANGED and has to follow by itself. Windows 10 1703 and later would
// scale dialogs of per-monitor v2 programs on their own; that is switched off,
// so that one way runs on every system, Wine included.
//
// The controls are laid out again from their dialog units with the base units
// of the font made for the new DPI, as the dialog manager lays a template out:
// a font's height and width do not grow in proportion to the DPI, and scaling
// the pixels would cut text. The client area grows or shrinks with the base
// units, which also keeps the About box's cut in proportion.
#pragma once

#include <windows.h>

#include <vector>

class CDpiLayout {
public:
    CDpiLayout() = default;
    CDpiLayout(const CDpiLayout&) = delete;
    CDpiLayout& operator=(const CDpiLayout&) = delete;
    ~CDpiLayout();

    // Takes the controls' dialog units and the font as the dialog manager
    // made them.
    void Attach(HWND dialog);
    // Takes WM_GETDPISCALEDSIZE (asked ahead of a change where the system
    // scales per monitor v2: the window size the dialog needs at the new DPI)
    // and WM_DPICHANGED (the dialog moves to the suggested place at the size
    // it needs, its controls take their places and a font for the new DPI).
    // False for any other message.
    bool Take(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    // Pixels per 4 horizontal and per 8 vertical dialog units.
    struct Units {
        int x, y;
    };
    struct Control {
        HWND window;
        RECT units;  // left, top, width and height in dialog units
    };

    void Follow(UINT dpi, const RECT& suggested);
    // The template's font at `dpi`: the dialog manager's at the first DPI,
    // else a new one (null when it cannot be made).
    HFONT FontAt(UINT dpi) const;
    Units UnitsAt(UINT dpi, HFONT font) const;
    SIZE ClientSizeAt(Units units) const;
    // The window around a client area of `client`, with the frame it has now.
    SIZE WindowSizeFor(SIZE client) const;

    HWND m_dialog = nullptr;
    UINT m_firstDpi = USER_DEFAULT_SCREEN_DPI;
    HFONT m_firstFont = nullptr;
    Units m_firstUnits = {4, 8};
    Units m_units = {4, 8};  // the layout's now
    HFONT m_madeFont = nullptr;
    std::vector<Control> m_controls;
};
