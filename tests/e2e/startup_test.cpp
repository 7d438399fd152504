// Start-up, the stored settings and shutdown of the real program.

#include <string>

#include "product.h"

using namespace e2e;

namespace {

const wchar_t kFirstGreeting[] = L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";

TEST_F(ProductTest, FirstStartSecondInstanceAndQuit) {
    const size_t icons_before = TrayIcons().size();
    Product app;
    app.Box().Write(L"deskurl.ini", "http://127.0.0.1/left-over.jpg\r\n");
    app.Start();
    HWND w = app.Window();
    EXPECT_EQ(Text(w), L"   晴窗画匣 V1.82  设计：晴窗工作室");
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini")) << "a left-over list stays";
    EXPECT_TRUE(fs::is_directory(app.Dir() / L"Wallpaper"));
    // Hidden in the tray. Online, the list server refuses: after its tries,
    // local pictures only, and their search is the last notice. (Wine's
    // notification area shows only the newest of balloons that come within
    // its first seconds, so the greeting is checked when the window goes again.)
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons_before + 1; })) << "no tray icon";
    EXPECT_TRUE(WaitUntil(
        [] { return BalloonShows(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! "); }, 60s));
    EXPECT_TRUE(ProgramSettings().empty()) << "starting stores settings";

    // The panel shows the defaults but for local pictures only; the tick keeps the calendar and clock
    // current.
    app.OpenPanel();
    const wchar_t* captions[] = {L"随机显示", L"仅使用本地图片", L"定时提醒          时          分",
                                 L"整点响铃", L"自动关机          时          分"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Text(app.Ctl(Check(i))), captions[i]) << i;
        EXPECT_EQ(CheckState(app.Ctl(Check(i))), i == 3 || i == 1 ? BST_CHECKED : BST_UNCHECKED) << i;
    }
    const wchar_t* texts[] = {L"5", L"", L"", L"在此输入提醒内容", L"17", L"30"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Text(app.Ctl(Text1(i))), texts[i]) << i;
        EXPECT_EQ(IsWindowEnabled(app.Ctl(Text1(i))) != FALSE, i == 0 || i == 3) << i;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t month[16];
    swprintf(month, 16, L"%04d年%02d月", now.wYear, now.wMonth);
    EXPECT_EQ(Text(app.Ctl(ID_LABDAY_0)), month);
    EXPECT_EQ(Text(app.Ctl(ID_LABDAY_0 + 1)), std::to_wstring(now.wDay));
    const std::wstring clock = Text(app.Ctl(ID_LABDAY_0 + 2));
    EXPECT_TRUE(WaitUntil([&] { return Text(app.Ctl(ID_LABDAY_0 + 2)) != clock; }, 3s))
        << "the clock stands still";

    // Cancel hides the window again with the greeting, the list being empty.
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    EXPECT_TRUE(WaitUntil([] { return Balloons() == std::vector<std::wstring>{kFirstGreeting}; }, 10s));
    EXPECT_TRUE(SaveScreenshot(nullptr, L"tray-greeting"));

    // A second start ends at once and leaves the first and its files alone.
    app.Box().Write(L"deskurl.ini", "x");
    Process second;
    second.Start(app.Exe());
    ASSERT_TRUE(second.WaitExit(60s)) << "the second instance keeps running";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(app.Proc().Running());

    // Quitting deletes the list and takes the icon along.
    app.Quit();
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == icons_before; })) << "a dead icon stays behind";
}

TEST_F(ProductTest, BadStoredSettingsHurtOnlyTheirOwnControlsAndClosingEndsCleanly) {
    ASSERT_TRUE(WriteSetting(L"rndshow", L"abc"));  // no number: the design's state
    ASSERT_TRUE(WriteSetting(L"ppdir", L"2"));      // greyed
    ASSERT_TRUE(WriteSetting(L"tiptime", L" 1 "));  // checked, its boxes enabled
    const DWORD zero = 0;
    ASSERT_TRUE(WriteSetting(L"justime", REG_DWORD, &zero, sizeof zero));  // not text: the default
    ASSERT_TRUE(WriteSetting(L"autoshut", L"1.5"));   // rounds to 2: greyed, its boxes stay off
    ASSERT_TRUE(WriteSetting(L"chgtime", L"12345"));  // longer than typing lets the box take
    ASSERT_TRUE(WriteSetting(L"tiptime1", L"08"));
    ASSERT_TRUE(WriteSetting(L"tiptime2", REG_BINARY, "\1\2\3", 3));  // not text: the default
    const std::wstring huge(1 << 20, L'提');
    ASSERT_TRUE(WriteSetting(L"tiptime3", huge));
    ASSERT_TRUE(WriteSetting(L"shutime1", L"开会"));  // shutime2 missing

    Product app;
    app.Start();
    app.OpenPanel();
    const int states[] = {BST_UNCHECKED, BST_INDETERMINATE, BST_CHECKED, BST_CHECKED, BST_INDETERMINATE};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CheckState(app.Ctl(Check(i))), states[i]) << i;
    const bool enabled[] = {true, true, true, true, false, false};
    const std::wstring texts[] = {L"12345", L"08", L"", huge, L"开会", L"30"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(IsWindowEnabled(app.Ctl(Text1(i))) != FALSE, enabled[i]) << i;
        EXPECT_TRUE(Text(app.Ctl(Text1(i))) == texts[i]) << i;
    }

    app.Box().Write(L"deskurl.ini", "x");
    ASSERT_TRUE(PostMessageW(app.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(app.Proc().WaitExit(10s));
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
    // Reading never rewrites what is stored.
    const auto stored = ProgramSettings();
    EXPECT_EQ(stored.at(L"rndshow").second, L"abc");
    EXPECT_EQ(stored.at(L"justime").first, static_cast<DWORD>(REG_DWORD));
}

}  // namespace
