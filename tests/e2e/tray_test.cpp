// The tray icon and its popup menu in the real program, used the way a user
// does: clicks on the icon, then keys in the menu.

#include "product.h"

// After windows.h, which product.h brings in.
#include <shellapi.h>

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

// A visible window of another process than `ours` titled `title`.
bool OtherWindowTitled(DWORD ours, const std::wstring& title) {
    bool found = false;
    ForEachWindow(nullptr, [&](HWND h) {
        return !(found = IsWindowVisible(h) && ProcessOf(h) != ours && Text(h) == title);
    });
    return found;
}

// The longest run of pixels in one row that are not the background.
int LongestInkRun(HWND window, std::uint32_t background) {
    const Image image = CaptureScreen(WindowRect(window));
    int best = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0, run = 0; x < image.width; ++x)
            best = std::max(best, run = image.At(x, y) == background ? 0 : run + 1);
    return best;
}

TEST_F(ProductTest, TheTrayIconAndItsMenu) {
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));  // no list server to wait for
    Product app;
    app.Start();
    const DWORD pid = app.Proc().Pid();
    Tray tray;
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "no tray icon";
    ASSERT_TRUE(WaitUntil([] { return Balloons().size() == 1; })) << "no greeting";
    // Where the menu fits on the screen, so that it opens right there.
    const POINT pointer = {300, 200};
    auto openMenu = [&] {
        SetCursorPos(pointer.x, pointer.y);
        return tray.Click(true) ? FindTopWindow(pid, L"#32768", true, 5s) : nullptr;
    };

    // Only the right button's release opens the menu, where the pointer is.
    for (UINT msg : {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONUP})
        ASSERT_TRUE(tray.Post(msg));
    EXPECT_EQ(FindTopWindow(pid, L"#32768", true, 1500ms), nullptr)
        << "a menu without a right-button release";
    HWND menu = openMenu();
    ASSERT_NE(menu, nullptr) << "a right click opens no menu";
    EXPECT_EQ(WindowRect(menu).left, pointer.x);
    EXPECT_EQ(WindowRect(menu).top, pointer.y);

    // The settings item swaps the icon for the window; Cancel swaps back.
    ASSERT_TRUE(Choose(menu, L's'));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Window()); })) << "no settings window";
    EXPECT_FALSE(IsIconic(app.Window()));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 0 && Balloons().empty(); }))
        << "the icon or its balloon stays while the window is open";
    // The link label is underlined while the pointer is over it, until the
    // pointer crosses the bare surface of its frame, not just another control.
    SetForegroundWindow(app.Window());
    HWND label = app.Ctl(ID_LABAPP);
    const std::uint32_t face = SysColor(COLOR_BTNFACE);
    ASSERT_TRUE(WaitUntil([&] { return LongestInkRun(label, face) > 0; })) << "the label shows nothing";
    // The dots of "…" are short runs; an underline is as wide as all.
    const int plain = LongestInkRun(label, face);
    auto underlined = [&] { return LongestInkRun(label, face) > 2 * plain; };
    auto moveOver = [](HWND hwnd, POINT at) {
        return Send(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y)) == 0;
    };
    const RECT frame = WindowRect(app.Ctl(ID_FRAME1_0));
    POINT bare = {frame.left + 6, frame.bottom - 6};  // a corner of the frame that no control covers
    ScreenToClient(app.Window(), &bare);
    ASSERT_TRUE(moveOver(label, {2, 2}));
    EXPECT_TRUE(WaitUntil(underlined)) << "no underline under the pointer";
    ASSERT_TRUE(moveOver(app.Ctl(Text1(0)), {2, 2}));
    EXPECT_FALSE(WaitUntil([&] { return !underlined(); }, 1s)) << "another control took the underline away";
    ASSERT_TRUE(moveOver(app.Window(), bare));
    EXPECT_TRUE(WaitUntil([&] { return LongestInkRun(label, face) == plain; })) << "the underline stays";
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); }));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "no icon after Cancel";

    // About, by the arrow keys (separators are passed over): the name and version first.
    ASSERT_TRUE((menu = openMenu()) && Choose(menu, 0, 8));
    EXPECT_TRUE(app.AnswerBox(IDOK, L" 关于...").starts_with(L"晴窗画匣 V1.82\r\n\r\n"));

    // The picture folder opens in the file browser.
    ASSERT_TRUE((menu = openMenu()) && Choose(menu, L'f'));
    EXPECT_TRUE(WaitUntil([&] { return OtherWindowTitled(pid, L"Wallpaper"); })) << "no folder window";

    // A shell that starts anew knows no icons: take ours away as its start
    // does, then announce it. The icon comes back once, without a greeting.
    NOTIFYICONDATAW lost = {sizeof lost, app.Window(), 1};
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 0 && Balloons().empty(); }));
    const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "the icon did not come back";
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_FALSE(WaitUntil([&] { return !Balloons().empty() || tray.Icons() > 1; }, 3s));

    // Quit from the menu ends the program.
    ASSERT_TRUE((menu = openMenu()) && Choose(menu, L'q')) << "the icon came back without its clicks";
    ASSERT_TRUE(app.Proc().WaitExit(10s)) << "quit leaves the program running";
}

}  // namespace
