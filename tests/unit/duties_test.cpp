// The once-a-second tick: the clock labels, the reminder's targets and the
// timed shutdown; the soak runs the duties through whole days.

#include "scheduler/duties.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "scheduler/tick.h"
#include "wav_builder.h"

namespace {

struct Day : FakeApp {
    Day() {
        for (const char* n : {"CLOCK", "MESSAGE", "CLOSE"})
            sys.wavs[n] = wavtest::Pcm(8000, 16, wavtest::Bytes(4, 0));
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
    // Ticks from h:m:s on, every `step` seconds, for `count` ticks; returns
    // the times at which a sound of that name started.
    std::vector<std::wstring> Run(int h, int m, int s, int step, int count, const char* sound = "CLOCK") {
        std::vector<std::wstring> at;
        for (long long t = h * 3600 + m * 60 + s, i = 0; i < count; ++i, t += step) {
            sys.now =
                MakeTime(2010, 6, 1 + int(t / 86400), int(t / 3600 % 24), int(t / 60 % 60), int(t % 60));
            const auto before = sys.played.size();
            frm.Timer3_Timer();
            for (auto k = before; k < sys.played.size(); ++k)
                if (sys.played[k].name == sound) at.push_back(scheduler::LongTime(sys.now));
        }
        return at;
    }
};

}  // namespace

TEST(Tick, EveryTickSetsTheClockEvenUnderABusyDuty) {
    // A tick that falls due while a duty lets the message loop turn keeps the
    // clock current but does not run the busy duty again inside itself.
    FakeApp b;
    b.ui.shellReady = false;
    b.frm.Form_Load();
    b.sys.files.insert(b.frm.AppDir + L"deskurl.ini");
    int nested = 0;
    b.ui.duringNotify = [&] {
        if (nested++ >= 3) return;
        for (int i = 0; i < 3; ++i) b.ui.SetText(Labday(i), L"x");
        b.sys.now = MakeTime(2010, 1, 31, 23, 59, 58 + nested / 2);
        b.frm.Timer3_Timer();
        EXPECT_EQ(b.ui.GetText(Labday(0)) + L"|" + b.ui.GetText(Labday(1)) + L"|" + b.ui.GetText(Labday(2)),
                  L"2010年01月|31|23时59分" + std::to_wstring(58 + nested / 2));
    };
    b.frm.Timer3_Timer();
    EXPECT_EQ(std::ranges::count(b.ui.tray, 0, &TrayCall::action), 2);  // the greeting and one retry
}

TEST(Duties, TheReminderFiresOnceAtItsMinuteAndSwitchesItselfOff) {
    // An https address is the stories'; here one digit as good as two, one not due, other targets.
    const std::tuple<std::wstring, std::wstring, bool, bool> cases[] = {
        // hour, text, fired, opened
        {L"8", L"开会", true, false},
        {L"", L"开会", false, false},
        {L"08", L"C:\\Tools\\a.exe", true, true},
        {L"08", L"提醒 HTTP://a.example/", true, true},
    };
    for (const auto& [hour, text, fired, opened] : cases) {
        Day a;
        a.Arm(2, hour, hour.empty() ? L"" : L"05");
        a.ui.SetText(Text1(3), text);
        const auto message = a.Run(8, 4, 58, 1, 130, "MESSAGE");
        EXPECT_EQ(message, std::vector<std::wstring>(fired && !opened, L"08:05:00")) << text;
        EXPECT_EQ(a.ui.boxes.size(), message.size());
        EXPECT_EQ(a.ui.opened, std::vector<std::wstring>(opened, text));
        EXPECT_EQ(a.ui.GetValue(Check1(2)), fired ? 0 : 1);
        EXPECT_EQ(a.ui.IsEnabled(Text1(1)), !fired);
        EXPECT_TRUE(a.sys.saves.empty());
    }
}

TEST(Duties, TheShutdownWarnsAtZeroAndShutsDownAtThirtyEvenBehindAReminderBox) {
    Day a;
    a.Arm(4, L"7", L"30");
    EXPECT_EQ(a.Run(7, 29, 59, 1, 31, "CLOSE"), (std::vector<std::wstring>{L"07:30:00"}));
    EXPECT_TRUE(a.sys.shutdownCalls.empty() && !a.ui.unloaded);
    a.Run(7, 30, 30, 1, 5);
    EXPECT_EQ(a.sys.shutdownCalls, (std::vector<std::string>{"privilege", "exit 12"}));
    EXPECT_TRUE(a.ui.unloaded);

    // A reminder box left open across the shutdown minute: the ticks go on under it.
    Day boxed;
    boxed.Arm(2, L"17", L"29");
    boxed.ui.SetText(Text1(3), L"开会");
    boxed.Arm(4, L"17", L"30");
    boxed.ui.duringBox = [&] { boxed.Run(17, 29, 1, 1, 90); };
    boxed.Run(17, 29, 0, 1, 1);
    EXPECT_EQ(boxed.ui.boxes.size(), 1u);
    EXPECT_EQ(boxed.sys.shutdownCalls, (std::vector<std::string>{"privilege", "exit 12"}));
}
