// The tray icon, its balloons and its popup menu in the real program, used
// the way a user does: clicks on the icon, then keys or clicks in the menu.

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "product.h"
#include "support/menu.h"

// After windows.h, which product.h brings in.
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const std::vector<std::wstring> kMenu = {
    L"设置(&S)...",  L"桌面属性(&D)",   L"收藏当前壁纸(&C)", L"打开壁纸目录(&F)", L"-",
    L"作者网站(&W)", L"给作者写信(&M)", L"帮助说明(&H)",     L"关于(&A)...",      L"-",
    L"退出(&Q)",
};
const wchar_t kFirstGreeting[] = L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ";
// Where the menu fits on the screen, so that it opens exactly there.
constexpr POINT kPointer = {300, 200};

// The texts of the balloons, or of the plain tips, that the notification area shows now.
std::vector<std::wstring> TrayTips(bool balloons) {
    struct Search {
        HWND tray;
        bool balloons;
        std::vector<std::wstring> texts;
    } s{FindWindowW(L"Shell_TrayWnd", nullptr), balloons, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL CALLBACK {
            auto* s = reinterpret_cast<Search*>(lp);
            const bool balloon = (GetWindowLongW(h, GWL_STYLE) & TTS_BALLOON) != 0;
            if (s->tray && GetWindow(h, GW_OWNER) == s->tray && ClassName(h) == TOOLTIPS_CLASSW &&
                balloon == s->balloons && IsWindowVisible(h))
                s->texts.push_back(Text(h));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.texts;
}
std::vector<std::wstring> Balloons() { return TrayTips(true); }

// Top-level windows of every process (no parent), or all controls inside `parent`.
std::vector<HWND> WindowsIn(HWND parent = nullptr) {
    std::vector<HWND> found;
    const WNDENUMPROC collect = [](HWND h, LPARAM lp) -> BOOL CALLBACK {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
        return TRUE;
    };
    parent ? EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&found))
           : EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Visible top-level windows of any process that pass the test.
std::vector<HWND> WindowsWhere(const std::function<bool(HWND)>& test) {
    std::vector<HWND> all = WindowsIn();
    std::erase_if(all, [&](HWND h) { return !IsWindowVisible(h) || !test(h); });
    return all;
}

// A point of the frame's bare surface, in its window's client coordinates:
// inside the frame and on no other visible control.
std::optional<POINT> BareSurfaceOf(HWND window, HWND frame) {
    const std::vector<HWND> controls = WindowsIn(window);
    const RECT f = WindowRect(frame);
    for (int y = f.bottom - 4; y > f.top + 4; y -= 2) {
        for (int x = f.left + 4; x < f.right - 4; x += 2) {
            const POINT p = {x, y};
            if (std::none_of(controls.begin(), controls.end(), [&](HWND c) {
                    const RECT r = WindowRect(c);
                    return c != frame && IsWindowVisible(c) && PtInRect(&r, p);
                })) {
                POINT client = p;
                ScreenToClient(window, &client);
                return client;
            }
        }
    }
    return std::nullopt;
}

// Closes a window that another program opened and waits until that program has ended.
bool CloseProgramOf(HWND window) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, ProcessOf(window));
    if (!process) return false;
    Close(window);
    bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process, 1);
    CloseHandle(process);
    return ended;
}

// Whether a program of that name that the process started runs now.
bool ChildRuns(DWORD parent, std::wstring_view exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found =
            entry.th32ParentProcessID == parent && _wcsicmp(entry.szExeFile, std::wstring(exe).c_str()) == 0;
    CloseHandle(snapshot);
    return found;
}

// True while the window answers a message within 100 ms.
bool AnswersAtOnce(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) != 0;
}

// The longest run of pixels in one row that are not the background.
int LongestInkRun(const Image& image, std::uint32_t background) {
    int best = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0, run = 0; x < image.width; ++x) {
            run = image.At(x, y) == background ? 0 : run + 1;
            best = std::max(best, run);
        }
    }
    return best;
}

class TrayTest : public ProductTest {
protected:
    // Starts the program and waits for its icon.
    void Start(Product& app) {
        Reference();  // shown before any menu of the program is open
        before_ = TrayIcons().size();
        app.Start();
        ASSERT_TRUE(WaitUntil([&] { return IconShown(); })) << "no tray icon after start-up";
    }
    // Ours is the first icon after those that were there before. While a
    // balloon is up, its stem over the next cell reads as one icon more.
    bool IconShown() const { return TrayIcons().size() > before_; }
    bool IconGone() const { return TrayIcons().size() == before_; }
    TrayIcon Icon() const {
        const auto icons = TrayIcons();
        return icons.size() > before_ ? icons[before_] : TrayIcon{};
    }

    // A right click on the icon, the pointer where the user left it; the menu it opens.
    HWND OpenMenu(Product& app, POINT pointer = kPointer) {
        SetCursorPos(pointer.x, pointer.y);
        if (!ClickTrayIcon(Icon(), true)) return nullptr;
        return FindPopupMenu(app.Proc().Pid(), 5s);
    }
    // The picture and item places of the menu the program should show at kPointer.
    const MenuPicture& Reference() {
        static const std::optional<MenuPicture> reference = ShowReferenceMenu(kMenu, kPointer);
        if (!reference) ADD_FAILURE() << "the reference menu could not be shown";
        static const MenuPicture none;
        return reference ? *reference : none;
    }
    RECT Item(int index) { return Reference().items.at(index); }

    bool WaitForGreeting(const std::wstring& text, size_t* most_at_once = nullptr) {
        return WaitUntil([&] {
            const auto shown = Balloons();
            if (most_at_once) *most_at_once = std::max(*most_at_once, shown.size());
            return shown.size() == 1 && shown[0] == text;
        });
    }

    size_t before_ = 0;
};

TEST_F(TrayTest, StartUpShowsTheIconWithTheFirstGreetingAndItsTip) {
    Product app;
    Start(app);
    size_t most = 0;
    EXPECT_TRUE(WaitForGreeting(kFirstGreeting, &most))
        << Narrow(TrayBalloonText().value_or(L"(no balloon)"));
    EXPECT_EQ(most, 1u) << "balloons come one at a time";
    EXPECT_FALSE(SaveScreenshot(nullptr, L"tray-greeting").empty());

    // Resting the pointer on the icon shows its tip.
    const TrayIcon icon = Icon();
    POINT at = icon.point;
    ClientToScreen(icon.window, &at);
    SetCursorPos(at.x, at.y);
    ASSERT_TRUE(PostTrayMouse(icon, WM_MOUSEMOVE));
    EXPECT_TRUE(WaitUntil([] { return TrayTips(false) == std::vector<std::wstring>{L"晴窗画匣 V1.82"}; }));
}

TEST_F(TrayTest, OnlyReleasingTheRightButtonOpensTheMenuAtThePointer) {
    Product app;
    Start(app);
    // A left click this soon after start-up says nothing; the program goes on answering at once.
    SetCursorPos(kPointer.x, kPointer.y);
    ASSERT_TRUE(ClickTrayIcon(Icon()));
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(AnswersAtOnce(app.Window())) << "busy after a left click, at " << i * 50 << " ms";
        Pump(50ms);
    }
    for (UINT msg :
         {WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP})
        ASSERT_TRUE(PostTrayMouse(Icon(), msg));
    EXPECT_EQ(FindPopupMenu(app.Proc().Pid(), 1500ms), nullptr) << "a menu without a right-button release";

    const DWORD clicked = GetTickCount();
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr) << "a right click opens no menu";
    EXPECT_LT(GetTickCount() - clicked, 1500u) << "the wait for no menu above was too short";
    const RECT r = WindowRect(menu);
    EXPECT_EQ(r.left, kPointer.x);
    EXPECT_EQ(r.top, kPointer.y);
    EXPECT_NE(MenuOf(menu), nullptr);
    // Same pixels as a menu with the expected captions, separators and access keys.
    const auto shown = SettledCapture(menu);
    ASSERT_TRUE(shown);
    const long differing = PixelsDiffering(*shown, Reference().image);
    if (differing != 0) {
        WritePng(*shown, ArtifactDir() / L"tray-menu-shown.png");
        WritePng(Reference().image, ArtifactDir() / L"tray-menu-expected.png");
    }
    EXPECT_EQ(differing, 0) << shown->width << "x" << shown->height << " against " << Reference().image.width
                            << "x" << Reference().image.height;
    // A click elsewhere closes it and chooses nothing.
    ASSERT_TRUE(ClickScreenAt({kPointer.x + 400, kPointer.y}));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); })) << "the menu stays open";
    EXPECT_EQ(FindMessageBox(app.Proc().Pid(), 500ms), nullptr);
    EXPECT_FALSE(Visible(app.Window()));
    EXPECT_TRUE(app.Proc().Running());

    // With the pointer on the icon the menu moves up to fit on the screen, still under the pointer.
    const TrayIcon icon = Icon();
    POINT at = icon.point;
    ClientToScreen(icon.window, &at);
    menu = OpenMenu(app, at);
    ASSERT_NE(menu, nullptr);
    const RECT near_icon = WindowRect(menu);
    EXPECT_TRUE(at.x >= near_icon.left && at.x <= near_icon.right && at.y >= near_icon.top &&
                at.y <= near_icon.bottom);
    EXPECT_TRUE(CloseMenu(menu));
}

TEST_F(TrayTest, TheSettingsItemSwapsTheIconForTheWindowAndOkOrCancelSwapsBack) {
    Product app;
    Start(app);
    ASSERT_TRUE(WaitForGreeting(kFirstGreeting));
    for (const bool ok : {false, true}) {
        HWND menu = OpenMenu(app);
        ASSERT_NE(menu, nullptr);
        // By access key the first time, by the arrow keys the second.
        ASSERT_TRUE(ok ? ChooseByArrows(menu, 1) : ChooseByAccessKey(menu, L's'));
        ASSERT_TRUE(WaitUntil([&] { return Visible(app.Window()); })) << "no settings window";
        EXPECT_FALSE(Minimized(app.Window()));
        EXPECT_FALSE(IsZoomed(app.Window()));
        EXPECT_TRUE(WaitUntil([&] { return IconGone(); })) << "the icon stays while the window is open";
        EXPECT_TRUE(WaitUntil([&] { return Balloons().empty(); })) << "the balloon stays without its icon";

        ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + (ok ? 0 : 1))));
        if (ok) app.AnswerBox(IDOK);
        ASSERT_TRUE(WaitUntil([&] { return !Visible(app.Window()); })) << (ok ? "OK" : "Cancel");
        EXPECT_TRUE(WaitUntil([&] { return IconShown(); })) << "no icon after " << (ok ? "OK" : "Cancel");
        // The list is still empty: the greeting that introduces the clicks.
        size_t most = 0;
        EXPECT_TRUE(WaitForGreeting(kFirstGreeting, &most)) << Narrow(TrayBalloonText().value_or(L"(none)"));
        EXPECT_EQ(most, 1u);
    }
}

TEST_F(TrayTest, KeepAndAboutShowTheirMessagesAndQuitLeavesNoIcon) {
    Product app;
    Start(app);
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ChooseByArrows(menu, 3));
    EXPECT_EQ(app.AnswerBox(IDOK), L"   当前壁纸原本属于本地图片，不需要收藏!   ");
    EXPECT_TRUE(fs::is_empty(app.Dir() / L"Wallpaper")) << "nothing is copied";

    menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ClickMenuItem(menu, Item(8)));
    const std::wstring about = app.AnswerBox(IDOK, L" 关于...");
    const std::wstring head = L"晴窗画匣 V1.82\r\n\r\n";
    ASSERT_EQ(about.substr(0, head.size()), head) << Narrow(about);
    std::vector<std::wstring> lines;
    for (size_t at = head.size(); at <= about.size();) {
        const size_t end = std::min(about.find(L"\r\n", at), about.size());
        lines.push_back(about.substr(at, end - at));
        at = end + 2;
    }
    EXPECT_EQ(lines.size(), 6u) << Narrow(about);
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(), [](const std::wstring& l) { return l.empty(); }));

    menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ChooseByAccessKey(menu, L'q'));
    ASSERT_TRUE(app.Proc().WaitExit(10s)) << "quit leaves the program running";
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return IconGone(); })) << "a dead icon stays behind";
}

TEST_F(TrayTest, TheFolderOpensInTheFileBrowserFromTheMenuAndFromTheLinkLabel) {
    Product app;
    Start(app);
    auto folderWindows = [&] {
        return WindowsWhere(
            [&](HWND h) { return ProcessOf(h) != app.Proc().Pid() && Text(h) == L"Wallpaper"; });
    };
    ASSERT_TRUE(folderWindows().empty());
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ClickMenuItem(menu, Item(3)));
    std::vector<HWND> opened;
    EXPECT_TRUE(WaitUntil([&] { return (opened = folderWindows()).size() == 1; })) << "no folder window";
    for (HWND w : opened) EXPECT_TRUE(CloseProgramOf(w));

    app.OpenPanel();
    HWND label = app.Ctl(ID_LABAPP);
    ASSERT_TRUE(PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)));
    ASSERT_TRUE(PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2)));
    EXPECT_TRUE(WaitUntil([&] { return (opened = folderWindows()).size() == 1; }))
        << "the label opens nothing";
    for (HWND w : opened) EXPECT_TRUE(CloseProgramOf(w));
}

TEST_F(TrayTest, DisplaySettingsAndHelpStartProgramsOfTheirOwn) {
    Product app({L"help.chm"}, L"晴窗 画匣");
    Start(app);
    // Wine has no display settings: rundll32 starts and ends at once, so look often.
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ChooseByArrows(menu, 2));
    EXPECT_TRUE(WaitUntil([&] { return ChildRuns(app.Proc().Pid(), L"rundll32.exe"); }, 5s, 1ms));
    EXPECT_EQ(FindMessageBox(app.Proc().Pid(), 500ms), nullptr);

    // The viewer reads its command line, and the file's title, in the ANSI code page.
    const std::wstring title = L"晴窗画匣 帮助";
    char gbk[64] = {};
    WideCharToMultiByte(936, 0, title.c_str(), -1, gbk, sizeof gbk, nullptr, nullptr);
    wchar_t shown_title[64] = {};
    MultiByteToWideChar(CP_ACP, 0, gbk, -1, shown_title, 64);
    auto viewers = [] { return WindowsWhere([](HWND h) { return ClassName(h) == L"HH Parent"; }); };
    ASSERT_TRUE(viewers().empty());
    menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ChooseByAccessKey(menu, L'h'));
    std::vector<HWND> opened;
    EXPECT_TRUE(WaitUntil([&] { return (opened = viewers()).size() == 1; })) << "no help viewer";
    for (HWND w : opened) {
        EXPECT_EQ(Text(w), shown_title) << Narrow(Text(w));
        EXPECT_TRUE(CloseProgramOf(w));
    }
    EXPECT_TRUE(AnswersAtOnce(app.Window())) << "the program waits for the viewer";
}

TEST_F(TrayTest, ANewNotificationAreaGetsTheIconBackQuietly) {
    Product app;
    Start(app);
    ASSERT_TRUE(WaitForGreeting(kFirstGreeting));
    // A shell that starts anew knows no icons: take ours away as its start does, then announce it.
    NOTIFYICONDATAW lost = {};
    lost.cbSize = sizeof lost;
    lost.hWnd = app.Window();
    lost.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    ASSERT_TRUE(WaitUntil([&] { return IconGone() && Balloons().empty(); }));
    const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return IconShown(); })) << "the icon did not come back";
    // No greeting again, and one announcement more does not make a second icon.
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_FALSE(WaitUntil([&] { return !Balloons().empty() || TrayIcons().size() > before_ + 1; }, 3s));
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr) << "the icon came back without its clicks";
    EXPECT_TRUE(CloseMenu(menu));
}

TEST_F(TrayTest, TheLinkLabelIsUnderlinedWhileThePointerIsOverIt) {
    Product app;
    Start(app);
    HWND menu = OpenMenu(app);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(ChooseByAccessKey(menu, L's'));
    ASSERT_TRUE(WaitUntil([&] { return Visible(app.Window()); }));
    SetForegroundWindow(app.Window());
    HWND label = app.Ctl(ID_LABAPP);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const std::uint32_t background = GetRValue(face) << 16 | GetGValue(face) << 8 | GetBValue(face);
    // The dots of "…" are short runs; an underline is one run as wide as all three.
    auto inkRun = [&] {
        const auto image = CaptureWindow(label);
        return image ? LongestInkRun(*image, background) : -1;
    };
    ASSERT_TRUE(WaitUntil([&] { return inkRun() > 0; })) << "the label shows nothing";
    const int plain = inkRun();
    auto underlined = [&] { return inkRun() > 2 * plain; };
    // Sent rather than posted, so that each has been handled when the call returns.
    auto moveOver = [](HWND hwnd, POINT at) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y), SMTO_ABORTIFHUNG, 2000,
                                   &result) != 0;
    };
    // The label lies inside the first frame.
    const auto surface = BareSurfaceOf(app.Window(), app.Ctl(ID_FRAME1_0));
    ASSERT_TRUE(surface);

    ASSERT_TRUE(moveOver(label, {2, 2}));
    EXPECT_TRUE(WaitUntil(underlined)) << "no underline while the pointer is over the label";
    ASSERT_TRUE(moveOver(app.Window(), *surface));
    EXPECT_TRUE(WaitUntil([&] { return inkRun() == plain; })) << "the underline stays over the frame";
    // Leaving straight onto another control keeps it until the frame's surface is crossed.
    ASSERT_TRUE(moveOver(label, {2, 2}));
    ASSERT_TRUE(WaitUntil(underlined));
    ASSERT_TRUE(moveOver(app.Ctl(ID_TEXT1_0), {2, 2}));
    EXPECT_FALSE(WaitUntil([&] { return !underlined(); }, 1s)) << "another control took the underline away";
    ASSERT_TRUE(moveOver(app.Window(), *surface));
    EXPECT_TRUE(WaitUntil([&] { return inkRun() == plain; }));
}

}  // namespace
