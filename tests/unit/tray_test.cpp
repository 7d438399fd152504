// The tray icon, its balloons and clicks, and the popup menu's commands.

#include "tray/tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "sound/speech.h"
#include "tray/menu.h"

namespace {

const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kPictures = kAppDir + L"Wallpaper\\";

struct App : FakeApp {
    explicit App(const LocalTime& start = MakeTime(2009, 3, 4, 10, 0, 0)) {
        sys.now = start;
        frm.Form_Load();
    }
    // True when the click at t spoke.
    bool ClickAt(const LocalTime& t) {
        for (const auto& piece : ComposeSpeech(t)) sys.wavs[piece] = Silence();
        sys.now = t;
        sys.played.clear();
        frm.Form_MouseMove(mouse::kLeftUp);
        return !sys.played.empty();
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

TEST(Tray, EveryNoticeFillsTheWholeRecord) {
    FakeApp a;
    a.frm.ShowTrayTip(L"短", L"1");
    const TrayRecord expected{1, 1 + 2 + 4 + 16, 0x8001, true, L"晴窗画匣 V1.82", 0, 0, L"短",
                              0, L"温馨提示",    1};
    EXPECT_EQ(a.ui.tray.back().record, expected);
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kModify);
}

TEST(Tray, LeftClickSpeaksOnlyOnceTwoMinuteBoundariesHavePassedRightClickOpensTheMenu) {
    App late(At(10, 0, 59));
    EXPECT_FALSE(late.ClickAt(At(10, 1, 30)));
    EXPECT_TRUE(late.ClickAt(At(10, 2, 0)));
    EXPECT_FALSE(late.ClickAt(At(10, 3, 59)));  // the click that spoke restarts the wait
    EXPECT_TRUE(late.ClickAt(At(10, 4, 17)));
    App back(At(10, 5, 0));  // the clock set back: silent until two boundaries past again
    EXPECT_FALSE(back.ClickAt(At(9, 0, 0)));
    EXPECT_FALSE(back.ClickAt(At(10, 6, 59)));
    EXPECT_TRUE(back.ClickAt(At(10, 7, 0)));
    App midnight(MakeTime(2008, 12, 31, 23, 59, 30));
    EXPECT_FALSE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 0, 30)));
    EXPECT_TRUE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 1, 0)));

    App a;
    a.sys.now = At(11, 0, 0);  // a left click would speak now
    a.frm.Form_MouseMove(mouse::kRightUp);
    EXPECT_EQ(a.ui.popups, 1);
    EXPECT_TRUE(a.ClickAt(At(11, 0, 0))) << "the right click spoke";
}

TEST(Tray, ANoticeOrANewShellWhileTheWindowIsOpenShowsNothing) {
    App a;
    a.frm.Listurl.entries = {L"http://pics.example/1.jpg"};
    a.frm.mnwall_Click(menu::kSettings);
    a.frm.ShowTrayTip(L"壁纸下载结束，现在开始为你定时更换壁纸!", L"1");
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    a.frm.TaskbarCreated();
    EXPECT_FALSE(a.ui.trayShown);
    a.frm.Cmdok_Click(1);
    ASSERT_TRUE(a.ui.trayShown);
    EXPECT_EQ(a.ui.tray.back().record.szInfo, tray::kAgainGreeting);
}

TEST(Tray, ARefusedFirstAddIsTriedAgainForAMinuteAndNeverTwiceAtOnce) {
    auto adds = [](const FakeWindow& ui) { return std::ranges::count(ui.tray, 0, &TrayCall::action); };
    for (int ticksBeforeTheShell : {3, tray::kAddRetries + 10}) {
        FakeApp a;
        a.ui.shellReady = false;  // the shell is not up yet at log-on
        a.frm.Form_Load();
        for (int i = 0; i < ticksBeforeTheShell; ++i) a.frm.Timer3_Timer();
        EXPECT_EQ(adds(a.ui), 1 + std::min(ticksBeforeTheShell, tray::kAddRetries));
        a.ui.shellReady = true;
        a.frm.Timer3_Timer();
        EXPECT_EQ(a.ui.trayShown, ticksBeforeTheShell <= tray::kAddRetries);
        const auto shown = adds(a.ui);
        for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
        EXPECT_EQ(adds(a.ui), shown);  // no second icon, no repeated greeting
    }
}

TEST(Menu, ProgramsFolderAndPages) {
    App a;
    a.frm.mnwall_Click(menu::kDisplayProperties);
    a.frm.mnwall_Click(menu::kHelp);
    a.sys.shortNames[kAppDir + L"help.chm"] = L"C:\\PROGRA~1\\4F9C~1\\help.chm";
    a.frm.mnwall_Click(menu::kHelp);  // a path the ANSI code page cannot carry goes by its short name
    EXPECT_EQ(a.sys.started,
              (std::vector<std::wstring>{L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                                         L"hh.exe \"" + kAppDir + L"help.chm\"",
                                         L"hh.exe \"C:\\PROGRA~1\\4F9C~1\\help.chm\""}));
    a.frm.ControlClick(ID_LABAPP);
    a.frm.mnwall_Click(menu::kHomePage);
    a.frm.mnwall_Click(menu::kWriteMail);
    EXPECT_EQ(a.ui.opened, (std::vector<std::wstring>{kPictures, L"http://qingchuang.example/",
                                                      L"mailto:author@qingchuang.example"}));
}

TEST(Menu, KeepingTheWallpaperCopiesOnlyWebPicturesToTheFirstFreeNumber) {
    const std::wstring local = L"   当前壁纸原本属于本地图片，不需要收藏!   ";
    const std::wstring failed = L"  当前壁纸保存失败，请检查壁纸目录是否可写!   ";
    const std::wstring t0 = kPictures + L"Tirnaco0.jpg", t1 = kPictures + L"Tirnaco1.jpg",
                       bmp = kPictures + L"Tirnaco1.bmp", png = kPictures + L"Tirnaco1.png";
    struct Case {
        std::wstring entry;       // the second of the list, the one shown
        std::wstring current;     // the file last worked on
        std::vector<int> taken;   // numbers already there
        std::wstring copiedFrom;  // empty: nothing copied
        std::wstring said;        // the box, with the target's name for a copy
        bool feed = false;        // a feed's picture, named by its own kind
    } cases[] = {
        {L" http://pics.example/a.jpg", t1, {}, L"", local},  // the prefix must start the entry
        {L"HTTPS://p.example/sea.jpg", t1, {10, 11, 12}, t1, L"Tirnaco13.jpg"},
        // Before any change since the list was fetched, the position names the source.
        {L"http://p.example/1.bmp", kAppDir + L"deskurl.ini", {10, 12}, bmp, L"Tirnaco11.bmp"},
        {L"http://p.example/th?id=A.png&w=1", kAppDir + L"deskurl.ini", {10}, png, L"Tirnaco11.png", true},
    };
    for (const Case& c : cases) {
        App a;
        a.sys.files = {t0, t1, bmp, png};
        for (int n : c.taken)
            a.sys.files.insert(kPictures + L"Tirnaco" + std::to_wstring(n) +
                               c.said.substr(c.said.size() - 4));
        a.frm.Listurl = {{L"x", c.entry}, 1, c.feed};
        a.frm.DownloadFile = c.current;
        a.frm.mnwall_Click(menu::kKeepWallpaper);
        const std::wstring box = a.OnlyBox();
        if (c.copiedFrom.empty()) {
            EXPECT_EQ(box, c.said);
            EXPECT_TRUE(a.sys.copies.empty());
            continue;
        }
        EXPECT_EQ(a.sys.copies, (std::vector{std::make_pair(c.copiedFrom, kPictures + c.said)}));
        EXPECT_EQ(box, L"  当前壁纸已被成功保存到" + kPictures + c.said + L"   ");
    }
    // A failed copy is reported, and nothing named or made.
    App f;
    f.sys.files.insert(t0);
    f.sys.failCopies = true;
    f.frm.Listurl = {{L"http://pics.example/sea.jpg"}, 0};
    f.frm.DownloadFile = t0;
    f.frm.mnwall_Click(menu::kKeepWallpaper);
    EXPECT_EQ(f.OnlyBox(), failed);
    EXPECT_EQ(f.sys.files, std::set{t0});
}
