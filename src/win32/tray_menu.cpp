// The notification-area icon, the popup menu and the shell.

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include <string>

#include "app/control_ids.h"
#include "tray/menu.h"
#include "win32/main_window.h"

bool MainWindow::NotifyIcon(int action, const TrayRecord& r) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = hwnd_;
    nid.uID = r.uID;
    nid.uFlags = r.uFlags;
    nid.uCallbackMessage = r.uCallbackMessage;
    nid.hIcon = r.hasIcon ? smallIcon_.get() : nullptr;
    lstrcpynW(nid.szTip, r.szTip.c_str(), ARRAYSIZE(nid.szTip));
    nid.dwState = r.dwState;
    nid.dwStateMask = r.dwStateMask;
    lstrcpynW(nid.szInfo, r.szInfo.c_str(), ARRAYSIZE(nid.szInfo));
    nid.uTimeout = r.uTimeout;
    lstrcpynW(nid.szInfoTitle, r.szInfoTitle.c_str(), ARRAYSIZE(nid.szInfoTitle));
    nid.dwInfoFlags = r.dwInfoFlags;
    return ::Shell_NotifyIconW(static_cast<DWORD>(action), &nid) != 0;
}

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
