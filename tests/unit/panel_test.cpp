#include "app/panel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frmmain.h"
#include "app/layout.h"
#include "fakes.h"

namespace {

const std::wstring kPlaceholder = L"在此输入提醒内容";

struct Panel {
    FakeWindow ui;
    FakeSystem sys;
    Frmmain frm{ui, sys};
    Panel() {
        SetDesignState(ui);
        frm.Form_Load();
        frm.mnwall_Click(0);
    }
};

constexpr int kCmdok0 = ID_CMDOK_0, kCmdok1 = ID_CMDOK_0 + 1;

}  // namespace

TEST(Panel, ReminderAndShutdownBoxesFollowTheirCheckBoxes) {
    Panel p;
    const auto enabled = [&] {
        std::vector<bool> e;
        for (int t = 0; t < 6; ++t) e.push_back(p.ui.IsEnabled(Text1(t)));
        return e;
    };
    p.frm.Check1_UserClick(2);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, false, false}));
    p.frm.Check1_UserClick(4);
    // The other boxes leave the four as the two check boxes say, whichever way they go.
    for (int i : {0, 1, 3, 0, 1, 3}) {
        p.frm.Check1_UserClick(i);
        EXPECT_EQ(enabled(), std::vector<bool>(6, true)) << i;
    }
    p.frm.Check1_UserClick(2);
    EXPECT_EQ(p.ui.GetValue(Check1(2)), 0);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, true, true, true}));
    p.frm.SetCheck(4, 2);  // greyed is not checked
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, true, false, false}));
}

TEST(Panel, NumberBoxesTakeDigitsOnlyAndEnterMovesOn) {
    Panel p;
    const int refused[] = {'a', ' ', 8, 22, '-', '.', '/', ':', 13, 0x6B63 /* 正 */};
    for (int box = 0; box < 6; ++box) {
        for (int key : refused) {
            const int tabs = p.ui.tabsPosted;
            EXPECT_EQ(p.frm.Text1_KeyPress(box, key), box == 3 ? key : 0) << box << " " << key;
            EXPECT_EQ(p.ui.tabsPosted, tabs + (key == 13 ? 1 : 0));
        }
        for (int key = '0'; key <= '9'; ++key) EXPECT_EQ(p.frm.Text1_KeyPress(box, key), key);
    }
    for (int box = 0; box < 5; ++box) {
        const int tabs = p.ui.tabsPosted;
        EXPECT_EQ(p.frm.Check1_KeyPress(box, 'x'), 'x');
        EXPECT_EQ(p.frm.Check1_KeyPress(box, ' '), ' ');
        EXPECT_EQ(p.ui.tabsPosted, tabs);
        EXPECT_EQ(p.frm.Check1_KeyPress(box, 13), 13);  // the Enter goes on to the box
        EXPECT_EQ(p.ui.tabsPosted, tabs + 1);
    }
}

TEST(Panel, FocusColoursAndThePlaceholder) {
    Panel p;
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::ScrollBar);
    p.frm.Text1_GotFocus(1);  // another box leaves the placeholder alone
    EXPECT_EQ(p.ui.GetText(Text1(3)), kPlaceholder);
    for (int i = 0; i < 6; ++i) {
        p.ui.SetText(Text1(i), L"");
        p.frm.Text1_GotFocus(i);
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::Window) << i;
        p.frm.Text1_LostFocus(i);
        EXPECT_EQ(p.ui.C(Text1(i)).back, SysColor::ScrollBar) << i;
    }
    const struct {
        std::wstring text, after;
    } cases[] = {{kPlaceholder, L""},
                 {kPlaceholder + L"!", kPlaceholder + L"!"},
                 {L" " + kPlaceholder, L" " + kPlaceholder},
                 {L"在此输入", L"在此输入"}};
    for (const auto& c : cases) {
        p.ui.SetText(Text1(3), c.text);
        p.frm.Text1_GotFocus(3);
        EXPECT_EQ(p.ui.GetText(Text1(3)), c.after);
        p.frm.Text1_LostFocus(3);
    }
    EXPECT_TRUE(p.ui.boxes.empty());
}

TEST(Panel, HourAndMinuteBoxesAreTestedWhenLeft) {
    const struct {
        int boxes[2];
        std::vector<std::wstring> passing, rejected;
    } groups[] = {
        {{1, 4}, {L"7", L"24", L"25", L"99", L"024", L"2x9", L"abc", L""}, {L"100", L"0100", L"025", L"25x"}},
        {{2, 5}, {L"60", L"61", L"7", L"060", L"abc"}, {L"061", L"100", L"99999999999999999999999"}},
        {{0, 3}, {L"100", L"9999"}, {}},
    };
    for (const auto& g : groups) {
        for (int box : g.boxes) {
            for (const auto* texts : {&g.passing, &g.rejected}) {
                for (const std::wstring& text : *texts) {
                    Panel p;
                    p.frm.SetCheck(2, 1);
                    p.frm.SetCheck(4, 1);
                    p.ui.SetText(Text1(box), text);
                    p.frm.Text1_GotFocus(box);
                    p.ui.SetFocus(ID_CMDOK_0);  // the focus has moved on
                    p.frm.Text1_LostFocus(box);
                    const std::string what =
                        std::to_string(box) + " " + std::string(text.begin(), text.end());
                    EXPECT_EQ(p.ui.C(Text1(box)).back, SysColor::ScrollBar);
                    if (texts == &g.passing) {
                        EXPECT_TRUE(p.ui.boxes.empty()) << what;
                        EXPECT_EQ(p.ui.GetText(Text1(box)), text) << what;
                        EXPECT_EQ(p.ui.focus, ID_CMDOK_0);
                        continue;
                    }
                    ASSERT_EQ(p.ui.boxes.size(), 1u) << what;
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
    }
}

TEST(Panel, TabSkipsDisabledBoxesAndWraps) {
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
        {Check1(2), false, Text1(3)}, {Text1(3), true, Check1(2)},    {Check1(4), false, kCmdok0},
        {kCmdok0, true, Check1(4)},   {ID_LISTURL, false, Check1(0)}, {Check1(0), true, ID_LISTURL},
        {0, false, Check1(0)},        {0, true, ID_LISTURL},          {Text1(0), false, Check1(2)},
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
    p.frm.TabKey(false);
    EXPECT_EQ(p.ui.focus, Text1(2));
    for (int id : order) p.ui.C(id).enabled = false;
    p.frm.TabKey(false);
    EXPECT_EQ(p.ui.focus, Text1(2));  // nothing else can take it
}

TEST(Layout, ControlTableIsTheDesign) {
    const int F0 = ID_FRAME1_0, F1 = ID_FRAME1_0 + 1;
    const struct {
        int id;
        ControlKind kind;
        int container, left, top, width, height;
        const wchar_t* text;
        int maxLength;
        bool disabled, checked;
    } rows[] = {
        {F0, ControlKind::Frame, 0, 150, 120, 3615, 1215, L"壁纸设置", 0, false, false},
        {Text1(0), ControlKind::TextBox, F0, 1440, 735, 615, 300, L"5", 3, false, false},
        {Check1(1), ControlKind::CheckBox, F0, 1440, 330, 1575, 255, L"仅使用本地图片", 0, false, false},
        {Check1(0), ControlKind::CheckBox, F0, 240, 330, 1095, 255, L"随机显示", 0, false, false},
        {ID_LABAPP, ControlKind::Label, F0, 3150, 345, 180, 180, L"\u2026", 0, false, false},
        {ID_LABEL1, ControlKind::Label, F0, 240, 795, 3150, 180, L"更新频率：每         分钟换一次壁纸", 0,
         false, false},
        {F1, ControlKind::Frame, 0, 150, 1440, 3615, 1575, L"其它选项", 0, false, false},
        {Text1(3), ControlKind::TextBox, F1, 1440, 705, 1935, 300, L"在此输入提醒内容", 0, false, false},
        {Text1(5), ControlKind::TextBox, F1, 2520, 1095, 615, 300, L"30", 2, true, false},
        {Text1(4), ControlKind::TextBox, F1, 1440, 1095, 615, 300, L"17", 2, true, false},
        {Text1(2), ControlKind::TextBox, F1, 2520, 315, 615, 300, L"", 2, true, false},
        {Text1(1), ControlKind::TextBox, F1, 1440, 315, 615, 300, L"", 2, true, false},
        {Check1(2), ControlKind::CheckBox, F1, 240, 345, 3180, 255, L"定时提醒          时          分", 0,
         false, false},
        {Check1(4), ControlKind::CheckBox, F1, 240, 1110, 3240, 255, L"自动关机          时          分", 0,
         false, false},
        {Check1(3), ControlKind::CheckBox, F1, 240, 727, 1095, 255, L"整点响铃", 0, false, true},
        {kCmdok0, ControlKind::Button, 0, 3990, 240, 1095, 375, L"确定(&O)", 0, false, false},
        {kCmdok1, ControlKind::Button, 0, 3990, 840, 1095, 375, L"取消(&C)", 0, false, false},
        {ID_LISTURL, ControlKind::ListBox, 0, 240, 4440, 4575, 4020, L"", 0, false, false},
        {Labday(2), ControlKind::Label, 0, 3945, 2780, 1095, 255, L"14时37分", 0, false, false},
        {Labday(1), ControlKind::Label, 0, 3915, 1800, 1095, 975, L"20", 0, false, false},
        {Labday(0), ControlKind::Label, 0, 4095, 1560, 915, 180, L"2007年12月", 0, false, false},
        {ID_IMGVECTOR, ControlKind::Image, 0, 5040, 6120, 1095, 975, L"", 0, false, false},
    };
    ASSERT_EQ(Controls().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        const ControlSpec& c = Controls()[i];
        EXPECT_EQ(c.id, r.id) << i;
        EXPECT_EQ(c.kind, r.kind) << i;
        EXPECT_EQ(c.container, r.container) << i;
        EXPECT_EQ((std::vector<int>{c.left, c.top, c.width, c.height}),
                  (std::vector<int>{r.left, r.top, r.width, r.height}))
            << i;
        EXPECT_EQ(std::wstring(c.text), r.text) << i;
        EXPECT_EQ(c.maxLength, r.maxLength) << i;
        EXPECT_EQ(c.disabled, r.disabled) << i;
        EXPECT_EQ(c.checked, r.checked) << i;
        EXPECT_EQ(FindControl(r.id), &c);
    }
    const struct {
        int id;
        const wchar_t* tip;
    } tips[] = {{Check1(1),
                 L"选中后将不下载新图片，而只使用软件安装目录下的wallpaper子目录中文件名以tirnaco开头的图片"},
                {ID_LABAPP, L"打开保存壁纸的文件夹"},
                {Text1(3), L"提示：也可输入需要定时打开的程序、文件或网址"},
                {kCmdok0, L"点击确定后每次开机有效"}};
    for (const auto& t : tips) EXPECT_EQ(std::wstring(FindControl(t.id)->tooltip), t.tip);
    for (int id : {Check1(0), Check1(1), Check1(2), Check1(3), Check1(4), kCmdok0, kCmdok1, ID_LABAPP})
        EXPECT_TRUE(FindControl(id)->hand) << id;
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(FindControl(Text1(i))->centred) << i;
    EXPECT_EQ(FindControl(ID_LABAPP)->textColor, 0x00FF0000u);
    EXPECT_EQ(FindControl(Labday(1))->textColor, 0x000000FFu);
    EXPECT_EQ(std::wstring(kDayFontFace), L"Small Fonts");
    EXPECT_DOUBLE_EQ(kDayFontPoints, 33.75);
    EXPECT_EQ(kDayFontWeight, 700);
    EXPECT_EQ(std::wstring(kWindowCaption).rfind(L"   晴窗画匣 V1.82  ", 0), 0u);
    EXPECT_EQ(std::make_pair(kClientWidthTwips, kClientHeightTwips), std::make_pair(5280, 3270));
}
