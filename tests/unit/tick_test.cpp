#include "scheduler/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fakes.h"

TEST(Tick, EveryTickSetsTheYearAndMonthTheDayAndTheTime) {
    const struct {
        LocalTime t;
        std::wstring yearMonth, day;
    } cases[] = {
        {MakeTime(2008, 5, 5, 9, 3, 7), L"2008年05月", L"5"},
        {MakeTime(2008, 5, 5, 9, 3, 7), L"2008年05月", L"5"},  // the same moment: set all the same
        {MakeTime(2010, 1, 31, 23, 59, 59), L"2010年01月", L"31"},
        {MakeTime(2010, 2, 1, 0, 0, 0), L"2010年02月", L"1"},
        {MakeTime(12345, 6, 1, 23, 59, 59), L"12345年06", L"1"},  // cut to 8 characters
    };
    FakeApp a;
    a.frm.Form_Load();
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i) a.ui.SetText(Labday(i), L"x");
        a.sys.now = c.t;
        a.ui.timers.clear();
        a.frm.TimerFired(Timer::Timer3);
        EXPECT_EQ(a.ui.GetText(Labday(0)), c.yearMonth);
        EXPECT_EQ(a.ui.GetText(Labday(1)), c.day);
        EXPECT_EQ(a.ui.GetText(Labday(2)), a.sys.FormatTimeOfDay(c.t));
    }
}

namespace {
std::size_t Adds(const FakeWindow& ui) {
    return std::count_if(ui.tray.begin(), ui.tray.end(),
                         [](const TrayCall& c) { return c.action == tray_action::kAdd; });
}
}  // namespace

TEST(Tick, ARefusedFirstAddIsTriedAgainForAMinuteAndNeverTwiceAtOnce) {
    for (int ticksBeforeTheShell : {3, tray::kAddRetries + 10}) {
        FakeApp a;
        a.ui.shellReady = false;  // the shell is not up yet at log-on
        a.frm.Form_Load();
        for (int i = 0; i < ticksBeforeTheShell; ++i) a.frm.Timer3_Timer();
        EXPECT_EQ(Adds(a.ui), 1u + std::min(ticksBeforeTheShell, tray::kAddRetries));
        a.ui.shellReady = true;
        a.frm.Timer3_Timer();
        EXPECT_EQ(a.ui.trayShown, ticksBeforeTheShell <= tray::kAddRetries);
        const auto shown = Adds(a.ui);
        for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
        EXPECT_EQ(Adds(a.ui), shown);  // no second icon, no repeated greeting
    }
    // A tick that falls due while a duty lets the message loop turn keeps the
    // clock current but does not run the busy duty again inside itself.
    FakeApp a;
    a.ui.shellReady = false;
    a.frm.Form_Load();
    a.sys.files.insert(a.frm.AppDir + L"deskurl.ini");  // no acquisition in the way
    int nested = 0;
    a.ui.duringNotify = [&] {
        if (nested++ < 3) {
            a.ui.SetText(Labday(2), L"x");
            a.frm.Timer3_Timer();
            EXPECT_NE(a.ui.GetText(Labday(2)), L"x");
        }
    };
    a.frm.Timer3_Timer();
    EXPECT_EQ(Adds(a.ui), 2u);  // the greeting and one retry
}
