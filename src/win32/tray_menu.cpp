// The notification-area icon's record on its way to the shell, the popup
// menu, and the shell.

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <string>

#include "app/control_ids.h"
#include "tray/menu.h"
#include "win32/main_window.h"

bool MainWindow::NotifyIcon(int action, const TrayRecord& r) { return tray_.Send(action, r); }

// The popup menu, made at its first use.
void MainWindow::CreateMenus() {
    if (popup_) return;
    popup_.reset(::CreatePopupMenu());
    for (const menu::Item& item : menu::kItems)
        ::AppendMenuW(popup_.get(), item.caption ? MF_STRING : MF_SEPARATOR, ID_MNWALL_0 + item.command,
                      item.caption);
}

void MainWindow::PopupMenu() {
    CreateMenus();
    POINT pt{};
    ::GetCursorPos(&pt);
    // A menu whose window is not in the foreground stays open when the user
    // clicks elsewhere, so the window comes to the front first; and a menu
    // shown again from the foreground would close at once unless the
    // program switches tasks after it, which the posted message forces.
    ::SetForegroundWindow(hwnd_);
    ::TrackPopupMenu(popup_.get(), 0, pt.x, pt.y, 0, hwnd_, nullptr);
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void MainWindow::ShellOpen(const std::wstring& target) {
    com_.Initialize();  // the shell may hand the target to a COM handler
    ::ShellExecuteW(hwnd_, L"open", target.c_str(), L"", L"", SW_SHOW);
}
