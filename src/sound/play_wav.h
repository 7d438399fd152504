#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/local_time.h"
#include "platform/system.h"

// Play flags, numbered as the platform's sound call numbers them.
namespace snd {
inline constexpr std::uint32_t kAsync = 1;
inline constexpr std::uint32_t kNoDefault = 2;
inline constexpr std::uint32_t kMemory = 4;  // the argument is an image, not a file name
// How the program plays: waiting for the end, and silent rather than the
// system's default sound when the image will not play. kMemory is always added.
inline constexpr std::uint32_t kSyncNoDefault = kNoDefault;
}  // namespace snd

// A sound name that is not among the program's recordings.
struct SoundNotFound : std::runtime_error {
    explicit SoundNotFound(std::string_view name)
        : std::runtime_error("no sound named " + std::string(name)), name(name) {}
    std::string name;
};

// Plays the recording `name` (any case); synchronous unless flags ask otherwise.
// Throws SoundNotFound for an unknown name: that is the caller's mistake.
void PlayWav(System& sys, std::string_view name, std::uint32_t flags = snd::kSyncNoDefault);

// Announces the date, weekday and time of `now`, returning when it has been said.
void SpeakTime(System& sys, const LocalTime& now);
