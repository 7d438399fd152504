#include <windows.h>

#include "download/file_download.h"
#include "frmmain.h"
#include "win32/main_window.h"
#include "win32/win32_desktop.h"
#include "win32/win32_system.h"
#include "win32/winhttp_transfer.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Win32System sys;
    Win32Desktop desk;
    MainWindow window(instance);
    // Transfers keep the window's messages, and its keys, working while they wait.
    WinHttpTransfer transfer(CFileDownload::kStallMs, window.Pump());
    Frmmain frm(window, sys, desk, transfer);
    if (!frm.ShouldStart()) return 0;
    window.Attach(&frm);
    if (!window.Create()) return 1;
    frm.Form_Load();
    return window.Run();
}
