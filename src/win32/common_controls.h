#pragma once

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include "win32/handles.h"

// The common controls, loaded when the window is first shown rather than
// with the program: a run that stays in the tray never needs them, and
// loading them costs a start much of its time. The manifest makes them
// version 6.
struct CommonControls {
    Module module;
    decltype(&::SetWindowSubclass) Subclass = nullptr;
    decltype(&::DefSubclassProc) DefProc = nullptr;
    decltype(&::RemoveWindowSubclass) RemoveSubclass = nullptr;

    // Loads the library and registers its classes once; false when that failed.
    bool Load() {
        if (module) return Subclass != nullptr;
        module.reset(::LoadLibraryW(L"comctl32.dll"));
        const auto init =
            ProcAddress<decltype(&::InitCommonControlsEx)>(module.get(), "InitCommonControlsEx");
        const INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        if (!init || !init(&icc)) return false;
        // Subclass last: the controls are subclassed only when all three are there.
        if (Resolve(module.get(), DefProc, "DefSubclassProc") &&
            Resolve(module.get(), RemoveSubclass, "RemoveWindowSubclass"))
            Resolve(module.get(), Subclass, "SetWindowSubclass");
        return Subclass != nullptr;
    }
};
