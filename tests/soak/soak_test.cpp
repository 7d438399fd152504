// Thirty simulated days of the whole program, its timers fired as the window's
// would be, started online and offline, its loop busy now and then, the clock
// set back an hour and forward over midnight: every chime, reminder, shutdown
// warning and wallpaper change falls due once, at the first tick that may run
// it, and the memory the program holds stays flat.

#include <gtest/gtest.h>
#include <sanitizer/allocator_interface.h>

#include <cstdio>
#include <memory>
#include <random>

#include "fakes.h"

namespace {

using Int = std::int64_t;  // seconds, or ms where so named
constexpr Int kDay = 86400, kDays = 30;

// Moments every `period` seconds from `offset`: those a running clock passed (not again after it was
// set back), and those that fired.
struct Moments {
    Int period, offset, lastDue = -1, lastFired = -1;
    bool on = true;
    int due = 0, fired = 0;
    Int Last(Int t) const { return t - ((t - offset) % period + period) % period; }
    void Pass(Int from, Int to) {
        if (on && Last(to) > from && Last(to) > lastDue) ++due, lastDue = Last(to);
    }
    // Fired at `now`, the tick before having read `before`: at the first tick from its moment on, once.
    void Fire(Int now, Int before) {
        EXPECT_TRUE(before < Last(now) && Last(now) > lastFired) << period << "s, at " << now;
        ++fired, lastFired = Last(now);
    }
};

}  // namespace

TEST(Soak, ThirtyDaysOfEveryDutyOnceAndOnTimeInFlatMemory) {
    auto app = std::make_unique<FakeApp>();
    std::map<Timer, std::pair<int, Int>> timers;  // the window's: period, next tick (ms)
    Int ms = 0, off = 0, prev = 0;  // real time (ms), the clock's offset (s), the clock at the last tick
    std::mt19937 rng(2010);
    Moments chimes{3600, 0}, reminders{kDay, 29100}, warnings{kDay, 63000}, changes{60, 0};
    const auto now = [&] { return ms / 1000 + off; };
    // A new or re-paced timer counts its period from now; one that fired late comes once, at its next period.
    const auto sync = [&](std::optional<Timer> fired) {
        std::erase_if(timers, [&](const auto& t) { return !app->ui.timers.count(t.first); });
        for (const auto& [t, period] : app->ui.timers) {
            auto& [p, next] = timers[t];
            if (p != period) p = period, next = ms + period;
            while (t == fired && next <= ms) next += period;
        }
    };
    const auto fire = [&](Timer t) {
        FakeApp& a = *app;
        const Int at = now(), before = prev;
        a.sys.now =
            MakeTime(2010, 7, 1 + int(at / kDay), int(at / 3600 % 24), int(at / 60 % 60), int(at % 60));
        for (Moments* m : {&chimes, &reminders, &warnings, &changes})
            if (t == Timer::Timer3) m->Pass(before, prev = at);
        const auto played = a.sys.played.size(), applied = a.desk.applied.size();
        a.frm.TimerFired(t);
        for (auto k = played; k < a.sys.played.size(); ++k) {
            const std::string& name = a.sys.played[k].name;
            (name == "CLOCK" ? chimes : name == "MESSAGE" ? reminders : warnings).Fire(at, before);
            if (name == "CLOSE") a.frm.ControlClick(Check1(4));  // the shutdown called off
        }
        for (auto k = applied; k < a.desk.applied.size(); ++k)
            if (!a.desk.applied[k].empty()) changes.Fire(at, -1);
        sync(t);
    };
    const auto runTo = [&](Int until) {
        for (; ms < until; ms += 100)  // every period is a multiple of 100 ms
            for (Timer t : {Timer::Timer1, Timer::Timer2, Timer::Timer3}) {
                if (!timers.count(t) || timers[t].second > ms) continue;
                // Now and then the loop is busy as a minute ends: a second is skipped or read twice.
                if (t == Timer::Timer3 && now() % 60 == 59 && rng() % 4 == 0) ms += rng() % 2000;
                fire(t);
            }
    };
    // A fresh program over the same registry, files, desktop and web; offline it does not chime.
    const auto start = [&](bool online) {
        auto next = std::make_unique<FakeApp>();
        app->frm.Form_Unload();
        next->sys = app->sys, next->desk = app->desk, next->web.served = app->web.served;
        app = std::move(next);
        app->sys.online = chimes.on = online;
        app->Store(L"justime", online ? L"1" : L"0");
        prev = now();
        app->frm.Form_Load();
        timers.clear(), sync(std::nullopt);
        changes.due += online, changes.lastFired = -1;  // the queue's end shows the first picture at once
    };

    for (const char* n : {"CLOCK", "MESSAGE", "CLOSE"}) app->sys.wavs[n] = Silence();
    const wchar_t* stored[][2] = {{L"tiptime", L"1"},  {L"tiptime1", L"08"}, {L"tiptime2", L"05"},
                                  {L"autoshut", L"1"}, {L"chgtime", L"1"},   {L"listhost", L"lists.example"}};
    for (const auto& [key, value] : stored) app->Store(key, value);
    // One picture listed twice; offline, the two fetched before are the folder's.
    app->web.served = {{L"http://lists.example/deskurl.asp", "http://p/a.jpg\nhttp://p/a.jpg"},
                       {L"http://p/a.jpg", "\xFF\xD8\xFF"}};
    app->desk.folder = {L"Tirnaco0.jpg", L"Tirnaco1.jpg"};
    for (const auto& name : app->desk.folder)
        app->desk.ordinary.insert(L"C:\\Program Files\\晴窗\\Wallpaper\\" + name);
    std::size_t held[kDays];
    for (Int day = 0; day < kDays; ++day) {
        runTo((day * kDay + 20) * 1000 + 437);
        if (day % 7 == 0) start(day % 14 == 0);  // online on days 1, 15 and 29
        // Each morning but one a week the user ticks the reminder and the shutdown again, and turns
        // the order.
        reminders.on = warnings.on = day % 7 != 3;
        for (int box : {2, 4})
            if (!app->ui.GetValue(Check1(box)) && reminders.on) app->frm.ControlClick(Check1(box));
        app->frm.ControlClick(Check1(0));
        // The clock set back an hour at 08:30, and on from 23:40 to 00:20: a change falls due at once.
        const Int jump = day == 9 ? -3600 : day == 19 ? 2400 : 0, jumpAt = day == 9 ? 30600 : 2400;
        if (jump) runTo((day * kDay + jumpAt) * 1000), off += jump, prev = now();
        if (jump) changes.due += jump > 0, changes.lastFired = changes.lastDue = -1;  // minutes pass again
        runTo((day + 1) * kDay * 1000);
        // The fakes' records, counted already, go: what is left is the program's.
        std::exchange(app->sys.played, {}), std::exchange(app->ui.tray, {}), std::exchange(app->ui.boxes, {});
        std::exchange(app->desk.applied, {}), std::exchange(app->web.requested, {});
        held[day] = __sanitizer_get_current_allocated_bytes();
    }
    std::printf(
        "soak: %d chimes, %d reminders, %d warnings, %d changes; %zu bytes held on day 2, %zu on 30\n",
        chimes.fired, reminders.fired, warnings.fired, changes.fired, held[1], held[kDays - 1]);
    for (const Moments* m : {&chimes, &reminders, &warnings, &changes})
        EXPECT_EQ(m->fired, m->due) << m->period << "s moments";
    EXPECT_EQ(reminders.due + warnings.due, 2 * (kDays - 4));
    EXPECT_TRUE(app->sys.shutdownCalls.empty() && !app->ui.unloaded);
    EXPECT_LE(held[kDays - 1], held[1] + 512);
}
