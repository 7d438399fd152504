#pragma once

#include <string>

#include "base/local_time.h"
#include "platform/system.h"
#include "platform/window.h"
#include "tray/tray.h"

namespace scheduler {
// "yyyy年mm月" cut to 8 characters.
std::wstring YearMonthText(const LocalTime& t);
// The day of the month without a leading zero.
std::wstring DayText(const LocalTime& t);
}  // namespace scheduler

// The once-a-second tick and its duties.
class Scheduler {
public:
    Scheduler(Window& ui, System& sys, Tray& tray) : ui_(ui), sys_(sys), tray_(tray) {}

    void Timer3_Timer();

private:
    void TickClock();

    Window& ui_;
    System& sys_;
    Tray& tray_;
    bool inTick_ = false;
};
