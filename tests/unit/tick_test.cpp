#include "scheduler/tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/frmmain.h"
#include "fakes.h"
#include "tray/tray.h"

TEST(Tick, EveryTickSetsTheYearAndMonthTheDayAndTheTime) {
    const struct {
        LocalTime t;
        std::wstring yearMonth, day;
    } cases[] = {
        {MakeTime(2008, 5, 5, 9, 3, 7), L"2008年05月", L"5"},
        {MakeTime(2008, 12, 20, 14, 5, 9), L"2008年12月", L"20"},
        {MakeTime(2008, 12, 20, 14, 5, 9), L"2008年12月", L"20"},  // the same moment: set all the same
        {MakeTime(2010, 1, 31, 23, 59, 59), L"2010年01月", L"31"},
        {MakeTime(2010, 2, 1, 0, 0, 0), L"2010年02月", L"1"},
        {MakeTime(12345, 6, 1, 23, 59, 59), L"12345年06", L"1"},  // cut to 8 characters
    };
    FakeWindow ui;
    FakeSystem sys;
    Frmmain frm(ui, sys);
    SetDesignState(ui);
    frm.Form_Load();
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i) ui.SetText(Labday(i), L"x");
        sys.now = c.t;
        frm.Timer3_Timer();
        EXPECT_EQ(ui.GetText(Labday(0)), c.yearMonth);
        EXPECT_EQ(ui.GetText(Labday(1)), c.day);
        EXPECT_EQ(ui.GetText(Labday(2)), sys.FormatTimeOfDay(c.t));
    }
}

TEST(Tick, ARefusedFirstAddIsTriedAgainForAMinuteAndAnIconIsNeverAddedTwice) {
    for (int ticksBeforeTheShell : {3, tray::kAddRetries + 10}) {
        FakeWindow ui;
        FakeSystem sys;
        Frmmain frm(ui, sys);
        SetDesignState(ui);
        ui.shellReady = false;  // the shell is not up yet at log-on
        frm.Form_Load();
        for (int i = 0; i < ticksBeforeTheShell; ++i) frm.Timer3_Timer();
        EXPECT_EQ(ui.tray.size(), 1u + std::min(ticksBeforeTheShell, tray::kAddRetries));
        ui.shellReady = true;
        frm.Timer3_Timer();
        if (ticksBeforeTheShell > tray::kAddRetries) {
            EXPECT_FALSE(ui.trayShown) << "gave up";
            continue;
        }
        ASSERT_TRUE(ui.trayShown);
        EXPECT_EQ(ui.tray.back().action, tray_action::kAdd);
        EXPECT_EQ(ui.tray.back().record.szInfo, tray::kFirstGreeting);
        const auto shown = ui.tray.size();
        for (int i = 0; i < 5; ++i) frm.Timer3_Timer();
        EXPECT_EQ(ui.tray.size(), shown);  // no second icon, no repeated greeting
        // The clock runs on whatever the tray does.
        EXPECT_EQ(ui.GetText(Labday(2)), sys.FormatTimeOfDay(sys.now));
    }
}
