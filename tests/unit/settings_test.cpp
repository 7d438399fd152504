#include "app/settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/frmmain.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

struct App : FakeApp {
    App() {
        frm.Form_Load();
        frm.mnwall_Click(0);  // the panel is open
    }
    std::optional<std::wstring> Stored(const std::wstring& key) const {
        return sys.GetSetting(settings::kApp, settings::kSection, key);
    }
    void Fill(const int (&checks)[5], const std::wstring (&texts)[6]) {
        for (int i = 0; i < 5; ++i) ui.SetValue(Check1(i), checks[i]);
        for (int i = 0; i < 6; ++i) ui.SetText(Text1(i), texts[i]);
    }
    void ExpectClosedWithTheIcon() const {
        EXPECT_EQ(ui.state, WindowState::Minimized);
        EXPECT_FALSE(ui.visible);
        EXPECT_TRUE(ui.trayShown);
        EXPECT_EQ(ui.tray.back().action, tray_action::kAdd);
    }
};

}  // namespace

TEST(Settings, StoredTextsConvertLikeTheNumbersTheyWere) {
    const struct {
        const wchar_t* text;
        std::optional<int> value;
    } cases[] = {
        {L"17", 17},      {L"\t1\x3000", 1}, {L"+3", 3},      {L"-1", -1},       {L"2.5", 2},
        {L"3.5", 4},      {L"-0.5", 0},      {L"0.51", 1},    {L".5", 0},        {L"25E-1", 2},
        {L"&h1F", 31},    {L"&O17", 15},     {L"&HFFFF", -1}, {L"32767", 32767}, {L"-32768", -32768},
        {L"32768", {}},   {L"-32769", {}},   {L"", {}},       {L"  ", {}},       {L"abc", {}},
        {L"1x", {}},      {L".", {}},        {L"&H", {}},     {L"&HG", {}},      {L"&O8", {}},
        {L"&H10000", {}}, {L"1e", {}},       {L"inf", {}},    {L"nan", {}},      {L"1e400", {}},
        {L"0x1", {}},
    };
    for (const auto& c : cases) {
        const std::wstring t = c.text;
        EXPECT_EQ(settings::ToInteger(t), c.value) << std::string(t.begin(), t.end());
    }
    const struct {
        const wchar_t* text;
        std::optional<int> state;
    } states[] = {{L"0", 0}, {L"2", 2}, {L"2.5", 2}, {L"2.6", {}}, {L"3", {}}, {L"-1", {}}, {L"-0.4", 0}};
    for (const auto& c : states) EXPECT_EQ(settings::ToCheckState(c.text), c.state);
}

TEST(CmdokOk, WritesTheElevenValuesInOrderOnlyWhenConfirmed) {
    for (int answer : {mb::kAnswerOk, mb::kAnswerCancel}) {
        App a;
        a.Fill({1, 0, 1, 0, 2}, {L"12", L"08", L"30", L"开会 ", L"23", L"59"});
        a.ui.answers = {answer};
        a.frm.Cmdok_Click(0);
        ASSERT_EQ(a.ui.boxes.size(), 1u);
        EXPECT_EQ(a.ui.boxes[0].text,
                  L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
                  L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ");
        EXPECT_EQ(a.ui.boxes[0].style, 65);
        EXPECT_EQ(a.ui.boxes[0].title, L"提示");
        a.ExpectClosedWithTheIcon();
        // Without the save the new values still rule this run.
        EXPECT_EQ(a.ui.GetValue(Check1(4)), 2);
        EXPECT_EQ(a.ui.GetText(Text1(3)), L"开会 ");
        if (answer == mb::kAnswerCancel) {
            EXPECT_TRUE(a.sys.saves.empty());
            continue;
        }
        const std::vector<std::wstring> keys = {L"rndshow",  L"ppdir",    L"tiptime",  L"justime",
                                                L"autoshut", L"chgtime",  L"tiptime1", L"tiptime2",
                                                L"tiptime3", L"shutime1", L"shutime2"};
        const std::wstring values[11] = {L"1",  L"0",  L"1",     L"0",  L"2", L"12",
                                         L"08", L"30", L"开会 ", L"23", L"59"};
        EXPECT_EQ(a.sys.saves, keys);
        for (int i = 0; i < 11; ++i) EXPECT_EQ(a.Stored(keys[i]), values[i]) << i;
        EXPECT_EQ(a.sys.registry.size(), 11u);
    }
}

TEST(Cmdok, CancelRestoresTheBoxesAndBothApplyTheEmptyFieldRulesToThePanelOnly) {
    for (int button = 0; button < 2; ++button) {
        for (int empty = 1; empty <= 5; ++empty) {
            App a;
            a.Fill({0, 0, 1, 1, 1}, {L"5", L"08", L"30", L"开会", L"17", L"30"});
            a.frm.Check1Tag = {L"1", L"2", L"1", L"0", L"1"};  // as the panel opened
            a.ui.SetText(Text1(empty), L"");
            a.frm.Cmdok_Click(button);
            const bool reminderField = empty <= 3;
            EXPECT_EQ(a.ui.GetValue(Check1(2)), reminderField ? 0 : 1) << button << empty;
            EXPECT_EQ(a.ui.GetValue(Check1(4)), reminderField ? 1 : 0) << button << empty;
            EXPECT_EQ(a.ui.IsEnabled(Text1(1)), !reminderField);
            EXPECT_EQ(a.ui.IsEnabled(Text1(4)), reminderField);
            EXPECT_EQ(a.ui.GetText(Text1(0)), L"5");
            a.ExpectClosedWithTheIcon();
            if (button == 1) {
                EXPECT_EQ(std::make_tuple(a.ui.GetValue(Check1(0)), a.ui.GetValue(Check1(1)),
                                          a.ui.GetValue(Check1(3))),
                          std::make_tuple(1, 2, 0));
                EXPECT_TRUE(a.ui.boxes.empty() && a.sys.saves.empty());
                continue;
            }
            // Saved before the rule cleared the box: the next start shows it checked again.
            FakeWindow ui;
            SetDesignState(ui);
            Frmmain next(ui, a.sys);
            next.Form_Load();
            EXPECT_EQ(ui.GetValue(Check1(2)) + ui.GetValue(Check1(4)), 2);
            EXPECT_EQ(ui.GetText(Text1(empty)), L"");
            EXPECT_TRUE(ui.IsEnabled(Text1(1)) && ui.IsEnabled(Text1(4)));
        }
    }
}
