// The once-a-second tick: the clock labels, what the reminder does and the
// timed shutdown under a box; when each duty fires the soak checks, through whole days.

#include "scheduler/duties.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace {

struct Day : FakeApp {
    Day() {
        for (const char* n : {"CLOCK", "MESSAGE", "CLOSE"})
            sys.wavs[n] = Silence();
        frm.Form_Load();
        sys.files.insert(frm.AppDir + L"deskurl.ini");  // no acquisition in the way
        ui.SetValue(Check1(3), 0);
    }
    // Ticks the box on, with its hour and minute.
    void Arm(int check, const std::wstring& hour, const std::wstring& minute) {
        frm.ControlClick(Check1(check));
        ui.SetText(Text1(check == 2 ? 1 : 4), hour);
        ui.SetText(Text1(check == 2 ? 2 : 5), minute);
    }
    // Ticks from h:m:s on, one a second, for `count` ticks.
    void Run(int h, int m, int s, int count) {
        for (long long t = h * 3600 + m * 60 + s, i = 0; i < count; ++i, ++t) {
            sys.now =
                MakeTime(2010, 6, 1 + int(t / 86400), int(t / 3600 % 24), int(t / 60 % 60), int(t % 60));
            frm.Timer3_Timer();
        }
    }
};

}  // namespace

TEST(Tick, EveryTickSetsTheClockLabels) {
    // Ticks under a box that stands open are the shutdown's test below.
    FakeApp b;
    b.frm.Form_Load();
    b.sys.now = MakeTime(2010, 1, 31, 23, 59, 58);
    b.frm.Timer3_Timer();
    EXPECT_EQ(b.ui.GetText(Labday(0)) + L"|" + b.ui.GetText(Labday(1)) + L"|" + b.ui.GetText(Labday(2)),
              L"2010年01月|31|23时59分58");
}

TEST(Duties, TheReminderShowsItsTextOrOpensItsTargetAndSwitchesItselfOff) {
    // When it fires, once, the soak checks; here what it does. A path, or a web address anywhere in the
    // text, is opened through the shell, as the start-up story's picture folder is.
    for (const std::wstring text : {L"开会", L"C:\\Tools\\a.exe", L"提醒 HTTP://a.example/"}) {
        Day a;
        a.Arm(2, L"08", L"05");
        a.ui.SetText(Text1(3), text);
        a.Run(8, 5, 0, 2);
        const bool opened = text != L"开会";
        EXPECT_EQ(a.ui.opened, std::vector<std::wstring>(opened, text));
        EXPECT_EQ(a.ui.boxes.size(), opened ? 0u : 1u) << text;
        EXPECT_EQ(std::ranges::count(a.sys.played, "MESSAGE", &Played::name), opened ? 0 : 1) << text;
        EXPECT_TRUE(!a.ui.GetValue(Check1(2)) && !a.ui.IsEnabled(Text1(1)) && a.sys.saves.empty()) << text;
    }
}

TEST(Duties, TheShutdownComesAtThirtyEvenBehindAReminderBox) {
    // The warning at second 00 the soak checks. A reminder box left open across
    // the shutdown minute: the ticks go on under it.
    Day a;
    a.Arm(2, L"17", L"29");
    a.ui.SetText(Text1(3), L"开会");
    a.Arm(4, L"17", L"30");
    a.ui.duringBox = [&] {
        a.Run(17, 29, 1, 89);
        EXPECT_TRUE(a.sys.shutdownCalls.empty() && !a.ui.unloaded) << "before second 30";
        a.Run(17, 30, 30, 1);
    };
    a.Run(17, 29, 0, 1);
    EXPECT_EQ(a.ui.boxes.size(), 1u);
    EXPECT_EQ(a.sys.shutdownCalls, (std::vector<std::string>{"privilege", "exit 12"}));
    EXPECT_TRUE(a.ui.unloaded);
}
