#include "app/panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frmmain.h"
#include "app/layout.h"
#include "fakes.h"

namespace {

const std::wstring kPlaceholder = L"在此输入提醒内容";

struct Panel : FakeApp {
    Panel() {
        frm.Form_Load();
        frm.mnwall_Click(0);
    }
    std::vector<bool> Enabled() const {
        std::vector<bool> e;
        for (int t = 0; t < 6; ++t) e.push_back(ui.IsEnabled(Text1(t)));
        return e;
    }
};

constexpr int kCmdok0 = ID_CMDOK_0, kCmdok1 = ID_CMDOK_0 + 1;

}  // namespace

TEST(Panel, ReminderAndShutdownBoxesFollowTheirCheckBoxes) {
    Panel p;
    p.frm.Check1_UserClick(2);
    p.frm.Check1_UserClick(4);
    // The other boxes leave the four as the two check boxes say, whichever way they go.
    for (int i : {0, 1, 3, 0, 1, 3}) {
        p.frm.Check1_UserClick(i);
        EXPECT_EQ(p.Enabled(), std::vector<bool>(6, true)) << i;
    }
    p.frm.Check1_UserClick(2);
    EXPECT_EQ(p.Enabled(), (std::vector<bool>{true, false, false, true, true, true}));
    p.frm.SetCheck(4, 2);  // greyed is not checked, and a click checks a greyed box
    EXPECT_EQ(p.Enabled(), (std::vector<bool>{true, false, false, true, false, false}));
    p.frm.Check1_UserClick(4);
    EXPECT_EQ(p.ui.GetValue(Check1(4)), 1);
}

TEST(Panel, NumberBoxesTakeDigitsOnlyAndEnterMovesOn) {
    Panel p;
    for (int box = 0; box < 6; ++box) {
        for (const int key : std::wstring(L"a \b\x16-./:\r正059")) {
            const int tabs = p.ui.tabsPosted;
            const bool digit = key >= '0' && key <= '9';
            EXPECT_EQ(p.frm.Text1_KeyPress(box, key), box == 3 || digit ? key : 0) << box << " " << key;
            EXPECT_EQ(p.ui.tabsPosted, tabs + (key == 13 ? 1 : 0));
        }
    }
    for (int box = 0; box < 5; ++box) {
        const int tabs = p.ui.tabsPosted;
        EXPECT_EQ(p.frm.Check1_KeyPress(box, ' '), ' ');
        EXPECT_EQ(p.frm.Check1_KeyPress(box, 13), 13);  // the Enter goes on to the box
        EXPECT_EQ(p.ui.tabsPosted, tabs + 1);
    }
}

TEST(Panel, FocusColoursAndThePlaceholder) {
    Panel p;
    for (int i = 0; i < 6; ++i) {
        p.ui.SetText(Text1(i), i == 3 ? kPlaceholder : L"");
        p.frm.Text1_GotFocus(i);
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::Window) << i;
        EXPECT_EQ(p.ui.GetText(Text1(3)), i < 3 ? kPlaceholder : L"") << i;  // only its own box drops it
        p.frm.Text1_LostFocus(i);
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::ScrollBar) << i;
    }
    for (const std::wstring& text : {kPlaceholder + L"!", L" " + kPlaceholder, std::wstring(L"在此输入")}) {
        p.ui.SetText(Text1(3), text);
        p.frm.Text1_GotFocus(3);
        EXPECT_EQ(p.ui.GetText(Text1(3)), text);
    }
    EXPECT_TRUE(p.ui.boxes.empty());
}

TEST(Panel, HourAndMinuteBoxesAreTestedWhenLeft) {
    // Rejected: past the limit and not exactly two characters long.
    for (const wchar_t* text : {L"7", L"24", L"25", L"99", L"024", L"2x9", L"abc", L""})
        EXPECT_FALSE(panel::TimeBoxRejected(text, 24)) << text;
    for (const wchar_t* text : {L"100", L"0100", L"025", L"25x", L"99999999999999999999999"})
        EXPECT_TRUE(panel::TimeBoxRejected(text, 24)) << text;
    EXPECT_FALSE(panel::TimeBoxRejected(L"060", 60));
    EXPECT_TRUE(panel::TimeBoxRejected(L"061", 60));
    // The hour boxes go up to 24, the minute boxes up to 60; the others are not tested.
    for (int box = 0; box < 6; ++box) {
        for (const std::wstring text : {L"025", L"061"}) {
            Panel p;
            p.ui.SetText(Text1(box), text);
            p.ui.SetFocus(kCmdok0);  // the focus has moved on
            p.frm.Text1_LostFocus(box);
            if (box == 0 || box == 3 || (text == L"025" && (box == 2 || box == 5))) {
                EXPECT_TRUE(p.ui.boxes.empty()) << box;
                EXPECT_EQ(p.ui.GetText(Text1(box)), text);
                EXPECT_EQ(p.ui.focus, kCmdok0);
                continue;
            }
            ASSERT_EQ(p.ui.boxes.size(), 1u) << box;
            EXPECT_EQ(p.ui.boxes[0].text, L"   请输入标准的时间格式!    ");
            EXPECT_EQ(p.ui.boxes[0].style, mb::kOk + mb::kInformation);
            EXPECT_EQ(p.ui.boxes[0].title, L"提示");
            EXPECT_EQ(p.ui.GetText(Text1(box)), L"");
            EXPECT_EQ(p.ui.focus, Text1(box));
            p.frm.Text1_LostFocus(box);  // the emptied box lets the user go
            EXPECT_EQ(p.ui.boxes.size(), 1u);
        }
    }
}

TEST(Panel, TabFollowsTheOrderPastDisabledBoxesAndWraps) {
    const std::vector<int> order(TabOrder().begin(), TabOrder().end());
    EXPECT_EQ(order,
              (std::vector<int>{Check1(0), Check1(1), Text1(0), Check1(2), Text1(1), Text1(2), Text1(3),
                                Check1(3), Check1(4), Text1(4), Text1(5), kCmdok0, kCmdok1, ID_LISTURL}));
    Panel p;  // defaults: the four hour and minute boxes are disabled
    const struct {
        int from;
        bool backwards;
        int to;
    } moves[] = {
        {Check1(2), false, Text1(3)},   {Text1(3), true, Check1(2)},   {Check1(4), false, kCmdok0},
        {ID_LISTURL, false, Check1(0)}, {Check1(0), true, ID_LISTURL}, {0, false, Check1(0)},
        {0, true, ID_LISTURL},
    };
    for (const auto& m : moves) {
        p.ui.focus = m.from;
        p.frm.TabKey(m.backwards);
        EXPECT_EQ(p.ui.focus, m.to) << m.from << (m.backwards ? " back" : "");
    }
    p.frm.Check1_UserClick(2);
    p.ui.focus = Check1(2);
    p.frm.TabKey(false);
    EXPECT_EQ(p.ui.focus, Text1(1));
    for (int id : order) p.ui.C(id).enabled = false;
    p.frm.TabKey(false);
    EXPECT_EQ(p.ui.focus, Text1(1));  // nothing else can take it
}

TEST(Layout, TheDetailsThatAreEasyToGetWrong) {
    // The blank runs leave room for the boxes that lie over the captions.
    EXPECT_EQ(std::wstring(FindControl(Check1(2))->text), L"定时提醒          时          分");
    EXPECT_EQ(std::wstring(FindControl(Check1(4))->text), L"自动关机          时          分");
    EXPECT_EQ(std::wstring(FindControl(ID_LABEL1)->text), L"更新频率：每         分钟换一次壁纸");
    EXPECT_EQ(std::wstring(kWindowCaption), L"   晴窗画匣 V1.82  设计：晴窗工作室");
    for (int i = 0; i < 6; ++i) EXPECT_EQ(FindControl(Text1(i))->disabled, i != 0 && i != 3) << i;
    for (int i = 0; i < 5; ++i) EXPECT_EQ(FindControl(Check1(i))->checked, i == 3) << i;
    EXPECT_EQ(FindControl(12345), nullptr);
    // Places inside a frame count from the frame; twips round to the nearest pixel.
    int left = 0, top = 0;
    WindowPlace(*FindControl(Text1(0)), left, top);
    EXPECT_EQ(std::make_pair(left, top), std::make_pair(150 + 1440, 120 + 735));
    WindowPlace(*FindControl(kCmdok0), left, top);
    EXPECT_EQ(std::make_pair(left, top), std::make_pair(3990, 240));
    EXPECT_EQ(TwipsToPixels(7, 96), 0);
    EXPECT_EQ(TwipsToPixels(8, 96), 1);
    EXPECT_EQ(TwipsToPixels(-8, 96), -1);
    EXPECT_EQ(TwipsToPixels(3270, 144), 327);
}
