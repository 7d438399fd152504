// Start-up with the stored settings, the tray icon and its popup menu, used the
// way a user does (clicks on the icon, then keys in the menu), and shutdown.

#include "product.h"

using namespace e2e;

namespace {

bool PressKey(HWND hwnd, UINT vk) {
    const LPARAM scan = LPARAM(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageW(hwnd, WM_KEYDOWN, vk, 1 | scan) &&
           PostMessageW(hwnd, WM_KEYUP, vk, 1 | scan | 0xC0000000);
}

// Chooses an item of the menu by its access key, or with Down `downs` times
// and Enter; keys go to the menu's own window.
bool Choose(HWND menu, wchar_t key, int downs = 0) {
    for (int i = 0; i < downs; ++i)
        if (!PressKey(menu, VK_DOWN)) return false;
    return PressKey(menu, downs ? VK_RETURN : LOBYTE(VkKeyScanW(key)));
}

TEST_F(ProductTest, FirstStartStoredSettingsTheTrayIconAndItsMenuSecondInstanceAndClose) {
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
    const DWORD pid = app.Proc().Pid();
    Tray tray;
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "no tray icon";
    EXPECT_TRUE(BalloonShows(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ", 60s));

    // Only the right button's release opens the menu, where the pointer is
    // (a place where it fits on the screen).
    const POINT pointer = {300, 200};
    auto openMenu = [&] {
        SetCursorPos(pointer.x, pointer.y);
        return tray.Click(true) ? FindTopWindow(pid, L"#32768", true, 5s) : nullptr;
    };
    for (UINT msg : {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONUP})
        ASSERT_TRUE(tray.Post(msg));
    EXPECT_EQ(FindTopWindow(pid, L"#32768", true, 1500ms), nullptr)
        << "a menu without a right-button release";
    HWND menu = openMenu();
    ASSERT_NE(menu, nullptr) << "a right click opens no menu";
    EXPECT_EQ(WindowRect(menu).left, pointer.x);
    EXPECT_EQ(WindowRect(menu).top, pointer.y);

    // The settings item swaps the icon for the window: captions, states (0
    // unchecked, 1 checked) and texts with whether they take input, the
    // defaults but for local pictures only.
    ASSERT_TRUE(Choose(menu, L's'));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Window()); })) << "no settings window";
    EXPECT_FALSE(IsIconic(app.Window()));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 0 && Balloons().empty(); }))
        << "the icon or its balloon stays while the window is open";
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

    // The link label is underlined while the pointer is over it, until the
    // pointer crosses the bare surface of its frame, not just another control.
    SetForegroundWindow(app.Window());
    HWND label = app.Ctl(ID_LABAPP);
    auto look = [&] { return CaptureScreen(WindowRect(label)).pixels; };
    ASSERT_TRUE(WaitUntil([&] {
        const auto pixels = look();
        return std::ranges::count(pixels, SysColor(COLOR_BTNFACE)) < std::ssize(pixels);
    })) << "the label shows nothing";
    const auto plain = look();
    const RECT frame = WindowRect(app.Ctl(ID_FRAME1_0));
    POINT bare = {frame.left + 6, frame.bottom - 6};  // a corner of the frame that no control covers
    ScreenToClient(app.Window(), &bare);
    ASSERT_EQ(Send(label, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)), 0);
    EXPECT_TRUE(WaitUntil([&] { return look() != plain; })) << "no underline under the pointer";
    ASSERT_EQ(Send(app.Ctl(Text1(0)), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)), 0);
    EXPECT_FALSE(WaitUntil([&] { return look() == plain; }, 1s)) << "another control took the underline away";
    ASSERT_EQ(Send(app.Window(), WM_MOUSEMOVE, 0, MAKELPARAM(bare.x, bare.y)), 0);
    EXPECT_TRUE(WaitUntil([&] { return look() == plain; })) << "the underline stays";

    // Cancel swaps back, with the greeting, the list being empty.
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    const std::wstring greeting = L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";
    EXPECT_TRUE(WaitUntil([&] { return Balloons() == std::vector{greeting}; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "no icon after Cancel";

    // About, by the arrow keys (separators are passed over): the name and version first.
    ASSERT_TRUE((menu = openMenu()) && Choose(menu, 0, 8));
    EXPECT_TRUE(app.AnswerBox(IDOK, L" 关于...").starts_with(L"晴窗画匣 V1.82\r\n\r\n"));

    // The picture folder opens in the file browser.
    ASSERT_TRUE((menu = openMenu()) && Choose(menu, L'f'));
    EXPECT_TRUE(WaitUntil([] { return FindWindowW(nullptr, L"Wallpaper") != nullptr; }))
        << "no folder window";

    // A second start ends at once and leaves the first, its icon, its files and the settings alone.
    app.Write(L"deskurl.ini", "x");
    const auto settings = ProgramSettings();
    Process second(app.Exe());
    ASSERT_TRUE(second.WaitExit(20s)) << "the second instance keeps running";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_EQ(ProgramSettings(), settings);
    EXPECT_EQ(tray.Icons(), 1);
    EXPECT_TRUE(app.Proc().Running());

    // Closing deletes the list and takes the icon along; what is stored stays as it was.
    ASSERT_TRUE(PostMessageW(app.Window(), WM_CLOSE, 0, 0));
    ASSERT_TRUE(app.Proc().WaitExit(10s));
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 0; })) << "a dead icon stays behind";
    const auto stored = ProgramSettings();
    EXPECT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored.at(L"justime").first, DWORD(REG_DWORD));
}

}  // namespace
