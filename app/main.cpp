// The process entry point: one modal main dialog; its result is the exit code.
#include <windows.h>

#include "app/main_dlg.h"
#include "framework/app_module.h"

namespace {
CAppModule g_module;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    g_module.Init(instance);
    INT_PTR result;
    // The dialog object goes, with what the framework holds for it, before the module.
    {
        CMainDlg dialog;
        result = dialog.DoModal(::GetActiveWindow(), 0);
    }
    g_module.Term();
    return static_cast<int>(result);
}
