// Start-up, shutdown, the settings store and the settings panel, where the
// stories under Wine do not reach: failing steps, every stored state, the rules
// of the boxes and the keys of the window.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "app/panel.h"
#include "app/settings.h"
#include "fakes.h"

namespace {

const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kList = kAppDir + L"deskurl.ini";
const wchar_t* const kKeys[5] = {L"rndshow", L"ppdir", L"tiptime", L"justime", L"autoshut"};

void ExpectBoxesFollowTheRule(const FakeWindow& ui) {
    for (int t : {1, 2}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(2)) == 1);
    for (int t : {4, 5}) EXPECT_EQ(ui.IsEnabled(Text1(t)), ui.GetValue(Check1(4)) == 1);
    EXPECT_TRUE(ui.IsEnabled(Text1(0)) && ui.IsEnabled(Text1(3)));
}

// The program started, with its settings window open and these in its boxes.
struct Open : FakeApp {
    explicit Open(const std::vector<int>& checks = {0, 0, 0, 1, 0},
                  const std::vector<std::wstring>& texts = {L"5", L"08", L"30", L"开会", L"17", L"30"}) {
        frm.Form_Load();
        for (int i = 0; i < 5; ++i) ui.SetValue(Check1(i), checks[i]);
        for (int i = 0; i < 6; ++i) ui.SetText(Text1(i), texts[i]);
        frm.mnwall_Click(0);
    }
};

}  // namespace

TEST(Startup, AFailingStepIsSkippedAndTheRestStillRun) {
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
    EXPECT_EQ(MinuteSerial(a.frm.LastSpeak), MinuteSerial(a.sys.now));
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

TEST(Settings, EachStoredValueGoesIntoItsOwnControlOnly) {
    // Two sets in which every box's state differs from every other's in one, so a value
    // read into another's control shows; one out of range leaves the design state.
    const wchar_t* stored[2][5] = {{L"1", L"0", L"2", L"0", L"1"}, {L"2", L"1.5", L"1", L"3", L"0"}};
    const int states[2][5] = {{1, 0, 2, 0, 1}, {2, 2, 1, 1, 0}};
    for (int set = 0; set < 2; ++set) {
        FakeApp a;
        for (int i = 0; i < 5; ++i) a.Store(kKeys[i], stored[set][i]);
        a.frm.Form_Load();
        for (int i = 0; i < 5; ++i) EXPECT_EQ(a.ui.GetValue(Check1(i)), states[set][i]) << set << " " << i;
        ExpectBoxesFollowTheRule(a.ui);
    }
}

TEST(Cmdok, CancelRestoresTheBoxesAndBothApplyTheEmptyFieldRulesToThePanelOnly) {
    for (int button = 0; button < 2; ++button) {
        for (int empty = 1; empty <= 5; ++empty) {
            Open a({1, 2, 1, 0, 1});
            for (int i = 0; i < 5; ++i) a.ui.SetValue(Check1(i), i >= 2);
            a.ui.SetText(Text1(empty), L"");
            a.frm.Cmdok_Click(button);
            const bool reminderField = empty <= 3;
            EXPECT_EQ(a.ui.GetValue(Check1(2)) * 10 + a.ui.GetValue(Check1(4)), reminderField ? 1 : 10)
                << empty;
            ExpectBoxesFollowTheRule(a.ui);
            EXPECT_EQ(a.ui.state, WindowState::Minimized);
            if (button == 1) continue;
            // Saved before the rule cleared the box: the next start shows it checked again.
            FakeApp next;
            next.sys.registry = a.sys.registry;
            next.frm.Form_Load();
            EXPECT_EQ(next.ui.GetValue(Check1(2)) + next.ui.GetValue(Check1(4)), 2);
            EXPECT_EQ(next.ui.GetText(Text1(empty)), L"");
        }
    }
}

TEST(Panel, AClickChecksAGreyedBoxKeysAreFilteredAndEachTimeBoxIsTestedWhenLeft) {
    Open p;
    p.ui.SetValue(Check1(4), 2);  // a click checks a greyed box, and the boxes follow
    p.frm.ControlClick(Check1(4));
    EXPECT_EQ(p.ui.GetValue(Check1(4)), 1);
    ExpectBoxesFollowTheRule(p.ui);
    for (int box = 0; box < 6; ++box)
        for (const int ch : std::wstring(L"a \b\x16-./:\r正059")) {
            const bool digit = ch >= '0' && ch <= '9';
            EXPECT_EQ(p.frm.ControlKeyPress(Text1(box), ch), box == 3 || digit ? ch : 0) << box << " " << ch;
        }
    EXPECT_EQ(p.frm.ControlKeyPress(Check1(0), 13), 13);  // the Enter goes on to the box, and moves on
    EXPECT_EQ(p.ui.tabsPosted, 7);
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
            p.frm.ControlLostFocus(Text1(box));  // emptied, the box lets the user go
            const bool rejected = (box == 1 || box == 4) || (text == L"061" && (box == 2 || box == 5));
            EXPECT_EQ(p.ui.boxes.size(), rejected ? 1u : 0u) << box;
            EXPECT_EQ(p.ui.GetText(Text1(box)) + L"|" + std::to_wstring(p.ui.focus),
                      (rejected ? L"" : text) + L"|" + std::to_wstring(rejected ? Text1(box) : ID_CMDOK_0));
        }
}

TEST(Panel, WindowKeysTabPastDisabledBoxesPressButtonsAndAccessKeys) {
    Open p({0, 0, 0, 1, 0});  // the four hour and minute boxes are disabled
    EXPECT_EQ(p.ui.shownWithFocus, Check1(0));
    const std::tuple<int, bool, int> moves[] = {
        {Check1(2), false, Text1(3)},       {Text1(3), true, Check1(2)},       {Check1(4), false, ID_CMDOK_0},
        {ID_CMDOK_0 + 1, false, Check1(0)}, {Check1(0), true, ID_CMDOK_0 + 1}, {0, false, Check1(0)},
    };
    for (const auto& [from, backwards, to] : moves) {
        p.ui.focus = from;
        EXPECT_TRUE(p.frm.KeyDown(from, key::kVkTab, backwards));
        EXPECT_EQ(p.ui.focus, to) << from << (backwards ? " back" : "");
    }
    // Enter presses a focused button only; Alt+C is Cancel, Alt+O is OK.
    EXPECT_FALSE(p.frm.KeyDown(Text1(0), key::kVkReturn, false) || p.frm.AccessKey(L'x'));
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

TEST(Shutdown, TheIconOfAnUnloadedProgramStaysGoneWhenTheShellRestarts) {
    for (bool windowOpen : {false, true}) {
        FakeApp a;
        a.frm.Form_Load();
        if (windowOpen) a.frm.mnwall_Click(0);
        a.frm.Form_Unload();
        // A restarted shell must not bring back the icon of a program that is ending.
        a.frm.TaskbarCreated();
        a.frm.Timer3_Timer();
        EXPECT_FALSE(a.ui.trayShown);
    }
}
