#include <windows.h>
#include <objbase.h>

#include "app/frmmain.h"
#include "platform/win32/main_window.h"
#include "platform/win32/win32_system.h"

namespace {

// COM for the shell calls; S_FALSE also needs its CoUninitialize.
struct ComScope {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ~ComScope() {
        if (SUCCEEDED(hr)) ::CoUninitialize();
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ComScope com;
    Win32System sys;
    MainWindow window(instance);
    Frmmain frm(window, sys);
    if (!frm.ShouldStart()) return 0;
    window.Attach(&frm);
    if (!window.Create()) return 1;
    frm.Form_Load();
    return window.Run();
}
