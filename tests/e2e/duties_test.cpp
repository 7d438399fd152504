// The reminder and the timed shutdown of the real program, at a coming minute.

#include "product.h"

using namespace e2e;

namespace {

const std::wstring kWarning =
    L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自动关机时间!";

// The next whole minute at least `lead` seconds away, and when it begins.
struct Coming {
    int hour, minute;
    std::chrono::steady_clock::time_point due;
    // The time from now until `d` after the minute began.
    Millis In(Millis d = 0ms) const {
        return std::chrono::duration_cast<Millis>(due + d - std::chrono::steady_clock::now());
    }
};
Coming NextMinute(int lead = 8) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    const int wait = 60 - t.wSecond + (60 - t.wSecond < lead ? 60 : 0),
              m = t.wHour * 60 + t.wMinute + (wait + 59) / 60;
    return {m / 60 % 24, m % 60, std::chrono::steady_clock::now() + Millis(wait * 1000 - t.wMilliseconds)};
}

// The reminder armed for the minute and the shutdown for the one after, as
// the boxes hold them; local pictures only and no chime, so that nothing else speaks up.
void Arm(const Coming& at, const std::wstring& text) {
    auto two = [](int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    const int next = (at.hour * 60 + at.minute + 1) % 1440;
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1") && WriteSetting(L"justime", L"0") && WriteSetting(L"tiptime", L"1") &&
                WriteSetting(L"tiptime1", two(at.hour)) && WriteSetting(L"tiptime2", two(at.minute)) &&
                WriteSetting(L"tiptime3", text) && WriteSetting(L"autoshut", L"1") &&
                WriteSetting(L"shutime1", two(next / 60)) && WriteSetting(L"shutime2", two(next % 60)));
}

// The shutdown's warning and its sound at second 00; the program is quit before
// second 30 (that clearing the box keeps the computer on, the soak checks).
TEST_F(ProductTest, TheReminderShowsAtItsMinuteAndSwitchesItselfOffThenTheShutdownWarns) {
    Listener ears;
    const Coming at = NextMinute();
    Arm(at, L"开会 e2e");
    Product app;
    app.Start();
    Pump(at.In(-1500ms));
    std::int64_t before = ears.Position();
    // The MESSAGE sound plays first, to its end (about 4 s).
    EXPECT_EQ(app.AnswerBox(IDOK, L"小闹钟", at.In(20s)), L"开会 e2e   ");
    EXPECT_LT(at.In().count(), 0) << "the box came early";
    EXPECT_GE(at.In().count(), -9000) << "the box came late";
    EXPECT_EQ(ears.Heard({L"MESSAGE"}, before, 4s), "");

    Listener later;
    Pump(at.In(58500ms));
    before = later.Position();
    ASSERT_TRUE(BalloonShows(kWarning, at.In(70s)));
    EXPECT_LE(at.In(60s).count(), 500) << "the warning came early";
    EXPECT_GE(at.In(60s).count(), -3000) << "the warning came late";
    EXPECT_EQ(later.Heard({L"CLOSE"}, before, 4s), "");
    app.OpenPanel();
    EXPECT_EQ(CheckState(app.Ctl(Check(2))), BST_UNCHECKED) << "the reminder stays on";
    app.Quit();
}

}  // namespace
