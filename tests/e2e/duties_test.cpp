// The reminder and the timed shutdown of the real program, at a coming minute.

#include <fstream>

#include "product.h"

using namespace e2e;

namespace {

std::wstring Two(int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); }

// The next whole minute at least `lead` seconds away, as the boxes hold it,
// and when it begins.
struct Coming {
    std::wstring hour, minute;
    std::chrono::steady_clock::time_point due;
    // The time from now until `d` after the minute began.
    Millis In(Millis d = 0ms) const {
        return std::chrono::duration_cast<Millis>(due + d - std::chrono::steady_clock::now());
    }
};
Coming NextMinute(int lead = 8) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    int h = t.wHour, m = t.wMinute + 1;
    int wait = 60 - t.wSecond;
    if (wait < lead) ++m, wait += 60;
    if (m >= 60) m -= 60, h = (h + 1) % 24;
    return {Two(h), Two(m), std::chrono::steady_clock::now() + Millis(wait * 1000 - t.wMilliseconds)};
}

// Reminder and shutdown settings for a start; local pictures only and no
// chime, so that nothing else speaks up.
void Arm(int box, const Coming& at, const std::wstring& text = L"") {
    WriteSetting(L"ppdir", L"1");
    WriteSetting(L"justime", L"0");
    WriteSetting(box == 2 ? L"tiptime" : L"autoshut", L"1");
    WriteSetting(box == 2 ? L"tiptime1" : L"shutime1", at.hour);
    WriteSetting(box == 2 ? L"tiptime2" : L"shutime2", at.minute);
    if (box == 2) WriteSetting(L"tiptime3", text);
}

TEST_F(ProductTest, AReminderMessageShowsAtItsMinuteAndSwitchesTheReminderOff) {
    Listener ears;
    const Coming at = NextMinute();
    Arm(2, at, L"开会 e2e");
    Product app;
    app.Start();
    Pump(at.In(-1500ms));
    const std::int64_t before = ears.Position();
    HWND box = app.FindBox(L"小闹钟", at.In(20s));
    ASSERT_NE(box, nullptr) << "no reminder";
    // The MESSAGE sound plays first, to its end (about 4 s).
    EXPECT_LT(at.In().count(), 0) << "the box came early";
    EXPECT_GE(at.In().count(), -8000) << "the box came late";
    EXPECT_EQ(Product::BoxText(box), L"开会 e2e   ");
    SaveScreenshot(nullptr, L"reminder");
    if (ears.On()) EXPECT_EQ(ears.HeardAlone(L"MESSAGE", before, 4s), "");
    Product::Press(box, IDOK);
    app.OpenPanel();
    EXPECT_EQ(CheckState(app.Ctl(ID_CHECK1_0 + 2)), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(app.Ctl(ID_TEXT1_0 + 1)) || IsWindowEnabled(app.Ctl(ID_TEXT1_0 + 2)));
    EXPECT_EQ(StoredSettings()[L"tiptime"].second, L"1");  // the stored setting stays
    app.Quit();
}

// The warning and its sound at second 00; the box cleared before second 30
// keeps the computer on.
TEST_F(ProductTest, TheShutdownWarningSoundsAtItsMinuteAndClearingTheBoxStopsTheShutdown) {
    Listener ears;
    // The notification area holds a new balloon until the one before, the
    // start-up greeting, has shown for 10 s.
    const Coming at = NextMinute(16);
    Arm(4, at);
    Product app;
    app.Start();
    Pump(at.In(-1500ms));
    const std::int64_t before = ears.Position();
    const std::wstring warning =
        L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自动关机时间!";
    ASSERT_TRUE(WaitUntil([&] { return BalloonShows(warning); }, at.In(10s)));
    EXPECT_LE(at.In().count(), 500) << "the warning came early";
    EXPECT_GE(at.In().count(), -3000) << "the warning came late";
    // The panel only once the sound is over: its making would compete with it.
    if (ears.On()) EXPECT_EQ(ears.HeardAlone(L"CLOSE", before, 4s), "");
    app.OpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(4))));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(app.Ctl(Check(4))) == BST_UNCHECKED; }));
    ASSERT_LT(at.In(-25s).count(), 0) << "too late to clear the box";
    Pump(at.In(40s));
    EXPECT_TRUE(app.Proc().Running()) << "the program ended although the box was cleared";
    app.Quit();
}

TEST_F(ProductTest, AReminderTargetIsOpenedWithNothingShown) {
    // A batch file, and an https address whose handler is a batch file too:
    // each leaves a mark with what it was given.
    Product app;
    const fs::path mark = app.Dir() / L"mark.txt";
    const fs::path bat = app.Box().Write(L"留 标记.bat", "@echo %* > \"%~dp0mark.txt\"\r\n");
    const std::wstring handler = L"\"" + bat.wstring() + L"\" \"%1\"";
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(handler.c_str()),
                   DWORD((handler.size() + 1) * 2));
    RegCloseKey(k);
    for (const std::wstring target : {bat.wstring(), std::wstring(L"https://example.invalid/e2e")}) {
        fs::remove(mark);
        const Coming at = NextMinute();
        Arm(2, at, target);
        app.Start();
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(mark) && fs::file_size(mark) > 0; }, at.In(20s)))
            << Narrow(target);
        EXPECT_EQ(app.FindBox(L"小闹钟", 1s), nullptr);
        std::ifstream in(mark);
        std::string said((std::istreambuf_iterator<char>(in)), {});
        if (target.starts_with(L"https"))
            EXPECT_NE(said.find("https://example.invalid/e2e"), std::string::npos) << said;
        app.Quit();
    }
}

// Run by tests/e2e/shutdown_check.sh in a Wine prefix of its own: the
// request ends the whole Wine session, this test with it. It arms the
// shutdown, writes when it saw the warning, and waits to be ended.
TEST_F(ProductTest, DISABLED_ShutdownInAPrefixOfItsOwn) {
    const Coming at = NextMinute(16);  // past the greeting's 10 s, as above
    Arm(4, at);
    Product app;
    app.Start();
    const char* out = std::getenv("E2E_SHUTDOWN_LOG");
    ASSERT_NE(out, nullptr);
    const std::wstring warning =
        L"自动关机时间已到，程序将在30秒后自动为你关机，请作好关机前的准备工作，否则请重新设置自动关机时间!";
    ASSERT_TRUE(WaitUntil([&] { return BalloonShows(warning); }, at.In(10s)));
    const auto now = [] {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    };
    std::ofstream log(out);
    log << "due " << std::stoi(Narrow(at.hour)) * 3600 + std::stoi(Narrow(at.minute)) * 60 << "\nwarned "
        << now() << std::endl;
    // The session may end this test with the program; if not, it notes when the program went.
    ASSERT_TRUE(app.Proc().WaitExit(60s)) << "still running after the shutdown second";
    log << "ended " << now() << std::endl;
}

}  // namespace
