#pragma once

#include "app/form_state.h"
#include "app/panel.h"
#include "download/picture_queue.h"
#include "platform/system.h"
#include "sound/sound.h"
#include "wallpaper/rotation.h"

// Where the pictures of this run come from: while no list has been fetched,
// every tick chooses between the list server and the picture folder.
class Acquisition {
public:
    Acquisition(System& sys, Sound& sound, FormState& form, SettingsPanel& panel, Tray& tray, Rotation& rotation,
                WallpaperDownloads& downloads)
        : sys_(sys), sound_(sound), form_(form), panel_(panel), tray_(tray), rotation_(rotation), downloads_(downloads) {}

    // Duty 2 of the tick.
    void Run();

private:
    System& sys_;
    Sound& sound_;
    FormState& form_;
    SettingsPanel& panel_;
    Tray& tray_;
    Rotation& rotation_;
    WallpaperDownloads& downloads_;
    int localOnly_ = -1;  // the local-pictures box as the last tick saw it
};
