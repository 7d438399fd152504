#pragma once

#include <optional>

#include "app/form_state.h"
#include "app/notices.h"
#include "app/panel.h"
#include "download/picture_queue.h"
#include "platform/system.h"
#include "sound/sound.h"
#include "wallpaper/rotation.h"

// Where the pictures of this run come from: while no list has been fetched,
// every tick chooses between the list server and the picture folder.
class Acquisition {
public:
    Acquisition(System& sys, Sound& sound, FormState& form, SettingsPanel& panel, Notices& notices,
                Rotation& rotation, WallpaperDownloads& downloads)
        : sys_(sys),
          sound_(sound),
          form_(form),
          panel_(panel),
          notices_(notices),
          rotation_(rotation),
          downloads_(downloads) {}

    // Until the list is fetched: the list server when online and allowed,
    // else the picture folder, once it has pictures.
    void Run();

private:
    System& sys_;
    Sound& sound_;
    FormState& form_;
    SettingsPanel& panel_;
    Notices& notices_;
    Rotation& rotation_;
    WallpaperDownloads& downloads_;
    std::optional<bool> localOnly_;  // the local-pictures box as the last tick saw it
};
