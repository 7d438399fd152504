#include "scheduler/tick.h"

#include <gtest/gtest.h>

#include <string>

#include "app/frmmain.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

struct App {
    FakeWindow ui;
    FakeSystem sys;
    Frmmain frm{ui, sys};
    App() { SetDesignState(ui); }
    void TickAt(const LocalTime& t) {
        sys.now = t;
        frm.Timer3_Timer();
    }
    std::wstring Label(int i) const { return ui.GetText(Labday(i)); }
};

}  // namespace

TEST(Tick, LabelsShowYearAndMonthDayAndTime) {
    const struct {
        LocalTime t;
        std::wstring yearMonth, day, time;
    } cases[] = {
        {MakeTime(2008, 5, 5, 9, 3, 7), L"2008年05月", L"5", L"09:03:07"},
        {MakeTime(2008, 12, 20, 14, 5, 9), L"2008年12月", L"20", L"14:05:09"},
        {MakeTime(2010, 1, 31, 0, 0, 0), L"2010年01月", L"31", L"00:00:00"},
        {MakeTime(12345, 6, 1, 23, 59, 59), L"12345年06", L"1", L"23:59:59"},  // cut to 8 characters
    };
    App a;
    a.frm.Form_Load();
    for (const auto& c : cases) {
        a.TickAt(c.t);
        EXPECT_EQ(a.Label(0), c.yearMonth);
        EXPECT_EQ(a.Label(1), c.day);
        EXPECT_EQ(a.Label(2), c.time);
        EXPECT_EQ(a.Label(2), a.sys.FormatTimeOfDay(c.t));
        EXPECT_EQ(scheduler::YearMonthText(c.t), c.yearMonth);
        EXPECT_EQ(scheduler::DayText(c.t), c.day);
    }
}

TEST(Tick, EveryTickSetsAllThreeLabels) {
    App a;
    a.frm.Form_Load();
    a.TickAt(MakeTime(2008, 1, 31, 23, 59, 59));
    for (int i = 0; i < 3; ++i) a.ui.SetText(Labday(i), L"x");
    a.frm.Timer3_Timer();  // same moment: set again all the same
    EXPECT_EQ(a.Label(0), L"2008年01月");
    EXPECT_EQ(a.Label(1), L"31");
    EXPECT_EQ(a.Label(2), L"23:59:59");
    a.TickAt(MakeTime(2008, 2, 1, 0, 0, 0));  // midnight on the first of a month
    EXPECT_EQ(a.Label(0), L"2008年02月");
    EXPECT_EQ(a.Label(1), L"1");
    EXPECT_EQ(a.Label(2), L"00:00:00");
}

TEST(Tick, ARefusedFirstAddIsTriedAgainOnLaterTicks) {
    App a;
    a.ui.shellReady = false;  // the shell is not up yet at log-on
    a.frm.Form_Load();
    ASSERT_FALSE(a.ui.trayShown);
    for (int i = 0; i < 3; ++i) a.frm.Timer3_Timer();
    EXPECT_FALSE(a.ui.trayShown);
    const auto tried = a.ui.tray.size();
    EXPECT_GT(tried, 1u);
    a.ui.shellReady = true;
    a.frm.Timer3_Timer();
    ASSERT_TRUE(a.ui.trayShown);
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kAdd);
    EXPECT_EQ(a.ui.tray.back().record.szInfo, tray::kFirstGreeting);
    EXPECT_EQ(a.ui.tray.back().record.uID, 1u);
    const auto shown = a.ui.tray.size();
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.tray.size(), shown);  // no second icon, no repeated greeting
    // The clock runs on whatever the tray does.
    EXPECT_EQ(a.Label(2), a.sys.FormatTimeOfDay(a.sys.now));
}

TEST(Tick, AnIconThatIsThereIsNotAddedAgain) {
    App a;
    a.frm.Form_Load();
    ASSERT_TRUE(a.ui.trayShown);
    const auto calls = a.ui.tray.size();
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.tray.size(), calls);
}
