#include "win32/tray_icon.h"

static_assert(tray_action::kAdd == NIM_ADD && tray_action::kModify == NIM_MODIFY &&
              tray_action::kDelete == NIM_DELETE);
static_assert(nif::kMessage == NIF_MESSAGE && nif::kIcon == NIF_ICON && nif::kTip == NIF_TIP &&
              nif::kInfo == NIF_INFO && nif::kInfoIcon == NIIF_INFO);

void TrayIcon::Attach(HWND window, UINT dpi) {
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    data_.cbSize = sizeof data_;
    data_.hWnd = window;
    dpi_ = dpi;
    Load();
}

void TrayIcon::SetDpi(UINT dpi) {
    dpi_ = dpi;
    Load();
}

bool TrayIcon::TaskbarCreated(UINT msg) {
    if (!taskbarCreated_ || msg != taskbarCreated_) return false;
    Load();
    return true;
}

// The shell keeps a copy of the icon, so the old one may go at once.
void TrayIcon::Load() { icon_ = AppIcon(instance_, SM_CXSMICON, dpi_); }

bool TrayIcon::Send(int action, const TrayRecord& r) {
    data_.uID = r.uID;
    data_.uFlags = r.uFlags;
    data_.uCallbackMessage = r.uCallbackMessage;
    data_.hIcon = r.hasIcon ? icon_.get() : nullptr;
    lstrcpynW(data_.szTip, r.szTip.c_str(), ARRAYSIZE(data_.szTip));
    data_.dwState = r.dwState;
    data_.dwStateMask = r.dwStateMask;
    lstrcpynW(data_.szInfo, r.szInfo.c_str(), ARRAYSIZE(data_.szInfo));
    data_.uTimeout = r.uTimeout;
    lstrcpynW(data_.szInfoTitle, r.szInfoTitle.c_str(), ARRAYSIZE(data_.szInfoTitle));
    data_.dwInfoFlags = r.dwInfoFlags;
    return ::Shell_NotifyIconW(static_cast<DWORD>(action), &data_) != 0;
}
