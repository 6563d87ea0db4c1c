#include "framework/balloon_tip.h"

bool CBalloonTip::Create(HWND owner, HWND target)
{
    m_owner = owner;
    m_target = target;
    m_hWnd = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                               WS_POPUP | TTS_BALLOON | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, nullptr, nullptr);
    if (!m_hWnd) {
        return false;
    }
    TOOLINFOW tool = Tool(L"");
    ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    FitToTarget();
    return true;
}

void CBalloonTip::Show(const wchar_t* title, const wchar_t* text, POINT where)
{
    if (!m_hWnd) {
        return;
    }
    TOOLINFOW tool = Tool(text);
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(m_hWnd, TTM_SETTITLEW, TTI_WARNING, reinterpret_cast<LPARAM>(title));
    MoveTo(where);
    m_shown = true;
    ApplyVisibility();
}

void CBalloonTip::Hide()
{
    m_shown = false;
    ApplyVisibility();
}

void CBalloonTip::MoveTo(POINT where) const
{
    if (m_hWnd) {
        ::SendMessageW(m_hWnd, TTM_TRACKPOSITION, 0, MAKELPARAM(where.x, where.y));
    }
}

void CBalloonTip::FitToTarget() const
{
    if (m_hWnd) {
        RECT targetRect = {};
        ::GetWindowRect(m_target, &targetRect);
        ::SendMessageW(m_hWnd, TTM_SETMAXTIPWIDTH, 0, (targetRect.right - targetRect.left) / 2);
    }
}

void CBalloonTip::SetOwnerActive(bool active)
{
    m_ownerActive = active;
    ApplyVisibility();
}

TOOLINFOW CBalloonTip::Tool(const wchar_t* text) const
{
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = m_owner;
    tool.uId = reinterpret_cast<UINT_PTR>(m_target);
    tool.lpszText = const_cast<wchar_t*>(text);
    return tool;
}

void CBalloonTip::ApplyVisibility() const
{
    if (m_hWnd) {
        TOOLINFOW tool = Tool(nullptr);
        ::SendMessageW(m_hWnd, TTM_TRACKACTIVATE, m_shown && m_ownerActive, reinterpret_cast<LPARAM>(&tool));
    }
}
