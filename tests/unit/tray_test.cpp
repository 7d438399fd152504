#include "tray/tray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frmmain.h"
#include "fakes.h"
#include "sound/play_wav.h"
#include "wav_builder.h"

namespace {

// Records the order of the foreground and popup calls.
struct OrderedWindow : FakeWindow {
    std::vector<std::string> calls;
    void SetForeground() override { calls.push_back("foreground"); }
    void PopupMenu() override { calls.push_back("popup"); }
};

struct App {
    OrderedWindow ui;
    FakeSystem sys;
    Frmmain frm{ui, sys};
    explicit App(const LocalTime& start = MakeTime(2009, 3, 4, 10, 0, 0)) {
        SetDesignState(ui);
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
        frm.Form_MouseMove(tray::kLeftButtonUp);
        if (sys.played.empty()) return false;
        FakeSystem spoken;
        spoken.wavs = sys.wavs;
        SpeakTime(spoken, t);
        EXPECT_EQ(sys.played.size(), 1u);
        EXPECT_EQ(sys.played[0].bytes, spoken.played.at(0).bytes);
        return true;
    }
};

LocalTime At(int h, int m, int s) { return MakeTime(2009, 3, 4, h, m, s); }

}  // namespace

TEST(ShowTrayTip, FillsTheWholeRecordEveryTimeAndFitsTheTextsWithoutCuttingPairs) {
    FakeWindow ui;
    FakeSystem sys;
    Frmmain frm(ui, sys);
    EXPECT_EQ(frm.TrayData, TrayRecord{});  // all zero until the first call
    frm.ShowTrayTip(L"第一条很长的提示", L"0");
    frm.ShowTrayTip(L"短", L"1");
    ASSERT_EQ(ui.tray.size(), 2u);
    EXPECT_EQ(ui.tray[0].action, tray_action::kAdd);
    EXPECT_EQ(ui.tray[1].action, tray_action::kModify);
    // Every field, in the record's order.
    const TrayRecord expected{1, 23, 0x8001, true, L"晴窗画匣 V1.82", 0, 0, L"短", 0, L"温馨提示", 1};
    EXPECT_EQ(ui.tray[1].record, expected);
    EXPECT_EQ(frm.TrayData, expected);

    // UTF-16 units as the Windows field holds them, whatever wchar_t is here; a
    // pair that would lose its second half goes whole.
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

    frm.ShowTrayTip(std::wstring(254, L'字') + pair + L"尾", L"1");
    EXPECT_EQ(frm.TrayData.szInfo, std::wstring(254, L'字'));
    frm.ShowTrayTip(std::wstring(253, L'字') + pair + L"尾", L"1");
    EXPECT_EQ(frm.TrayData.szInfo, std::wstring(253, L'字') + pair);
}

TEST(FormResize, MinimisingHidesTheWindowAndGreetsByTheListCount) {
    EXPECT_EQ(std::wstring(tray::kFirstGreeting),
              L"呵呵，我是晴窗画匣，你用鼠标左键点击我为你报时,右键则可查看更多功能! ");
    EXPECT_EQ(std::wstring(tray::kAgainGreeting), L"呵呵，我又躲到这里了，祝你开心! ");
    for (int entries : {0, 1, 3}) {
        FakeWindow ui;
        FakeSystem sys;
        Frmmain frm(ui, sys);
        ui.visible = true;
        ui.list.assign(entries, L"D:\\pics\\a.jpg");
        for (WindowState s : {WindowState::Normal, WindowState::Maximized}) {
            ui.state = s;
            frm.Form_Resize();
        }
        EXPECT_TRUE(ui.visible && ui.tray.empty());
        ui.state = WindowState::Minimized;
        frm.Form_Resize();
        EXPECT_FALSE(ui.visible);
        ASSERT_EQ(ui.tray.size(), 1u);
        EXPECT_EQ(ui.tray[0].action, tray_action::kAdd);
        EXPECT_EQ(ui.tray[0].record.szInfo, entries ? tray::kAgainGreeting : tray::kFirstGreeting);
    }
}

TEST(LeftClick, SpeaksOnlyOnceTwoMinuteBoundariesHavePassed) {
    App late(At(10, 0, 59));
    EXPECT_FALSE(late.ClickAt(At(10, 1, 30)));
    EXPECT_TRUE(late.ClickAt(At(10, 2, 0)));
    // The click that spoke restarts the wait.
    EXPECT_FALSE(late.ClickAt(At(10, 3, 59)));
    EXPECT_TRUE(late.ClickAt(At(10, 4, 0)));

    // The clock set back: silent until it is again two boundaries past LastSpeak.
    App back(At(10, 5, 0));
    EXPECT_FALSE(back.ClickAt(At(9, 0, 0)));
    EXPECT_FALSE(back.ClickAt(At(10, 6, 59)));
    EXPECT_EQ(back.frm.LastSpeak.minute, 5);  // silent clicks leave it alone
    EXPECT_TRUE(back.ClickAt(At(10, 7, 0)));

    App midnight(MakeTime(2008, 12, 31, 23, 59, 30));
    EXPECT_FALSE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 0, 30)));
    EXPECT_TRUE(midnight.ClickAt(MakeTime(2009, 1, 1, 0, 1, 0)));
    EXPECT_EQ(midnight.frm.LastSpeak.year, 2009);
}

TEST(TrayEvents, RightClickRaisesTheWindowThenThePopupMenuAndOtherEventsDoNothing) {
    App a;
    a.sys.now = At(11, 0, 0);  // a left click would speak now
    const auto calls = a.ui.tray.size();
    for (int event : {0, 512, 513, 515, 516, 518, 519, 520, 521}) a.frm.Form_MouseMove(event);
    EXPECT_TRUE(a.ui.calls.empty());
    a.frm.Form_MouseMove(tray::kRightButtonUp);
    EXPECT_EQ(a.ui.calls, (std::vector<std::string>{"foreground", "popup"}));
    EXPECT_TRUE(a.sys.played.empty());
    EXPECT_EQ(a.ui.tray.size(), calls);
    EXPECT_EQ(a.frm.LastSpeak.hour, 10);
}

TEST(Notices, ANoticeWhileTheWindowIsOpenIsLostAndANewShellGetsNoOldBalloon) {
    App a;
    a.ui.list = {L"http://pics.example/1.jpg"};
    a.frm.mnwall_Click(0);
    a.frm.ShowTrayTip(L"壁纸下载结束，现在开始为你定时更换壁纸!", L"1");
    for (int i = 0; i < 5; ++i) a.frm.Timer3_Timer();
    a.frm.TaskbarCreated();
    EXPECT_FALSE(a.ui.trayShown);
    a.frm.Cmdok_Click(1);
    ASSERT_TRUE(a.ui.trayShown);
    EXPECT_EQ(a.ui.tray.back().record.szInfo, tray::kAgainGreeting);

    a.frm.ShowTrayTip(L"壁纸装载结束，即将自动为你定时更换壁纸!", L"1");
    a.ui.trayShown = false;  // the shell restarted
    a.frm.TaskbarCreated();
    ASSERT_TRUE(a.ui.trayShown);
    const TrayRecord& r = a.ui.tray.back().record;
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kAdd);
    EXPECT_EQ(r.uFlags, 23u - tray::kFlagInfo);
    EXPECT_EQ(r.szInfo, L"");
    EXPECT_EQ(std::make_pair(r.szTip, r.uID), std::make_pair(std::wstring(L"晴窗画匣 V1.82"), 1u));
}
