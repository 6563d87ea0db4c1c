// The process's module: the instance that dialog templates and icons are
// loaded from.
//
// One static CAppModule per process. Init it with the instance handle before
// the first dialog runs and Term it after the last one has ended; dialogs
// find the instance through CAppModule::ResourceInstance() in between.
#pragma once

#include <windows.h>

class CAppModule {
public:
    // Makes this the module that dialogs load from and registers the common
    // control classes that the templates (SysLink) and CBalloonTip (tooltips)
    // use. A class that could not be registered shows up as a dialog or tip
    // that cannot be created.
    void Init(HINSTANCE instance);
    void Term();

    // The instance of the initialised module; null outside Init..Term.
    static HINSTANCE ResourceInstance();

private:
    HINSTANCE m_hInstance = nullptr;
};
