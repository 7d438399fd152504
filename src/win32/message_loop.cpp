// The window's message loop, and the keys the window handles for its
// controls as a dialog would: Tab, Enter on a button, Alt and an access key.

#include "frmmain.h"
#include "win32/main_window.h"

int MainWindow::Run() { return pump_.Run(); }

void MainWindow::DoEvents() { pump_.RunWaiting(); }

bool MainWindow::PreTranslate(MSG& msg) {
    if (!hwnd_ || !frm_ || !(msg.hwnd == hwnd_ || ::IsChild(hwnd_, msg.hwnd))) return false;
    if (msg.message == WM_KEYDOWN)
        return frm_->KeyDown(::GetDlgCtrlID(msg.hwnd), static_cast<int>(msg.wParam),
                             ::GetKeyState(VK_SHIFT) < 0);
    if (msg.message == WM_SYSCHAR) return frm_->AccessKey(static_cast<wchar_t>(msg.wParam));
    return false;
}
