#pragma once

#include <optional>
#include <string>
#include <utility>

#include "app/form_state.h"
#include "app/notices.h"
#include "app/panel.h"
#include "platform/desktop.h"
#include "platform/system.h"
#include "platform/window.h"

// The wallpaper rotation: the timer that changes the picture at the user's
// interval, the change itself, applying the bitmap, the discovery of the
// pictures in the picture folder, and keeping a copy of the one shown.
class Rotation {
public:
    Rotation(Window& ui, System& sys, Desktop& desk, FormState& form, SettingsPanel& panel, Notices& notices)
        : ui_(ui), sys_(sys), desk_(desk), form_(form), panel_(panel), notices_(notices) {}

    // Timer2 on and off.
    void Start();
    void Stop();

    void Timer2_Timer();
    void ChangeWallpaper();
    // Applies the bitmap; one the system refuses puts back what the desktop
    // showed. True when the bitmap is on the desktop.
    bool SetWallpaper(const std::wstring& path);
    // Fills the empty picture list from the picture folder; with pictures
    // found, the rotation starts.
    void FindLocalWallpapers();
    // Something changed that may have filled the folder: the next search
    // that finds nothing says so again.
    void RearmNotice() { noticeDue_ = true; }

    // Copies the downloaded picture on the desktop to the first free
    // numbered name from 10 on, and says how that went.
    void KeepCurrentWallpaper();

    // Where the bitmap goes: the Windows directory when it takes the file,
    // else the program's own folder.
    std::wstring BitmapPath() const;

private:
    bool MakeBitmap(const std::wstring& picture, const std::wstring& bitmap);
    void SetRegString(const std::wstring& name, const std::wstring& text, int count);
    void Pace(int periodMs);

    Window& ui_;
    System& sys_;
    Desktop& desk_;
    FormState& form_;
    SettingsPanel& panel_;
    Notices& notices_;
    bool running_ = false;
    int period_ = 0;         // Timer2's period while running
    bool changing_ = false;  // a change lets the message loop turn; no tick may start another
    bool noticeDue_ = true;  // the search notice has not been shown since the last change
    // The list entry and the file of the picture last on the desktop: what a
    // keep copies, and what a bitmap the system refuses gives way to.
    std::optional<std::pair<std::wstring, std::wstring>> shown_;
};
