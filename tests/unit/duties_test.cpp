// The chime, the reminder and the timed shutdown through simulated days.

#include "scheduler/duties.h"

#include <gtest/gtest.h>

#include "fakes.h"
#include "wav_builder.h"

namespace {

struct Day : FakeApp {
    Day() {
        std::uint8_t sample = 0x80;  // each its own, to be told apart once played
        for (const char* n : {"CLOCK", "MESSAGE", "CLOSE"})
            sys.wavs[n] = wavtest::Pcm(8000, 8, wavtest::Bytes(4, sample++));
        frm.Form_Load();
        sys.files.insert(frm.AppDir + L"deskurl.ini");  // no acquisition in the way
    }
    void Set(int check, const std::wstring& hour, const std::wstring& minute, int hourBox) {
        frm.ControlClick(Check1(check));
        ui.SetText(Text1(hourBox), hour);
        ui.SetText(Text1(hourBox + 1), minute);
    }
    // Ticks from h:m:s on, every `step` seconds, for `count` ticks; returns
    // the times at which a sound of that name started.
    std::vector<std::wstring> Run(int h, int m, int s, int step, int count, const char* sound = "CLOCK") {
        std::vector<std::wstring> at;
        LocalTime t = MakeTime(2010, 6, 1, h, m, s);
        for (int i = 0; i < count; ++i) {
            sys.now = t;
            const auto before = sys.played.size();
            frm.Timer3_Timer();
            for (auto k = before; k < sys.played.size(); ++k)
                if (sys.played[k].name == sound) at.push_back(scheduler::LongTime(t));
            const long long next = MinuteSerial(t) * 60 + t.second + step;
            t = MakeTime(2010, 6, 1 + int(next / 86400 - MinuteSerial(MakeTime(2010, 6, 1)) / 1440),
                         int(next / 3600 % 24), int(next / 60 % 60), int(next % 60));
        }
        return at;
    }
};

}  // namespace

TEST(Duties, TheChimeRingsEachHourOnceAndCatchesUpASkippedSecondButNotASleep) {
    Day a;
    const auto rung = a.Run(0, 0, 0, 1, 86400);
    ASSERT_EQ(rung.size(), 24u);
    for (int h = 0; h < 24; ++h) EXPECT_EQ(rung[h], scheduler::LongTime(MakeTime(2010, 6, 1, h)));
    Day skipped;  // ticks at odd seconds only: each top of the hour comes a second late
    EXPECT_EQ(skipped.Run(9, 59, 59, 2, 3), (std::vector<std::wstring>{L"10:00:01"}));
    Day asleep;  // 09:59:50, then 10:01:10: more than a minute late
    EXPECT_TRUE(asleep.Run(9, 59, 50, 80, 2).empty());
    Day twice;  // two ticks in one second ring once
    EXPECT_EQ(twice.Run(11, 0, 0, 0, 2).size(), 1u);
    Day off;
    off.ui.SetValue(Check1(3), 0);
    EXPECT_TRUE(off.Run(11, 59, 59, 1, 3).empty());
}

TEST(Duties, TheReminderFiresOnceAtItsMinuteAndSwitchesItselfOff) {
    const struct {
        std::wstring hour, minute, text;
        int sounds, boxes, opened;
    } cases[] = {
        {L"08", L"05", L"开会", 1, 1, 0},
        {L"8", L"05", L"开会", 0, 0, 0},
        {L"", L"", L"开会", 0, 0, 0},
        {L"08", L"05", L"C:\\Tools\\a.exe", 0, 0, 1},
        {L"08", L"05", L"HTTP://a.example/", 0, 0, 1},
        {L"08", L"05", L"https://a.example/", 0, 0, 1},
    };
    for (const auto& c : cases) {
        Day a;
        a.ui.SetValue(Check1(3), 0);
        a.Set(2, c.hour, c.minute, 1);
        a.ui.SetText(Text1(3), c.text);
        EXPECT_EQ(a.Run(8, 4, 58, 1, 130, "MESSAGE").size(), std::size_t(c.sounds)) << c.text;
        ASSERT_EQ(a.ui.boxes.size(), std::size_t(c.boxes));
        EXPECT_EQ(a.ui.opened.size(), std::size_t(c.opened));
        if (c.boxes) {
            EXPECT_EQ(a.ui.boxes[0].text, c.text + L"   ");
            EXPECT_EQ(a.ui.boxes[0].title, L"小闹钟");
            EXPECT_EQ(a.ui.boxes[0].style, 4160);
        }
        const bool fired = c.boxes + c.opened > 0;
        EXPECT_EQ(a.ui.GetValue(Check1(2)), fired ? 0 : 1);
        EXPECT_EQ(a.ui.IsEnabled(Text1(1)), !fired);
        EXPECT_TRUE(a.sys.saves.empty());
    }
}

TEST(Duties, TheShutdownWarnsAtZeroAndShutsDownAtThirtyEvenBehindAReminderBox) {
    const std::wstring warning =
        L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自动关机时间!";
    Day a;
    a.Set(4, L"17", L"30", 4);
    EXPECT_EQ(a.Run(17, 29, 59, 1, 31, "CLOSE"), (std::vector<std::wstring>{L"17:30:00"}));
    EXPECT_EQ(a.ui.tray.back().record.szInfo, warning);
    EXPECT_TRUE(a.sys.shutdownCalls.empty() && !a.ui.unloaded);
    a.Run(17, 30, 30, 1, 5);
    EXPECT_EQ(a.sys.shutdownCalls, (std::vector<std::string>{"privilege", "exit 12"}));
    EXPECT_TRUE(a.ui.unloaded);

    Day cleared;  // the box cleared at :10
    cleared.Set(4, L"17", L"30", 4);
    cleared.Run(17, 30, 0, 1, 11);
    cleared.ui.SetValue(Check1(4), 0);
    cleared.Run(17, 30, 11, 1, 40);
    EXPECT_TRUE(cleared.sys.shutdownCalls.empty() && !cleared.ui.unloaded);

    for (std::optional<int> platform : {std::optional<int>(1), std::optional<int>()}) {
        Day old;
        old.sys.platformId = platform;
        old.Set(4, L"17", L"30", 4);
        old.Run(17, 30, 29, 3, 2);  // :30 skipped, caught up at :32
        EXPECT_EQ(old.sys.shutdownCalls,
                  platform ? std::vector<std::string>{"exit 1"} : std::vector<std::string>{});
        EXPECT_EQ(old.ui.unloaded, platform.has_value());
    }

    // A reminder box left open across the shutdown minute: the ticks go on under it.
    Day boxed;
    boxed.Set(2, L"17", L"29", 1);
    boxed.ui.SetText(Text1(3), L"开会");
    boxed.Set(4, L"17", L"30", 4);
    boxed.ui.duringBox = [&] { boxed.Run(17, 29, 1, 1, 90); };
    boxed.Run(17, 29, 0, 1, 1);
    EXPECT_EQ(boxed.ui.boxes.size(), 1u);
    EXPECT_EQ(boxed.sys.shutdownCalls, (std::vector<std::string>{"privilege", "exit 12"}));
}
