// The message loop, and the keys the window handles for its controls as a
// dialog would: Tab, Enter on a button, Alt and an access key.

#include "frmmain.h"
#include "win32/main_window.h"

int MainWindow::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void MainWindow::DoEvents() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the main loop, which ends the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (PreTranslate(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

bool MainWindow::PreTranslate(MSG& msg) {
    if (!hwnd_ || !frm_ || !(msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN)
        return frm_->KeyDown(::GetDlgCtrlID(msg.hwnd), static_cast<int>(msg.wParam),
                             ::GetKeyState(VK_SHIFT) < 0);
    if (msg.message == WM_SYSCHAR) return frm_->AccessKey(static_cast<wchar_t>(msg.wParam));
    return false;
}
