#include "scheduler/tick.h"

#include <cstdio>

#include "app/control_ids.h"
#include "base/step.h"

namespace scheduler {

std::wstring YearMonthText(const LocalTime& t) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%04d年%02d月", t.year, t.month);
    return std::wstring(buf).substr(0, 8);
}

std::wstring DayText(const LocalTime& t) { return std::to_wstring(t.day); }

}  // namespace scheduler

template <class F>
void Scheduler::Duty(bool& running, F&& duty) {
    if (running) return;
    running = true;
    Step(duty);
    running = false;
}

void Scheduler::Timer3_Timer() {
    Step([&] { TickClock(); });
    Duty(acquiring_, [&] { acquisition_.Run(); });
    duties_.Chime();
    duties_.Reminder();
    duties_.ShutdownWarning();
    duties_.TimedShutdown();
    Duty(retrying_, [&] { tray_.RetryAdd(); });
}

void Scheduler::TickClock() {
    const LocalTime now = sys_.Now();
    Step([&] { ui_.SetText(ID_LABDAY_0 + 0, scheduler::YearMonthText(now)); });
    Step([&] { ui_.SetText(ID_LABDAY_0 + 1, scheduler::DayText(now)); });
    Step([&] { ui_.SetText(ID_LABDAY_0 + 2, sys_.FormatTimeOfDay(now)); });
}
