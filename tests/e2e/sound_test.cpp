// What the real program says and sounds, heard through the sound server: its
// recordings, the talking clock after a click on the tray icon, and the
// reminder and the timed shutdown's warning at their minutes.

#include "product.h"
#include "sound/speech.h"

using namespace e2e;

namespace {

const std::wstring kWarning =
    L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自动关机时间!";

// The start of a whole minute at least `lead` seconds away.
struct Coming {
    int hour, minute;
    std::chrono::steady_clock::time_point due;
    // The time from now until `d` after the minute began.
    Millis In(Millis d = 0ms) const {
        return std::chrono::duration_cast<Millis>(due + d - std::chrono::steady_clock::now());
    }
};
Coming NextMinute(int lead) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    int wait = 60 - t.wSecond;
    while (wait < lead) wait += 60;
    const int m = t.wHour * 60 + t.wMinute + (wait + 59) / 60;
    return {m / 60 % 24, m % 60, std::chrono::steady_clock::now() + Millis(wait * 1000 - t.wMilliseconds)};
}

// The reminder armed for the minute and the shutdown for the one after, as the boxes
// hold them; local pictures only and no chime, so that nothing else speaks up.
void Arm(const Coming& at, const std::wstring& text) {
    auto two = [](int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    const int next = (at.hour * 60 + at.minute + 1) % 1440;
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1") && WriteSetting(L"justime", L"0") &&
                WriteSetting(L"tiptime", L"1") && WriteSetting(L"tiptime1", two(at.hour)) &&
                WriteSetting(L"tiptime2", two(at.minute)) && WriteSetting(L"tiptime3", text) &&
                WriteSetting(L"autoshut", L"1") && WriteSetting(L"shutime1", two(next / 60)) &&
                WriteSetting(L"shutime2", two(next % 60)));
}

TEST_F(ProductTest, TheTalkingClockThenTheReminderAndTheShutdownWarningAtTheirMinutes) {
    // The 24 recordings are in the program as mono PCM.
    for (const wchar_t* name :
         {L"CLOCK", L"CLOSE",  L"DAY", L"HOUR", L"JUST", L"MESSAGE", L"MINUTE", L"MONTH",
          L"NOW",   L"ONLINE", L"T0",  L"T1",   L"T10",  L"T2",      L"T3",     L"T4",
          L"T5",    L"T6",     L"T7",  L"T8",   L"T9",   L"TODAY",   L"WEEK",   L"YEAR"}) {
        const std::string bytes = Recording(name);
        ASSERT_GT(bytes.size(), 4000u) << name << ": no word fits in that";
        // As the recordings are made: the fmt chunk first, PCM (1) with one channel.
        EXPECT_EQ(bytes.substr(0, 4) + bytes.substr(8, 8), "RIFFWAVEfmt ") << name;
        EXPECT_EQ(bytes.substr(20, 4), std::string("\1\0\1\0", 4)) << name << " is no mono PCM";
    }

    // The reminder's minute comes after the click's announcement.
    const Coming at = NextMinute(150);
    Arm(at, L"开会 e2e");
    Listener ears;
    Product app;
    app.Start();
    // Once two minute boundaries have passed since start-up (the unit tests
    // check that a click before says nothing).
    WaitForMinute(MinuteNow() + 2);
    const LocalTime clicked = Now();
    std::int64_t before = ears.Position();
    Tray tray;
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 1; }) && tray.Click());
    ASSERT_EQ(MinuteSerial(Now()), MinuteSerial(clicked)) << "the click took a minute";
    // The pieces the program's own composition gives for that minute.
    std::vector<std::wstring> pieces;
    for (const auto& p : ComposeSpeech(clicked)) pieces.emplace_back(p.begin(), p.end());
    EXPECT_EQ(ears.Heard(pieces, before), "") << "the announcement for " << SpeechText(clicked);

    // The MESSAGE sound plays first, to its end (about 4 s), then the box shows.
    Listener reminded;
    Pump(at.In(-1500ms));
    before = reminded.Position();
    EXPECT_EQ(app.AnswerBox(IDOK, L"小闹钟", at.In(20s)), L"开会 e2e   ");
    EXPECT_LT(at.In().count(), 0) << "the box came early";
    EXPECT_GE(at.In().count(), -9000) << "the box came late";
    EXPECT_EQ(reminded.Heard({L"MESSAGE"}, before, 4s), "");

    // The warning and its sound at second 00; the program is quit before second 30
    // (that clearing the box keeps the computer on, the soak checks).
    Listener warned;
    Pump(at.In(58500ms));
    before = warned.Position();
    ASSERT_TRUE(BalloonShows(kWarning, at.In(70s)));
    EXPECT_LE(at.In(60s).count(), 500) << "the warning came early";
    EXPECT_GE(at.In(60s).count(), -3000) << "the warning came late";
    EXPECT_EQ(warned.Heard({L"CLOSE"}, before, 4s), "");
    app.OpenPanel();
    EXPECT_EQ(CheckState(app.Ctl(Check(2))), BST_UNCHECKED) << "the reminder stays on";
    app.Quit();
}

}  // namespace
