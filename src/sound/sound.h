#pragma once

#include <cstdint>
#include <string_view>

#include "base/local_time.h"
#include "platform/system.h"
#include "sound/play_wav.h"

// The sound subsystem as the others use it: a named recording, or the
// spoken date and time. Both return when the sound has been played.
class Sound {
public:
    explicit Sound(System& sys) : sys_(sys) {}
    void PlayWav(std::string_view name, std::uint32_t flags = snd::kSyncNoDefault) {
        ::PlayWav(sys_, name, flags);
    }
    void SpeakTime(const LocalTime& now) { ::SpeakTime(sys_, now); }

private:
    System& sys_;
};
