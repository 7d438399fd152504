#include "scheduler/duties.h"

#include <cstdio>

#include "base/ignore_errors.h"
#include "base/web_address.h"

namespace scheduler {

std::wstring LongTime(const LocalTime& t) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buf;
}

std::int64_t SecondSerial(const LocalTime& t) { return MinuteSerial(t) * 60 + t.second; }

std::optional<std::int64_t> MomentOf(const LocalTime& today, const std::wstring& hour,
                                     const std::wstring& minute, int second) {
    // The panel takes "8" as readily as "08", so one digit counts too.
    const auto number = [](const std::wstring& s) {
        if (s.empty() || s.size() > 2) return -1;
        int v = 0;
        for (const wchar_t c : s) {
            if (c < L'0' || c > L'9') return -1;
            v = v * 10 + (c - L'0');
        }
        return v;
    };
    const int h = number(hour), m = number(minute);
    if (h < 0 || h > 23 || m < 0 || m > 59) return std::nullopt;
    LocalTime t = today;
    t.hour = h;
    t.minute = m;
    t.second = second;
    return SecondSerial(t);
}

bool OpensAsTarget(const std::wstring& text) {
    if (text.find(L":\\") != std::wstring::npos) return true;
    // A web address anywhere in the text; https too, as most are today.
    const std::wstring_view view = text;
    for (std::size_t at = 0; at < view.size(); ++at)
        if (IsWebAddress(view.substr(at))) return true;
    return false;
}

}  // namespace scheduler

using scheduler::MomentOf;
using scheduler::SecondSerial;

template <class Due, class Fire>
void TimedDuties::Run(State& state, Due&& due, Fire&& fire) {
    if (state.running) return;
    state.running = true;
    IgnoreErrors([&] {
        const LocalTime now = sys_.Now();
        const std::int64_t t = SecondSerial(now);
        const std::optional<std::int64_t> at = due(now);
        const std::optional<std::int64_t> last = state.lastTick;
        state.lastTick = t;
        if (!at || state.lastFired == at) return;
        // Its own second, or a skipped one earlier in this minute; a moment
        // that passed while the computer slept is not made up for.
        const bool exact = *at == t;
        const bool skipped = last && *last < *at && *at < t && t / 60 == *at / 60;
        if (!exact && !skipped) return;
        state.lastFired = at;
        fire();
    });
    state.running = false;
}

void TimedDuties::Chime() {
    Run(
        chime_,
        [&](const LocalTime& now) -> std::optional<std::int64_t> {
            if (!panel_.ChimeOn()) return std::nullopt;
            LocalTime top = now;
            top.minute = top.second = 0;
            return SecondSerial(top);
        },
        [&] { IgnoreErrors([&] { sound_.PlayWav("clock"); }); });
}

void TimedDuties::Reminder() {
    Run(
        reminder_,
        [&](const LocalTime& now) -> std::optional<std::int64_t> {
            if (!panel_.ReminderOn()) return std::nullopt;
            return MomentOf(now, panel_.ReminderHour(), panel_.ReminderMinute(), 0);
        },
        [&] {
            std::wstring text;
            IgnoreErrors([&] { text = panel_.ReminderTarget(); });
            if (scheduler::OpensAsTarget(text)) {
                IgnoreErrors([&] { ui_.ShellOpen(text); });
            } else {
                IgnoreErrors([&] { sound_.PlayWav("message"); });
                IgnoreErrors([&] {
                    ui_.MsgBox(text + L"   ", mb::kSystemModal + mb::kInformation + mb::kOk, L"小闹钟");
                });
            }
            // Spent until the user ticks it again; the stored setting stays.
            IgnoreErrors([&] { panel_.SwitchReminderOff(); });
        });
}

void TimedDuties::ShutdownWarning() {
    Run(
        warning_,
        [&](const LocalTime& now) -> std::optional<std::int64_t> {
            if (!panel_.ShutdownOn()) return std::nullopt;
            return MomentOf(now, panel_.ShutdownHour(), panel_.ShutdownMinute(), 0);
        },
        [&] {
            IgnoreErrors([&] {
                notices_.ShowTrayTip(
                    L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自"
                    L"动关机时间!",
                    L"1");
            });
            IgnoreErrors([&] { sound_.PlayWav("close"); });
        });
}

void TimedDuties::TimedShutdown() {
    Run(
        shutdown_,
        [&](const LocalTime& now) -> std::optional<std::int64_t> {
            if (!panel_.ShutdownOn()) return std::nullopt;
            return MomentOf(now, panel_.ShutdownHour(), panel_.ShutdownMinute(), 30);
        },
        [&] { ShutdownComputer(); });
}

void TimedDuties::ShutdownComputer() {
    std::optional<int> platform;
    try {
        platform = sys_.PlatformId();
    } catch (...) {
    }
    if (!platform) return;  // the version call failed: the program goes on
    if (*platform == 0 || *platform == 1) {
        IgnoreErrors([&] { sys_.RequestShutdown(shutdown::kShutdown); });
    } else if (*platform == 2) {
        IgnoreErrors([&] { sys_.GetShutdownPrivilege(); });
        IgnoreErrors([&] { sys_.RequestShutdown(shutdown::kPowerOff | shutdown::kForce); });
    }
    IgnoreErrors([&] { ui_.Unload(); });
}
