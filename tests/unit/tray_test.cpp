// The tray icon, its balloons and clicks, and the popup menu's commands.

#include "tray/tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "tray/menu.h"
#include "wallpaper/naming.h"
#include "wav_builder.h"

namespace {

const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kPictures = kAppDir + L"Wallpaper\\";
const std::wstring kSaved = L"  当前壁纸已被成功保存到";

struct App : FakeApp {
    explicit App(const LocalTime& start = MakeTime(2009, 3, 4, 10, 0, 0)) {
        // Each piece has its own length, so the joined image's size tells which moment was spoken.
        const char* const pieces[] = {"TODAY",  "YEAR", "MONTH", "DAY", "WEEK", "NOW", "HOUR",
                                      "MINUTE", "JUST", "T0",    "T1",  "T2",   "T3",  "T4",
                                      "T5",     "T6",   "T7",    "T8",  "T9",   "T10"};
        for (std::size_t i = 0; i < std::size(pieces); ++i)
            sys.wavs[pieces[i]] = wavtest::Pcm(8000, 8, wavtest::Bytes(2 * (i + 1), 0x80));
        sys.now = start;
        frm.Form_Load();
    }
    // True when the click at t spoke, and spoke the moment t.
    bool ClickAt(const LocalTime& t) {
        sys.now = t;
        sys.played.clear();
        frm.Form_MouseMove(mouse::kLeftUp);
        if (sys.played.empty()) return false;
        FakeSystem spoken;
        spoken.wavs = sys.wavs;
        SpeakTime(spoken, t);
        EXPECT_EQ(sys.played.size(), 1u);
        EXPECT_EQ(sys.played[0].bytes, spoken.played.at(0).bytes);
        return true;
    }
    // Item 2 with the entry at `selected` on the desktop and `current` as the last file worked on.
    void Keep(const std::vector<std::wstring>& entries, int selected, const std::wstring& current) {
        frm.Listurl.entries = entries;
        frm.Listurl.position = selected;
        frm.DownloadFile = current;
        ui.boxes.clear();
        frm.mnwall_Click(2);
    }
    std::wstring OnlyBox(const std::wstring& title = L"提示") const {
        EXPECT_EQ(ui.boxes.size(), 1u);
        if (ui.boxes.size() != 1) return L"<" + std::to_wstring(ui.boxes.size()) + L" boxes>";
        EXPECT_EQ(ui.boxes[0].style, mb::kOk + mb::kInformation);
        EXPECT_EQ(ui.boxes[0].title, title);
        return ui.boxes[0].text;
    }
};

LocalTime At(int h, int m, int s) { return MakeTime(2009, 3, 4, h, m, s); }

}  // namespace

TEST(Tray, EveryNoticeFillsTheWholeRecordAndFitsTheTextsWithoutCuttingPairs) {
    FakeApp a;
    EXPECT_EQ(a.frm.TrayData, TrayRecord{});  // all zero until the first call
    a.frm.ShowTrayTip(L"短", L"1");
    const TrayRecord expected{1, 1 + 2 + 4 + 16, 0x8001, true, L"晴窗画匣 V1.82", 0, 0, L"短",
                              0, L"温馨提示",    1};
    EXPECT_EQ(a.ui.tray.back().record, expected);
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kModify);
    const std::wstring pair{wchar_t(0xD83D), wchar_t(0xDE00)};
    const struct {
        std::wstring text;
        std::size_t capacity;
        std::wstring fitted;
    } cases[] = {{L"abc", 4, L"abc"},      {L"abcd", 4, L"abc"},
                 {L"ab" + pair, 4, L"ab"}, {L"a" + pair + L"b", 4, L"a" + pair},
                 {pair, 2, L""},           {std::wstring(L"ab\0cd", 5), 8, L"ab"},
                 {L"abc", 1, L""},         {L"abc", 0, L""}};
    for (const auto& c : cases) EXPECT_EQ(tray::FitField(c.text, c.capacity), c.fitted) << c.capacity;
    a.frm.ShowTrayTip(std::wstring(254, L'字') + pair + L"尾", L"1");
    EXPECT_EQ(a.frm.TrayData.szInfo, std::wstring(254, L'字'));
    const auto calls = a.ui.tray.size();
    a.frm.ShowTrayTip(L"x", L"2");  // not an action of notices
    EXPECT_EQ(a.ui.tray.size(), calls);
}

TEST(Tray, MinimisingHidesTheWindowAndGreetsByTheListCount) {
    for (int entries : {0, 1, 3}) {
        FakeApp a;
        a.ui.visible = true;
        a.frm.Listurl.entries.assign(entries, L"D:\\pics\\a.jpg");
        for (WindowState s : {WindowState::Normal, WindowState::Maximized}) {
            a.ui.state = s;
            a.frm.Form_Resize();
        }
        EXPECT_TRUE(a.ui.visible && a.ui.tray.empty());
        a.ui.state = WindowState::Minimized;
        a.frm.Form_Resize();
        EXPECT_FALSE(a.ui.visible);
        ASSERT_EQ(a.ui.tray.size(), 1u);
        EXPECT_EQ(a.ui.tray[0].action, tray_action::kAdd);
        EXPECT_EQ(a.ui.tray[0].record.szInfo, entries ? tray::kAgainGreeting : tray::kFirstGreeting);
    }
}

TEST(Tray, LeftClickSpeaksOnlyOnceTwoMinuteBoundariesHavePassedRightClickOpensTheMenu) {
    App late(At(10, 0, 59));
    EXPECT_FALSE(late.ClickAt(At(10, 1, 30)));
    EXPECT_TRUE(late.ClickAt(At(10, 2, 0)));
    EXPECT_FALSE(late.ClickAt(At(10, 3, 59)));  // the click that spoke restarts the wait
    EXPECT_TRUE(late.ClickAt(At(10, 4, 0)));
    App back(At(10, 5, 0));  // the clock set back: silent until two boundaries past again
    EXPECT_FALSE(back.ClickAt(At(9, 0, 0)));
    EXPECT_FALSE(back.ClickAt(At(10, 6, 59)));
    EXPECT_TRUE(back.ClickAt(At(10, 7, 0)));
    App midnight(MakeTime(2008, 12, 31, 23, 59, 30));
    EXPECT_FALSE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 0, 30)));
    EXPECT_TRUE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 1, 0)));

    App a;
    a.sys.now = At(11, 0, 0);  // a left click would speak now
    for (int event : {0, 512, 513, 515, 516, 518, 519, 520, 521}) a.frm.Form_MouseMove(event);
    EXPECT_EQ(a.ui.popups, 0);
    a.frm.Form_MouseMove(mouse::kRightUp);
    EXPECT_EQ(a.ui.popups, 1);
    EXPECT_TRUE(a.sys.played.empty());
    EXPECT_EQ(a.frm.LastSpeak.hour, 10);
}

TEST(Tray, ANoticeWhileTheWindowIsOpenIsLostAndANewShellGetsNoOldBalloon) {
    App a;
    a.frm.Listurl.entries = {L"http://pics.example/1.jpg"};
    a.frm.mnwall_Click(0);
    a.frm.ShowTrayTip(L"壁纸下载结束，现在开始为你定时更换壁纸!", L"1");
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    a.frm.TaskbarCreated();
    EXPECT_FALSE(a.ui.trayShown);
    a.frm.Cmdok_Click(1);
    ASSERT_TRUE(a.ui.trayShown);
    EXPECT_EQ(a.ui.tray.back().record.szInfo, tray::kAgainGreeting);
    a.ui.trayShown = false;  // the shell restarted
    a.frm.TaskbarCreated();
    ASSERT_TRUE(a.ui.trayShown);
    const TrayRecord& r = a.ui.tray.back().record;
    EXPECT_EQ(r.uFlags, tray::kFlags & ~nif::kInfo);
    EXPECT_EQ(r.szInfo, L"");
    EXPECT_EQ(r.szTip, L"晴窗画匣 V1.82");
}

TEST(Menu, SettingsRemembersTheBoxesAndSwapsTheIconForTheWindow) {
    App a;
    const int values[5] = {1, 2, 0, 0, 2};  // the reminder box would fall to the empty-field rule
    for (int i = 0; i < 5; ++i) a.ui.SetValue(Check1(i), values[i]);
    const int left = a.ui.left, top = a.ui.top;
    a.frm.mnwall_Click(0);
    EXPECT_EQ(a.ui.state, WindowState::Normal);
    EXPECT_TRUE(a.ui.visible);
    EXPECT_EQ(std::make_pair(a.ui.left, a.ui.top), std::make_pair(left, top));  // not moved
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kDelete);
    EXPECT_FALSE(a.ui.trayShown);
    for (int i = 0; i < 5; ++i) a.ui.SetValue(Check1(i), 0);
    a.frm.Cmdok_Click(1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ui.GetValue(Check1(i)), values[i]) << i;
}

TEST(Menu, ProgramsFolderPagesAboutAndQuit) {
    App a;
    a.frm.mnwall_Click(1);
    a.frm.mnwall_Click(7);
    a.sys.shortNames[kAppDir + L"help.chm"] = L"C:\\PROGRA~1\\4F9C~1\\help.chm";
    a.frm.mnwall_Click(7);  // a path the ANSI code page cannot carry goes by its short name
    EXPECT_EQ(a.sys.started,
              (std::vector<std::wstring>{L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                                         L"hh.exe \"" + kAppDir + L"help.chm\"",
                                         L"hh.exe \"C:\\PROGRA~1\\4F9C~1\\help.chm\""}));
    a.frm.mnwall_Click(3);
    a.frm.ControlClick(ID_LABAPP);
    a.frm.mnwall_Click(5);
    a.frm.mnwall_Click(6);
    EXPECT_EQ(a.ui.opened, (std::vector<std::wstring>{kPictures, kPictures, L"http://qingchuang.example/",
                                                      L"mailto:author@qingchuang.example"}));
    for (int index : {4, 9, 11, -1, 100}) a.frm.mnwall_Click(index);
    EXPECT_TRUE(a.ui.boxes.empty() && !a.ui.unloaded);
    a.frm.mnwall_Click(8);
    const std::wstring about = a.OnlyBox(L" 关于...");
    EXPECT_EQ(about.substr(0, 14), L"晴窗画匣 V1.82\r\n\r\n");
    EXPECT_EQ(std::count(about.begin(), about.end(), L'\n'), 7);
    EXPECT_EQ(menu::VersionLine(1, 5), L"晴窗画匣 V1.05");
    EXPECT_EQ(menu::VersionLine(2, 10), L"晴窗画匣 V2.10");
    a.frm.mnwall_Click(10);
    EXPECT_TRUE(a.ui.unloaded);
    // The link label underlines under the mouse and a frame takes it off.
    for (int frame : {ID_FRAME1_0, ID_FRAME1_0 + 1}) {
        a.frm.ControlMouseMove(ID_LABAPP);
        EXPECT_TRUE(a.ui.C(ID_LABAPP).underline);
        a.frm.ControlMouseMove(frame);
        EXPECT_FALSE(a.ui.C(ID_LABAPP).underline);
    }
}

TEST(Menu, KeepingTheWallpaperCopiesOnlyWebPicturesToTheFirstFreeNumber) {
    // Local pictures: the web prefix must start the entry; -1: nothing current.
    const std::pair<std::vector<std::wstring>, int> local[] = {{{L"D:\\pics\\a.jpg"}, 0},
                                                               {{L"ftp://pics.example/a.jpg"}, 0},
                                                               {{L" http://pics.example/a.jpg"}, 0},
                                                               {{L"http://pics.example/a.jpg"}, -1},
                                                               {{}, -1}};
    for (const auto& [list, selected] : local) {
        App a;
        a.sys.files.insert(kPictures + L"Tirnaco0.jpg");
        a.Keep(list, selected, kPictures + L"Tirnaco0.jpg");
        EXPECT_EQ(a.OnlyBox(), L"   当前壁纸原本属于本地图片，不需要收藏!   ");
        EXPECT_TRUE(a.sys.copies.empty());
    }
    const struct {
        std::wstring entry;
        std::vector<int> taken;
        std::wstring target;
    } web[] = {
        {L"http://pics.example/sea.jpg", {10, 11, 12}, L"Tirnaco13.jpg"},
        {L"https://pics.example/sea.jpg", {}, L"Tirnaco10.jpg"},
        {L"http://pics.example/hill.bmp", {10, 12}, L"Tirnaco11.bmp"},
    };
    for (const auto& c : web) {
        App a;
        a.sys.files.insert(kPictures + L"Tirnaco1.jpg");
        for (int n : c.taken)
            a.sys.files.insert(kPictures + L"Tirnaco" + std::to_wstring(n) + wallpaper::LastFour(c.entry));
        a.Keep({L"http://pics.example/0.jpg", c.entry}, 1, kPictures + L"Tirnaco1.jpg");
        EXPECT_EQ(a.sys.copies,
                  (std::vector{std::make_pair(kPictures + L"Tirnaco1.jpg", kPictures + c.target)}));
        EXPECT_EQ(a.OnlyBox(), kSaved + kPictures + c.target + L"   ");
    }
    // Before any change since the list was fetched, the position names the source.
    App a;
    a.sys.files.insert(kPictures + L"Tirnaco1.bmp");
    a.Keep({L"http://p.example/0.jpg", L"http://p.example/1.bmp"}, 1, kAppDir + L"deskurl.ini");
    EXPECT_EQ(a.sys.copies,
              (std::vector{std::make_pair(kPictures + L"Tirnaco1.bmp", kPictures + L"Tirnaco10.bmp")}));
    // A failed copy, no source, every number taken: reported, nothing named.
    for (int why = 0; why < 3; ++why) {
        App f;
        f.sys.files.insert(kPictures + L"Tirnaco0.jpg");
        f.sys.failCopies = why == 0;
        if (why == 2)
            for (int n = 10; n <= 32767; ++n)
                f.sys.files.insert(kPictures + L"Tirnaco" + std::to_wstring(n) + L".jpg");
        const auto files = f.sys.files;
        f.Keep({L"http://pics.example/sea.jpg"}, 0, why == 1 ? L"" : kPictures + L"Tirnaco0.jpg");
        EXPECT_EQ(f.OnlyBox(), L"  当前壁纸保存失败，请检查壁纸目录是否可写!   ") << why;
        EXPECT_EQ(f.sys.files, files) << why;
    }
}
