// The GUI tests run the program's dialogs from this executable's own
// resources, so its module stands in for the program's.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/app_module.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    CAppModule module;
    module.Init(::GetModuleHandleW(nullptr));
    const int result = RUN_ALL_TESTS();
    module.Term();
    return result;
}
