#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/frmmain.h"
#include "app/settings.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

struct App : FakeApp {
    App() { ui.visible = true; }  // so that hiding shows
    void Store(const std::wstring& key, const std::wstring& value) {
        sys.registry[FakeSystem::Key(settings::kApp, settings::kSection, key)] = value;
    }
};

const int kDesign[5] = {0, 0, 0, 1, 0};
const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kList = kAppDir + L"deskurl.ini";

void ExpectBoxesFollowTheRule(const FakeWindow& ui) {
    for (int t : {1, 2}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(2)) == 1);
    for (int t : {4, 5}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(4)) == 1);
    EXPECT_TRUE(ui.IsEnabled(Text1(0)) && ui.IsEnabled(Text1(3)));
}

}  // namespace

TEST(Startup, SecondInstanceEndsBeforeAnythingIsTouched) {
    App a;
    a.sys.files.insert(kList);
    a.sys.otherInstance = true;
    EXPECT_FALSE(a.frm.ShouldStart());
    EXPECT_TRUE(a.ui.tray.empty() && a.sys.folders.empty() && a.sys.files.count(kList));
    a.sys.otherInstance = false;
    EXPECT_TRUE(a.frm.ShouldStart());
}

TEST(Startup, EmptyStoreGivesTheDefaultsAndEndsCentredHiddenInTheTray) {
    App a;
    a.ui.screenW = 1025;  // odd difference: the division truncates
    a.sys.now = MakeTime(2009, 3, 4, 10, 0, 59);
    a.frm.Form_Load();
    const std::wstring texts[6] = {L"5", L"", L"", L"在此输入提醒内容", L"17", L"30"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ui.GetValue(Check1(i)), kDesign[i]) << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a.ui.GetText(Text1(i)), texts[i]) << i;
    ExpectBoxesFollowTheRule(a.ui);
    EXPECT_TRUE(a.sys.saves.empty());

    EXPECT_EQ(std::make_pair(a.ui.left, a.ui.top), std::make_pair(332, 259));
    EXPECT_EQ(a.ui.state, WindowState::Minimized);
    EXPECT_FALSE(a.ui.visible);
    ASSERT_EQ(a.ui.tray.size(), 1u);
    EXPECT_EQ(a.ui.tray[0].action, tray_action::kAdd);
    EXPECT_EQ(a.ui.tray[0].record.szInfo, tray::kFirstGreeting);
    EXPECT_EQ(a.ui.timers, std::set<Timer>{Timer::Timer3});
    EXPECT_EQ(MinuteSerial(a.frm.LastSpeak), MinuteSerial(a.sys.now));
    EXPECT_EQ(a.frm.LastChange.year, 1899);  // untouched until the first change
    EXPECT_EQ(a.sys.trims, 1);
    // The clock labels wait for the first tick; the list stays empty.
    EXPECT_EQ(a.ui.GetText(Labday(0)), L"2007年12月");
    EXPECT_TRUE(a.ui.list.empty());

    App big;  // a window wider than the screen: toward zero
    big.ui.screenW = 800;
    big.ui.winW = 1025;
    big.frm.Form_Load();
    EXPECT_EQ(big.ui.left, -112);
}

TEST(Startup, FoldersEndInOneBackslashTheListGoesAndNothingElseIsTouched) {
    const struct {
        std::wstring exe, windir, appDir, winDir;
    } cases[] = {
        {L"C:\\qingchuang.exe", L"C:\\WINDOWS", L"C:\\", L"C:\\WINDOWS\\"},
        {L"D:\\晴窗 画匣\\新 文件夹\\qingchuang.exe", L"C:\\windows", L"D:\\晴窗 画匣\\新 文件夹\\",
         L"C:\\windows\\"},
        {L"C:\\Apps\\qingchuang.exe", L"", L"C:\\Apps\\", L"\\"},  // the directory call failed
    };
    for (const auto& c : cases) {
        App a;
        a.sys.exe = c.exe;
        a.sys.windir = c.windir;
        a.sys.files.insert(c.appDir + L"deskurl.ini");
        a.frm.Form_Load();
        EXPECT_EQ(a.frm.AppDir, c.appDir);
        EXPECT_EQ(a.frm.WinDir, c.winDir);
        EXPECT_EQ(a.sys.folders, std::set<std::wstring>{c.appDir + L"Wallpaper"});
        EXPECT_FALSE(a.sys.files.count(c.appDir + L"deskurl.ini"));
    }
    // A folder of pictures and a file that takes the folder's name stay as they are.
    App a, b;
    a.sys.folders.insert(kAppDir + L"Wallpaper");
    a.sys.files.insert(kAppDir + L"Wallpaper\\Tirnaco0.jpg");
    b.sys.files.insert(kAppDir + L"Wallpaper");
    a.frm.Form_Load();
    b.frm.Form_Load();
    EXPECT_TRUE(a.sys.files.count(kAppDir + L"Wallpaper\\Tirnaco0.jpg"));
    EXPECT_TRUE(b.sys.folders.empty() && b.sys.files.count(kAppDir + L"Wallpaper"));

    App locked;  // a list that cannot be deleted stays, and start-up goes on
    locked.sys.files.insert(kList);
    locked.sys.undeletable.insert(kList);
    locked.Store(L"justime", L"0");
    locked.frm.Form_Load();
    EXPECT_TRUE(locked.sys.files.count(kList));
    EXPECT_EQ(locked.ui.GetValue(Check1(3)), 0);
    EXPECT_TRUE(locked.ui.IsTimerEnabled(Timer::Timer3));
}

TEST(Startup, EachStoredValueGoesIntoItsOwnControlOnly) {
    // The conversion is covered in settings_test; these are its kinds of outcome.
    const struct {
        std::optional<std::wstring> stored;  // nullopt: the key is missing
        std::optional<int> state;            // nullopt: the box keeps its design state
    } cases[] = {{L"0", 0}, {L"1", 1}, {L"2", 2}, {L"1.5", 2}, {L"abc", {}}, {L"3", {}}, {std::nullopt, {}}};
    const wchar_t* const keys[5] = {L"rndshow", L"ppdir", L"tiptime", L"justime", L"autoshut"};
    for (int i = 0; i < 5; ++i) {
        for (const auto& c : cases) {
            App a;
            // Every other box is stored away from its design state, so a step that
            // leaks into its neighbours shows.
            for (int j = 0; j < 5; ++j)
                if (j != i) a.Store(keys[j], kDesign[j] ? L"0" : L"1");
            if (c.stored) a.Store(keys[i], *c.stored);
            a.frm.Form_Load();
            EXPECT_EQ(a.ui.GetValue(Check1(i)), c.state.value_or(kDesign[i])) << i << " case " << &c - cases;
            for (int j = 0; j < 5; ++j)
                if (j != i) EXPECT_EQ(a.ui.GetValue(Check1(j)), 1 - kDesign[j]);
            ExpectBoxesFollowTheRule(a.ui);
        }
    }
    // Texts go in unchanged, whatever they hold.
    App a;
    const std::wstring huge(1 << 20, L'7');
    a.Store(L"chgtime", huge);
    a.Store(L"tiptime1", L" 07 ");
    a.Store(L"tiptime3", L"");
    a.Store(L"shutime2", L"abc");
    a.frm.Form_Load();
    const std::wstring texts[6] = {huge, L" 07 ", L"", L"", L"17", L"abc"};
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(a.ui.GetText(Text1(i)) == texts[i]) << i;  // no 1 MB dump
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ui.GetValue(Check1(i)), kDesign[i]);
}

TEST(Frmmain, SettersRunTheirHandlingOnlyOnAChange) {
    // A box left enabled against the rule shows whether the rule ran.
    for (const wchar_t* rndshow : {L"0", L"1"}) {
        App a;
        a.ui.C(Text1(1)).enabled = true;
        a.Store(L"rndshow", rndshow);
        a.frm.Form_Load();
        EXPECT_EQ(a.ui.IsEnabled(Text1(1)), rndshow == std::wstring(L"0"));
        a.frm.SetWindowState(WindowState::Minimized);
        EXPECT_EQ(a.ui.tray.size(), 1u) << "minimised again: no second icon";
    }
}

TEST(Shutdown, DeletesTheListAndRemovesTheIconWithTheLastRecord) {
    for (bool windowOpen : {false, true}) {
        App a;
        a.frm.Form_Load();
        a.frm.ShowTrayTip(L"壁纸下载结束，现在开始为你定时更换壁纸!", L"1");
        if (windowOpen) a.frm.mnwall_Click(0);
        a.sys.files.insert(kList);
        const auto calls = a.ui.tray.size();
        a.frm.Form_Unload();
        EXPECT_FALSE(a.sys.files.count(kList));
        ASSERT_EQ(a.ui.tray.size(), calls + 1);
        EXPECT_EQ(a.ui.tray.back().action, tray_action::kDelete);
        EXPECT_EQ(a.ui.tray.back().record.szInfo, L"壁纸下载结束，现在开始为你定时更换壁纸!");
        // A restarted shell must not bring back the icon of a program that is ending.
        a.frm.TaskbarCreated();
        a.frm.Timer3_Timer();
        EXPECT_FALSE(a.ui.trayShown);
    }
}
