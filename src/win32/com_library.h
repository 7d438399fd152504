#pragma once

#include <objbase.h>
#include <windows.h>

#include "win32/handles.h"

// COM on this thread, set up at its first use: ole32 is loaded only then,
// so that start-up does not pay for it. S_FALSE also needs its
// CoUninitialize.
class ComLibrary {
public:
    ComLibrary() = default;
    ComLibrary(const ComLibrary&) = delete;
    ComLibrary& operator=(const ComLibrary&) = delete;
    ~ComLibrary() {
        if (initialized_ && uninit_) uninit_();
    }

    bool Initialize() {
        if (initialized_) return true;
        if (!ole32_) ole32_.reset(::LoadLibraryW(L"ole32.dll"));
        if (!ole32_) return false;
        auto init = ProcAddress<HRESULT(WINAPI*)(LPVOID, DWORD)>(ole32_.get(), "CoInitializeEx");
        uninit_ = ProcAddress<void(WINAPI*)()>(ole32_.get(), "CoUninitialize");
        if (!init || !uninit_) return false;
        initialized_ = SUCCEEDED(init(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
        return initialized_;
    }

private:
    Module ole32_;
    void(WINAPI* uninit_)() = nullptr;
    bool initialized_ = false;
};
