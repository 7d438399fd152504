// The tray icon and its popup menu in the real program, used the way a user
// does: clicks on the icon, then keys in the menu.

#include <algorithm>
#include <string>
#include <vector>

#include "product.h"

// After windows.h, which product.h brings in.
#include <shellapi.h>

using namespace e2e;

namespace {

// Where the menu fits on the screen, so that it opens right there.
constexpr POINT kPointer = {300, 200};

bool PressKey(HWND hwnd, UINT vk) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return PostMessageW(hwnd, WM_KEYDOWN, vk, 1 | scan) &&
           PostMessageW(hwnd, WM_KEYUP, vk, 1 | scan | static_cast<LPARAM>(0xC0000000));
}

// Chooses an item of the menu by its access key, or with Down `downs` times
// and Enter (separators are passed over); keys go to the menu's own window.
bool Choose(HWND menu, wchar_t key, int downs = 0) {
    for (int i = 0; i < downs; ++i)
        if (!PressKey(menu, VK_DOWN)) return false;
    return PressKey(menu, downs ? VK_RETURN : LOBYTE(VkKeyScanW(key)));
}

// Visible windows of other processes than `ours` titled `title`.
std::vector<HWND> WindowsTitled(DWORD ours, const std::wstring& title) {
    std::vector<HWND> found;
    ForEachWindow(nullptr, [&](HWND h) {
        if (IsWindowVisible(h) && ProcessOf(h) != ours && Text(h) == title) found.push_back(h);
        return true;
    });
    return found;
}

// The longest run of pixels in one row that are not the background.
int LongestInkRun(HWND window, std::uint32_t background) {
    const auto image = CaptureScreen(WindowRect(window));
    int best = -1;
    for (int y = 0; image && y < image->height; ++y)
        for (int x = 0, run = 0; x < image->width; ++x)
            best = std::max(best, run = image->At(x, y) == background ? 0 : run + 1);
    return best;
}

TEST_F(ProductTest, TheTrayIconAndItsMenu) {
    const size_t before = TrayIcons().size();
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));  // no list server to wait for
    Product app;
    app.Start();
    const DWORD pid = app.Proc().Pid();
    auto icon = [&] {
        const auto icons = TrayIcons();
        return icons.size() > before ? icons[before] : TrayIcon{};
    };
    ASSERT_TRUE(WaitUntil([&] { return icon().window != nullptr; })) << "no tray icon";
    ASSERT_TRUE(WaitUntil([] { return Balloons().size() == 1; })) << "no greeting";
    auto openMenu = [&] {
        SetCursorPos(kPointer.x, kPointer.y);
        return ClickTrayIcon(icon(), true) ? FindTopWindow(pid, L"#32768", true, 5s) : nullptr;
    };

    // Only the right button's release opens the menu, where the pointer is.
    for (UINT msg : {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONUP})
        ASSERT_TRUE(PostTrayMouse(icon(), msg));
    EXPECT_EQ(FindTopWindow(pid, L"#32768", true, 1500ms), nullptr)
        << "a menu without a right-button release";
    HWND menu = openMenu();
    ASSERT_NE(menu, nullptr) << "a right click opens no menu";
    EXPECT_EQ(WindowRect(menu).left, kPointer.x);
    EXPECT_EQ(WindowRect(menu).top, kPointer.y);

    // The settings item swaps the icon for the window; Cancel swaps back.
    ASSERT_TRUE(Choose(menu, L's'));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(app.Window()); })) << "no settings window";
    EXPECT_FALSE(IsIconic(app.Window()));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == before && Balloons().empty(); }))
        << "the icon or its balloon stays while the window is open";
    // The link label is underlined while the pointer is over it, until the
    // pointer crosses the bare surface of its frame, not just another control.
    SetForegroundWindow(app.Window());
    HWND label = app.Ctl(ID_LABAPP);
    const std::uint32_t face = SysColor(COLOR_BTNFACE);
    ASSERT_TRUE(WaitUntil([&] { return LongestInkRun(label, face) > 0; })) << "the label shows nothing";
    const int plain =
        LongestInkRun(label, face);  // the dots of "…" are short runs; an underline is as wide as all
    auto underlined = [&] { return LongestInkRun(label, face) > 2 * plain; };
    auto moveOver = [](HWND hwnd, POINT at) {  // sent: handled when it returns
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y), SMTO_ABORTIFHUNG, 2000,
                                   &r) != 0;
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
    EXPECT_TRUE(WaitUntil([&] { return icon().window != nullptr; })) << "no icon after Cancel";

    // Keeping the wallpaper: the third item, by the arrow keys.
    ASSERT_NE((menu = openMenu()), nullptr);
    ASSERT_TRUE(Choose(menu, 0, 3));
    EXPECT_EQ(app.AnswerBox(IDOK), L"   当前壁纸原本属于本地图片，不需要收藏!   ");
    EXPECT_TRUE(fs::is_empty(app.Dir() / L"Wallpaper")) << "nothing is copied";

    // About: the name and version, then six lines, none empty.
    ASSERT_NE((menu = openMenu()), nullptr);
    ASSERT_TRUE(Choose(menu, L'a'));
    const std::wstring about = app.AnswerBox(IDOK, L" 关于...");
    const std::wstring head = L"晴窗画匣 V1.82\r\n\r\n";
    ASSERT_EQ(about.substr(0, head.size()), head) << about;
    const std::wstring body = about.substr(head.size());
    EXPECT_EQ(std::count(body.begin(), body.end(), L'\n'), 5) << about;
    EXPECT_EQ((L"\r\n" + body + L"\r\n").find(L"\r\n\r\n"), std::wstring::npos) << "an empty line";

    // The picture folder opens in the file browser.
    ASSERT_TRUE(WindowsTitled(pid, L"Wallpaper").empty());
    ASSERT_NE((menu = openMenu()), nullptr);
    ASSERT_TRUE(Choose(menu, L'f'));
    EXPECT_TRUE(WaitUntil([&] { return WindowsTitled(pid, L"Wallpaper").size() == 1; }))
        << "no folder window";
    for (HWND w : WindowsTitled(pid, L"Wallpaper")) PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return WindowsTitled(pid, L"Wallpaper").empty(); }));

    // A shell that starts anew knows no icons: take ours away as its start
    // does, then announce it. The icon comes back once, without a greeting.
    NOTIFYICONDATAW lost = {sizeof lost, app.Window(), 1};
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    ASSERT_TRUE(WaitUntil([&] { return TrayIcons().size() == before && Balloons().empty(); }));
    const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return icon().window != nullptr; })) << "the icon did not come back";
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_FALSE(WaitUntil([&] { return !Balloons().empty() || TrayIcons().size() > before + 1; }, 3s));

    // Quit from the menu leaves no icon behind.
    ASSERT_NE((menu = openMenu()), nullptr) << "the icon came back without its clicks";
    ASSERT_TRUE(Choose(menu, L'q'));
    ASSERT_TRUE(app.Proc().WaitExit(10s)) << "quit leaves the program running";
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == before; })) << "a dead icon stays behind";
}

}  // namespace
