// Start-up, shutdown, the settings store and the settings panel.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/panel.h"
#include "app/settings.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

const int kDesign[5] = {0, 0, 0, 1, 0};
const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kList = kAppDir + L"deskurl.ini";
const wchar_t* const kKeys[11] = {L"rndshow",  L"ppdir",    L"tiptime",  L"justime",  L"autoshut", L"chgtime",
                                  L"tiptime1", L"tiptime2", L"tiptime3", L"shutime1", L"shutime2"};

void ExpectBoxesFollowTheRule(const FakeWindow& ui) {
    for (int t : {1, 2}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(2)) == 1);
    for (int t : {4, 5}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(4)) == 1);
    EXPECT_TRUE(ui.IsEnabled(Text1(0)) && ui.IsEnabled(Text1(3)));
}

// The program started, with its settings window open.
struct Open : FakeApp {
    Open() {
        frm.Form_Load();
        frm.mnwall_Click(0);
    }
    void Fill(const std::vector<int>& checks, const std::vector<std::wstring>& texts) {
        for (int i = 0; i < 5; ++i) ui.SetValue(Check1(i), checks[i]);
        for (int i = 0; i < 6; ++i) ui.SetText(Text1(i), texts[i]);
    }
};

}  // namespace

TEST(Startup, EmptyStoreGivesTheDefaultsAndEndsCentredHiddenInTheTray) {
    FakeApp a;
    a.sys.otherInstance = true;
    EXPECT_FALSE(a.frm.ShouldStart());
    a.sys.files.insert(kList);
    a.ui.screenW = 1025;  // odd difference: the division truncates
    a.ui.visible = true;
    a.frm.Form_Load();
    const std::wstring texts[6] = {L"5", L"", L"", L"在此输入提醒内容", L"17", L"30"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ui.GetValue(Check1(i)), kDesign[i]) << i;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(a.ui.GetText(Text1(i)), texts[i]) << i;
    ExpectBoxesFollowTheRule(a.ui);
    EXPECT_TRUE(a.sys.saves.empty() && !a.sys.files.count(kList) &&
                a.sys.folders.count(kAppDir + L"Wallpaper"));
    EXPECT_EQ(std::make_pair(a.ui.left, a.ui.top), std::make_pair(332, 259));
    EXPECT_TRUE(a.ui.state == WindowState::Minimized && !a.ui.visible);
    EXPECT_EQ(a.ui.Balloons(tray::kFirstGreeting), 1);
    EXPECT_EQ(a.ui.timers, (std::map<Timer, int>{{Timer::Timer3, 1000}}));
    EXPECT_EQ(MinuteSerial(a.frm.LastSpeak), MinuteSerial(a.sys.now));
    EXPECT_EQ(a.frm.LastChange.year * 10 + a.sys.trims,
              18991);  // no change yet; the working set trimmed once
    EXPECT_EQ(a.frm.AppDir + L"|" + a.frm.WinDir, kAppDir + L"|C:\\windows\\");
}

TEST(Startup, AFailingStepIsSkippedAndTheRestStillRun) {
    for (auto [exe, windir, dirs] : {std::tuple{L"C:\\q.exe", L"C:\\WINDOWS", L"C:\\|C:\\WINDOWS\\"},
                                     {L"q.exe", L"", L"\\|\\"}}) {  // no folder; the directory call failed
        FakeApp a;
        a.sys.exe = exe;
        a.sys.windir = windir;
        a.frm.Form_Load();
        EXPECT_EQ(a.frm.AppDir + L"|" + a.frm.WinDir, dirs);
    }
    // A step that throws, a list that cannot be deleted and a file named
    // Wallpaper leave every later step to run.
    FakeApp a;
    a.sys.failing = {L"WindowsDirectory", L"ppdir"};
    a.sys.files = {kList, kAppDir + L"Wallpaper"};
    a.sys.undeletable = {kList};
    a.Store(L"rndshow", L"1");
    a.Store(L"justime", L"0");
    a.frm.Form_Load();
    EXPECT_EQ(a.frm.AppDir + a.ui.GetText(Text1(4)), kAppDir + L"17");
    EXPECT_TRUE(a.sys.files.count(kList) && a.sys.folders.empty() && a.ui.timers.count(Timer::Timer3));
    EXPECT_EQ(a.ui.GetValue(Check1(0)) * 100 + a.ui.GetValue(Check1(3)) * 10 + a.sys.trims, 101);
}

// clang-format off
TEST(Settings, StoredTextsConvertLikeTheNumbersTheyWere) {
    const std::pair<const wchar_t*, std::optional<int>> cases[] = {
        {L"17", 17}, {L"\t1\x3000", 1}, {L"+3", 3}, {L"-1", -1}, {L"2.5", 2}, {L"3.5", 4}, {L"-0.5", 0},
        {L"0.51", 1}, {L".5", 0}, {L"25E-1", 2}, {L"&h1F", 31}, {L"&O17", 15}, {L"&HFFFF", -1},
        {L"32767", 32767}, {L"-32768", -32768}, {L"32768", {}}, {L"-32769", {}}, {L"", {}}, {L"  ", {}},
        {L"abc", {}}, {L"1x", {}}, {L".", {}}, {L"&H", {}}, {L"&HG", {}}, {L"&O8", {}}, {L"&H10000", {}},
        {L"1e", {}}, {L"inf", {}}, {L"nan", {}}, {L"1e400", {}}, {L"0x1", {}}};
    for (const auto& c : cases) EXPECT_EQ(settings::ToInteger(c.first), c.second) << &c - cases;
    const std::pair<const wchar_t*, std::optional<int>> states[] = {
        {L"0", 0}, {L"2", 2}, {L"2.5", 2}, {L"2.6", {}}, {L"3", {}}, {L"-1", {}}, {L"-0.4", 0}};
    for (const auto& c : states) EXPECT_EQ(settings::ToCheckState(c.first), c.second) << &c - states;
}
// clang-format on

TEST(Settings, EachStoredValueGoesIntoItsOwnControlOnlyAndRunsTheRuleOnAChange) {
    const std::pair<std::optional<std::wstring>, std::optional<int>> cases[] = {
        {L"0", 0}, {L"1", 1}, {L"2", 2}, {L"1.5", 2}, {L"abc", {}}, {L"3", {}}, {std::nullopt, {}}};
    for (int i = 0; i < 5; ++i) {
        for (const auto& [stored, state] : cases) {
            FakeApp a;
            // Every other box is stored away from its design state, so a step
            // that leaks into its neighbours shows.
            for (int j = 0; j < 5; ++j)
                if (j != i) a.Store(kKeys[j], kDesign[j] ? L"0" : L"1");
            if (stored) a.Store(kKeys[i], *stored);
            a.frm.Form_Load();
            EXPECT_EQ(a.ui.GetValue(Check1(i)), state.value_or(kDesign[i])) << i;
            for (int j = 0; j < 5; ++j)
                if (j != i) EXPECT_EQ(a.ui.GetValue(Check1(j)), 1 - kDesign[j]);
            ExpectBoxesFollowTheRule(a.ui);
        }
    }
    // A box left enabled against the rule shows whether the rule ran: only a change runs it.
    for (const wchar_t* rndshow : {L"0", L"1"}) {
        FakeApp a;
        a.ui.C(Text1(1)).enabled = true;
        a.Store(L"rndshow", rndshow);
        a.frm.Form_Load();
        EXPECT_EQ(a.ui.IsEnabled(Text1(1)), rndshow == std::wstring(L"0"));
    }
}

TEST(Cmdok, OkWritesTheElevenValuesInOrderOnlyWhenConfirmed) {
    for (int answer : {mb::kAnswerOk, mb::kAnswerCancel}) {
        Open a;
        a.Fill({1, 0, 1, 0, 2}, {L"12", L"08", L"30", L"开会 ", L"23", L"59"});
        a.ui.answers = {answer};
        a.frm.Cmdok_Click(0);
        ASSERT_EQ(a.ui.boxes.size(), 1u);
        EXPECT_EQ(a.ui.boxes[0].text,
                  L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
                  L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ");
        EXPECT_EQ(a.ui.boxes[0].style, mb::kOkCancel + mb::kInformation);
        EXPECT_EQ(a.ui.boxes[0].title, L"提示");
        EXPECT_TRUE(a.ui.state == WindowState::Minimized && !a.ui.visible && a.ui.trayShown);
        EXPECT_EQ(a.ui.GetValue(Check1(4)), 2);  // the new values rule this run either way
        if (answer == mb::kAnswerCancel) {
            EXPECT_TRUE(a.sys.saves.empty());
            continue;
        }
        EXPECT_EQ(a.sys.saves, std::vector<std::wstring>(std::begin(kKeys), std::end(kKeys)));
        const std::wstring values[11] = {L"1",  L"0",  L"1",     L"0",  L"2", L"12",
                                         L"08", L"30", L"开会 ", L"23", L"59"};
        for (int i = 0; i < 11; ++i)
            EXPECT_EQ(a.sys.registry[FakeSystem::Key(L"ravek", L"setting", kKeys[i])], values[i]);
    }
}

TEST(Cmdok, CancelRestoresTheBoxesAndBothApplyTheEmptyFieldRulesToThePanelOnly) {
    for (int button = 0; button < 2; ++button) {
        for (int empty = 1; empty <= 5; ++empty) {
            Open a;
            a.Fill({1, 2, 1, 0, 1}, {L"5", L"08", L"30", L"开会", L"17", L"30"});
            a.frm.mnwall_Click(0);  // opened as they stand
            a.Fill({0, 0, 1, 1, 1}, {L"5", L"08", L"30", L"开会", L"17", L"30"});
            a.ui.SetText(Text1(empty), L"");
            a.frm.Cmdok_Click(button);
            const bool reminderField = empty <= 3;
            EXPECT_EQ(a.ui.GetValue(Check1(2)), reminderField ? 0 : 1) << button << empty;
            EXPECT_EQ(a.ui.GetValue(Check1(4)), reminderField ? 1 : 0) << button << empty;
            ExpectBoxesFollowTheRule(a.ui);
            EXPECT_EQ(a.ui.state, WindowState::Minimized);
            if (button == 1) {
                EXPECT_EQ(
                    a.ui.GetValue(Check1(0)) * 100 + a.ui.GetValue(Check1(1)) * 10 + a.ui.GetValue(Check1(3)),
                    120);
                EXPECT_TRUE(a.ui.boxes.empty() && a.sys.saves.empty());
                continue;
            }
            // Saved before the rule cleared the box: the next start shows it checked again.
            FakeApp next;
            next.sys.registry = a.sys.registry;
            next.frm.Form_Load();
            EXPECT_EQ(next.ui.GetValue(Check1(2)) + next.ui.GetValue(Check1(4)), 2);
            EXPECT_EQ(next.ui.GetText(Text1(empty)), L"");
        }
    }
}

TEST(Panel, BoxesFollowTheirCheckBoxesClicksCycleAndKeysAreFiltered) {
    Open p;
    for (int i : {2, 4, 0, 1, 3, 0, 1, 3, 4}) {
        p.frm.ControlClick(Check1(i));
        ExpectBoxesFollowTheRule(p.ui);
    }
    p.ui.SetValue(Check1(4), 2);  // greyed is not checked, and a click checks a greyed box
    p.frm.ControlClick(Check1(0));
    EXPECT_FALSE(p.ui.IsEnabled(Text1(4)));
    p.frm.ControlClick(Check1(4));
    EXPECT_EQ(p.ui.GetValue(Check1(4)), 1);
    ExpectBoxesFollowTheRule(p.ui);
    for (int box = 0; box < 6; ++box)
        for (const int ch : std::wstring(L"a \b\x16-./:\r正059")) {
            const int tabs = p.ui.tabsPosted;
            const bool digit = ch >= '0' && ch <= '9';
            EXPECT_EQ(p.frm.ControlKeyPress(Text1(box), ch), box == 3 || digit ? ch : 0) << box << " " << ch;
            EXPECT_EQ(p.ui.tabsPosted, tabs + (ch == 13 ? 1 : 0));
        }
    EXPECT_EQ(p.frm.ControlKeyPress(Check1(0), 13), 13);  // the Enter goes on to the box, and moves on
    EXPECT_EQ(p.ui.tabsPosted, 7);
    EXPECT_EQ(p.frm.ControlKeyPress(ID_CMDOK_0, 'a'), 'a');
}

TEST(Panel, FocusColoursThePlaceholderAndHourAndMinuteBoxesTestedWhenLeft) {
    const std::wstring placeholder = L"在此输入提醒内容";
    Open p;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::ScrollBar) << i;  // the starting colour
        p.ui.SetText(Text1(3), placeholder);
        p.frm.ControlGotFocus(Text1(i));
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::Window) << i;
        EXPECT_EQ(p.ui.GetText(Text1(3)), i == 3 ? L"" : placeholder) << i;
        p.frm.ControlLostFocus(Text1(i));
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::ScrollBar) << i;
    }
    p.ui.SetText(Text1(3), L" " + placeholder);  // only the exact placeholder goes
    p.frm.ControlGotFocus(Text1(3));
    EXPECT_EQ(p.ui.GetText(Text1(3)), L" " + placeholder);

    for (const wchar_t* text : {L"7", L"24", L"25", L"99", L"024", L"2x9", L"abc", L""})
        EXPECT_FALSE(panel::TimeBoxRejected(text, 24)) << text;
    for (const wchar_t* text : {L"100", L"0100", L"025", L"25x", L"99999999999999999999999"})
        EXPECT_TRUE(panel::TimeBoxRejected(text, 24)) << text;
    for (int box = 0; box < 6; ++box)
        for (const std::wstring text : {L"025", L"061"}) {
            Open p;
            p.ui.SetText(Text1(box), text);
            p.ui.SetFocus(ID_CMDOK_0);
            p.frm.ControlLostFocus(Text1(box));
            if (box == 0 || box == 3 || (text == L"025" && (box == 2 || box == 5))) {
                EXPECT_TRUE(p.ui.boxes.empty() && p.ui.focus == ID_CMDOK_0) << box;
                continue;
            }
            ASSERT_EQ(p.ui.boxes.size(), 1u) << box;
            EXPECT_EQ(p.ui.boxes[0].text, L"   请输入标准的时间格式!    ");
            EXPECT_EQ(p.ui.boxes[0].style, mb::kOk + mb::kInformation);
            EXPECT_TRUE(p.ui.GetText(Text1(box)).empty() && p.ui.focus == Text1(box));
            p.frm.ControlLostFocus(Text1(box));  // the emptied box lets the user go
            EXPECT_EQ(p.ui.boxes.size(), 1u);
        }
}

TEST(Panel, WindowKeysTabPastDisabledBoxesPressButtonsAndAccessKeys) {
    Open p;  // defaults: the four hour and minute boxes are disabled
    EXPECT_EQ(p.ui.shownWithFocus, Check1(0));
    const struct {
        int from;
        bool backwards;
        int to;
    } moves[] = {
        {Check1(2), false, Text1(3)},       {Text1(3), true, Check1(2)},       {Check1(4), false, ID_CMDOK_0},
        {ID_CMDOK_0 + 1, false, Check1(0)}, {Check1(0), true, ID_CMDOK_0 + 1}, {0, false, Check1(0)},
    };
    for (const auto& m : moves) {
        p.ui.focus = m.from;
        EXPECT_TRUE(p.frm.KeyDown(m.from, key::kVkTab, m.backwards));
        EXPECT_EQ(p.ui.focus, m.to) << m.from << (m.backwards ? " back" : "");
    }
    for (int id : TabOrder()) p.ui.C(id).enabled = false;
    p.ui.focus = Check1(2);
    p.frm.KeyDown(Check1(2), key::kVkTab, false);
    EXPECT_EQ(p.ui.focus, Check1(2));  // nothing else can take it
    // Enter presses a focused button only; Alt+C is Cancel, Alt+O is OK.
    EXPECT_FALSE(p.frm.KeyDown(Text1(0), key::kVkReturn, false));
    EXPECT_FALSE(p.frm.AccessKey(L'x'));
    EXPECT_TRUE(p.ui.boxes.empty() && p.ui.visible);
    EXPECT_TRUE(p.frm.AccessKey(L'c'));
    EXPECT_FALSE(p.ui.visible);
    p.frm.mnwall_Click(0);
    EXPECT_TRUE(p.frm.KeyDown(ID_CMDOK_0 + 1, key::kVkReturn, false));
    EXPECT_FALSE(p.ui.visible);
    p.frm.mnwall_Click(0);
    EXPECT_TRUE(p.frm.AccessKey(L'O'));
    EXPECT_EQ(p.ui.boxes.size(), 1u);  // the confirmation
}

TEST(Shutdown, ClosingUnloadsAndUnloadDeletesTheListAndRemovesTheIconWithTheLastRecord) {
    for (bool windowOpen : {false, true}) {
        FakeApp a;
        a.frm.Form_Load();
        a.frm.Form_Close();
        EXPECT_TRUE(a.ui.unloaded);
        if (windowOpen) a.frm.mnwall_Click(0);
        a.sys.files.insert(kList);
        const auto calls = a.ui.tray.size();
        a.frm.Form_Unload();
        EXPECT_FALSE(a.sys.files.count(kList));
        ASSERT_EQ(a.ui.tray.size(), calls + 1);
        EXPECT_EQ(a.ui.tray.back().action, tray_action::kDelete);
        EXPECT_EQ(a.ui.tray.back().record, a.frm.TrayData);
        // A restarted shell must not bring back the icon of a program that is ending.
        a.frm.TaskbarCreated();
        a.frm.Timer3_Timer();
        EXPECT_FALSE(a.ui.trayShown);
    }
}
