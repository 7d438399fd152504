// Start-up, the stored settings and shutdown of the real program.

#include "product.h"

using namespace e2e;

namespace {

TEST_F(ProductTest, FirstStartStoredSettingsSecondInstanceAndClose) {
    // Values that are no text count as missing; a long one is read whole.
    const DWORD zero = 0;
    const std::wstring huge(1 << 20, L'提');
    ASSERT_TRUE(WriteSetting(L"justime", REG_DWORD, &zero, sizeof zero) &&
                WriteSetting(L"tiptime2", REG_BINARY, "\1\2\3", 3) && WriteSetting(L"tiptime3", huge));
    Product app;
    app.Write(L"deskurl.ini", "http://127.0.0.1/left-over.jpg\r\n");
    app.Start();
    EXPECT_EQ(Text(app.Window()), L"   晴窗画匣 V1.82  设计：晴窗工作室");
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini")) << "a left-over list stays";
    EXPECT_TRUE(fs::is_directory(app.Dir() / L"Wallpaper"));
    // Hidden in the tray. Online, the list server refuses: after its tries,
    // local pictures only, and their search is the last notice. (Wine's
    // notification area shows only the newest of balloons that come within
    // its first seconds, so the greeting is checked when the window goes again.)
    EXPECT_FALSE(IsWindowVisible(app.Window()));
    EXPECT_TRUE(WaitUntil([] { return Tray().Icons() == 1; })) << "no tray icon";
    EXPECT_TRUE(BalloonShows(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ", 60s));

    // The panel: captions, states (0 unchecked, 1 checked) and texts with
    // whether they take input, the defaults but for local pictures only; the
    // tick fills the calendar.
    app.OpenPanel();
    std::wstring shown;
    for (int i = 0; i < 5; ++i)
        shown += Text(app.Ctl(Check(i))) + L"=" + std::to_wstring(CheckState(app.Ctl(Check(i)))) + L";";
    for (int i = 0; i < 6; ++i)
        if (i != 3)
            shown +=
                Text(app.Ctl(Text1(i))) + L"=" + std::to_wstring(IsWindowEnabled(app.Ctl(Text1(i)))) + L";";
    EXPECT_EQ(shown,
              L"随机显示=0;仅使用本地图片=1;定时提醒          时          分=0;整点响铃=1;"
              L"自动关机          时          分=0;5=1;=0;=0;17=0;30=0;");
    EXPECT_TRUE(Text(app.Ctl(Text1(3))) == huge);
    const LocalTime now = Now();
    wchar_t month[16];
    swprintf(month, 16, L"%04d年%02d月", now.year, now.month);
    EXPECT_EQ(Text(app.Ctl(ID_LABDAY_0)), month);

    // Cancel hides the window again with the greeting, the list being empty.
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    const std::wstring greeting = L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";
    EXPECT_TRUE(WaitUntil([&] { return Balloons() == std::vector{greeting}; }, 10s));

    // A second start ends at once and leaves the first and its files alone.
    app.Write(L"deskurl.ini", "x");
    Process second(app.Exe());
    ASSERT_TRUE(second.WaitExit(60s)) << "the second instance keeps running";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(app.Proc().Running());

    // Closing deletes the list and takes the icon along; what is stored stays as it was.
    ASSERT_TRUE(PostMessageW(app.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(app.Proc().WaitExit(10s));
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(WaitUntil([] { return Tray().Icons() == 0; })) << "a dead icon stays behind";
    const auto stored = ProgramSettings();
    EXPECT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored.at(L"justime").first, DWORD(REG_DWORD));
}

}  // namespace
