#include "scheduler/tick.h"

#include <cstdio>

#include "app/control_ids.h"
#include "base/ignore_errors.h"

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
    IgnoreErrors(duty);
    running = false;
}

void Scheduler::Timer3_Timer() {
    IgnoreErrors([&] { TickClock(); });
    Duty(acquiring_, [&] { acquisition_.Run(); });
    duties_.Chime();
    duties_.Reminder();
    duties_.ShutdownWarning();
    duties_.TimedShutdown();
    Duty(retrying_, [&] { tray_.RetryAdd(); });
}

void Scheduler::TickClock() {
    // Labday(0..2): the year and month, the day, the time of day.
    constexpr int kMonth = ID_LABDAY_0, kDay = ID_LABDAY_0 + 1, kTime = ID_LABDAY_0 + 2;
    const LocalTime now = sys_.Now();
    IgnoreErrors([&] { ui_.SetText(kMonth, scheduler::YearMonthText(now)); });
    IgnoreErrors([&] { ui_.SetText(kDay, scheduler::DayText(now)); });
    IgnoreErrors([&] { ui_.SetText(kTime, sys_.FormatTimeOfDay(now)); });
}
