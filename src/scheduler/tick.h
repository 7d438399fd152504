#pragma once

#include <string>

#include "base/local_time.h"
#include "platform/system.h"
#include "platform/window.h"
#include "scheduler/acquisition.h"
#include "scheduler/duties.h"
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
    Scheduler(Window& ui, System& sys, Tray& tray, Acquisition& acquisition, TimedDuties& duties)
        : ui_(ui), sys_(sys), tray_(tray), acquisition_(acquisition), duties_(duties) {}

    void Timer3_Timer();

private:
    void TickClock();
    // Runs a duty unless it is running already, further down this thread's
    // stack: a duty that lets the message loop turn (a box, a download)
    // lets further ticks fall due.
    template <class F>
    void Duty(bool& running, F&& duty);

    Window& ui_;
    System& sys_;
    Tray& tray_;
    Acquisition& acquisition_;
    TimedDuties& duties_;
    bool acquiring_ = false;
    bool retrying_ = false;
};
