#pragma once

#include "app/form_state.h"
#include "app/panel.h"
#include "platform/system.h"
#include "wallpaper/rotation.h"

// Where the pictures of this run come from: while no list has been fetched,
// every tick chooses between the list server and the picture folder.
class Acquisition {
public:
    Acquisition(System& sys, FormState& form, SettingsPanel& panel, Rotation& rotation)
        : sys_(sys), form_(form), panel_(panel), rotation_(rotation) {}

    // Duty 2 of the tick.
    void Run();

private:
    System& sys_;
    FormState& form_;
    SettingsPanel& panel_;
    Rotation& rotation_;
    int localOnly_ = -1;  // the local-pictures box as the last tick saw it
};
