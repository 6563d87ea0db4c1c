#include "framework/app_module.h"

#include <commctrl.h>

namespace {
const CAppModule* g_activeModule = nullptr;
}  // namespace

void CAppModule::Init(HINSTANCE instance)
{
    m_hInstance = instance;
    g_activeModule = this;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LINK_CLASS | ICC_TAB_CLASSES};
    ::InitCommonControlsEx(&controls);
}

void CAppModule::Term()
{
    if (g_activeModule == this) {
        g_activeModule = nullptr;
    }
    m_hInstance = nullptr;
}

HINSTANCE CAppModule::ResourceInstance() { return g_activeModule ? g_activeModule->m_hInstance : nullptr; }
