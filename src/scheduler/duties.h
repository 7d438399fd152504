#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/notices.h"
#include "app/panel.h"
#include "base/local_time.h"
#include "platform/system.h"
#include "platform/window.h"
#include "sound/sound.h"

namespace scheduler {
// "hh:mm:ss" with two digits a field.
std::wstring LongTime(const LocalTime& t);
// The moment of today at hh:mm:second named by an hour and a minute box (one
// or two digits each, a real time); nullopt when the boxes can never match.
std::optional<std::int64_t> MomentOf(const LocalTime& today, const std::wstring& hour,
                                     const std::wstring& minute, int second);
// Seconds since the epoch of the calendar, for comparing moments.
std::int64_t SecondSerial(const LocalTime& t);
// Whether a timed text opens through the shell rather than showing as a message.
bool OpensAsTarget(const std::wstring& text);
}  // namespace scheduler

// The chime, the reminder, the shutdown warning and the timed shutdown.
// Each fires at the tick whose time matches its moment, or, when the timer
// skipped that second, at the first tick after it in the same minute; never
// twice for one moment.
class TimedDuties {
public:
    TimedDuties(Window& ui, System& sys, Sound& sound, SettingsPanel& panel, Notices& notices)
        : ui_(ui), sys_(sys), sound_(sound), panel_(panel), notices_(notices) {}

    // Whether a duty runs: a duty that waits (a sound, a box) lets further
    // ticks come, which leave it alone and run the others.
    struct State {
        bool running = false;
        std::optional<std::int64_t> lastTick;
        std::optional<std::int64_t> lastFired;
    };

    void Chime();
    void Reminder();
    void ShutdownWarning();
    void TimedShutdown();
    void ShutdownComputer();

private:
    template <class Due, class Fire>
    void Run(State& state, Due&& due, Fire&& fire);

    Window& ui_;
    System& sys_;
    Sound& sound_;
    SettingsPanel& panel_;
    Notices& notices_;
    State chime_, reminder_, warning_, shutdown_;
};
