#pragma once

#include <windows.h>

#include "platform/types.h"
#include "win32/dpi.h"
#include "win32/handles.h"

// windows.h comes first.
#include <shellapi.h>

// The notification-area icon as the shell gets it: the record, the icon at
// the window's DPI, and the shell's message that a new notification area
// knows none of its icons. What the record holds and when it goes to the
// shell is the portable Tray's to say.
class TrayIcon {
public:
    explicit TrayIcon(HINSTANCE instance) : instance_(instance) {}
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // The window that gets the icon's events, once it exists, at its DPI.
    void Attach(HWND window, UINT dpi);
    // The window moved to another DPI: the icon follows at its new size.
    void SetDpi(UINT dpi);
    // True for the shell's message that its notification area is new; the
    // icon is loaded anew for it.
    bool TaskbarCreated(UINT msg);
    // Hands the record to the shell (a tray_action); false when the shell refused.
    bool Send(int action, const TrayRecord& record);

private:
    void Load();

    HINSTANCE instance_;
    UINT taskbarCreated_ = 0;
    UINT dpi_ = kDefaultDpi;
    Icon icon_;
    NOTIFYICONDATAW data_{};
};
