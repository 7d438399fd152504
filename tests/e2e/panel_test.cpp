// The settings panel of the real program: OK and Cancel, the time test,
// the key rules, the focus colours and a screenshot.

#include <string>

#include "product.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

int Check(int i) { return ID_CHECK1_0 + i; }
int Text1(int i) { return ID_TEXT1_0 + i; }

const wchar_t kConfirm[] =
    L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
    L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ";

TEST_F(ProductTest, OkWithConfirmationStoresExactlyTheElevenValues) {
    Product app;
    app.StartAndOpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(0))));
    ASSERT_TRUE(Click(app.Ctl(Check(2))));
    ASSERT_TRUE(WaitUntil([&] { return Enabled(app.Ctl(Text1(1))); })) << "checking the reminder enables its boxes";
    ASSERT_TRUE(SetText(app.Ctl(Text1(1)), L"08"));
    ASSERT_TRUE(SetText(app.Ctl(Text1(2)), L"05"));
    ASSERT_TRUE(SetText(app.Ctl(Text1(3)), L"开会 C:\\路径"));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDOK), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !Visible(app.Window()); })) << "OK leaves the window open";

    const wchar_t* keys[] = {L"rndshow", L"ppdir",    L"tiptime",  L"justime",  L"autoshut", L"chgtime",
                             L"tiptime1", L"tiptime2", L"tiptime3", L"shutime1", L"shutime2"};
    const wchar_t* values[] = {L"1", L"0", L"1", L"1", L"0", L"5", L"08", L"05", L"开会 C:\\路径", L"17", L"30"};
    EXPECT_EQ(Settings().Names(L"setting").size(), 11u);
    for (int i = 0; i < 11; ++i) {
        const auto v = Settings().Read(L"setting", keys[i]);
        ASSERT_TRUE(v) << Narrow(keys[i]);
        EXPECT_EQ(v->type, static_cast<DWORD>(REG_SZ)) << Narrow(keys[i]);
        EXPECT_EQ(v->String(), values[i]) << Narrow(keys[i]);
    }
    // The next start shows what was stored.
    app.Quit();
    Product again;
    again.StartAndOpenPanel();
    EXPECT_EQ(CheckState(again.Ctl(Check(0))), BST_CHECKED);
    EXPECT_EQ(Text(again.Ctl(Text1(3))), L"开会 C:\\路径");
}

TEST_F(ProductTest, DecliningTheConfirmationStoresNothingButTheChangesHold) {
    Product app;
    app.StartAndOpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(4))));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDCANCEL), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !Visible(app.Window()); }));
    EXPECT_FALSE(Settings().Exists(L"setting"));
    EXPECT_EQ(CheckState(app.Ctl(Check(4))), BST_CHECKED);
    EXPECT_TRUE(Enabled(app.Ctl(Text1(4))));
}

TEST_F(ProductTest, CancelRestoresTheCheckBoxesAndKeepsTheTexts) {
    Product app;
    app.StartAndOpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(0))));
    ASSERT_TRUE(Click(app.Ctl(Check(3))));
    ASSERT_TRUE(Click(app.Ctl(Check(4))));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(app.Ctl(Check(4))) == BST_CHECKED; }));
    ASSERT_TRUE(SetText(app.Ctl(Text1(0)), L"9"));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    ASSERT_TRUE(WaitUntil([&] { return !Visible(app.Window()); })) << "Cancel leaves the window open";
    EXPECT_EQ(CheckState(app.Ctl(Check(0))), BST_UNCHECKED);
    EXPECT_EQ(CheckState(app.Ctl(Check(3))), BST_CHECKED);
    EXPECT_EQ(CheckState(app.Ctl(Check(4))), BST_UNCHECKED);
    EXPECT_FALSE(Enabled(app.Ctl(Text1(4))));
    EXPECT_EQ(Text(app.Ctl(Text1(0))), L"9");
    EXPECT_FALSE(Settings().Exists(L"setting"));
}

TEST_F(ProductTest, AnHourOutOfRangeIsRejectedWhenTheBoxIsLeft) {
    ASSERT_TRUE(Settings().WriteString(L"setting", L"tiptime", L"1"));
    ASSERT_TRUE(Settings().WriteString(L"setting", L"tiptime1", L"100"));
    ASSERT_TRUE(Settings().WriteString(L"setting", L"tiptime2", L"60"));
    Product app;
    app.StartAndOpenPanel();
    HWND hour = app.Ctl(Text1(1)), minute = app.Ctl(Text1(2));
    ASSERT_TRUE(SetFocusTo(hour));
    SetFocusTo(minute);  // the message box may take the focus before this returns
    EXPECT_EQ(app.AnswerBox(IDOK), L"   请输入标准的时间格式!    ");
    EXPECT_TRUE(WaitUntil([&] { return Text(hour).empty() && FocusOf(app.Window()) == hour; }))
        << "the rejected box is emptied and has the focus again";
    // "60" is within the minute limit: leaving the minute box says nothing.
    ASSERT_TRUE(SetFocusTo(minute));
    ASSERT_TRUE(SetFocusTo(app.Ctl(Text1(3))));
    EXPECT_EQ(FindMessageBox(app.Proc().Pid(), 1500ms), nullptr);
    EXPECT_EQ(Text(minute), L"60");
}

TEST_F(ProductTest, NumberBoxesTakeDigitsOnlyAndEnterMovesOn) {
    Product app;
    app.StartAndOpenPanel();
    HWND interval = app.Ctl(Text1(0));
    ASSERT_TRUE(SetFocusTo(interval));
    ASSERT_TRUE(SetText(interval, L""));
    ASSERT_TRUE(TypeText(interval, L"a1 b2\b3"));
    EXPECT_TRUE(WaitUntil([&] { return Text(interval) == L"123"; })) << Narrow(Text(interval));
    ASSERT_TRUE(TypeText(interval, L"4"));  // at most three characters from typing
    Pump(300ms);
    EXPECT_EQ(Text(interval), L"123");

    // The reminder text takes everything, and its placeholder goes at the first focus.
    HWND note = app.Ctl(Text1(3));
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_TRUE(WaitUntil([&] { return Text(note).empty(); }));
    ASSERT_TRUE(TypeText(note, L"a b"));
    EXPECT_TRUE(WaitUntil([&] { return Text(note) == L"a b"; }));

    // Enter in a check box and in a text box moves the focus on in tab order,
    // past the disabled boxes.
    ASSERT_TRUE(SetFocusTo(app.Ctl(Check(0))));
    ASSERT_TRUE(TypeText(app.Ctl(Check(0)), L"\r"));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(app.Window()) == app.Ctl(Check(1)); }));
    ASSERT_TRUE(SetFocusTo(note));
    ASSERT_TRUE(TypeText(note, L"\r"));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(app.Window()) == app.Ctl(Check(3)); }));
    ASSERT_TRUE(TypeText(app.Ctl(Check(3)), L"\r"));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(app.Window()) == app.Ctl(Check(4)); }));
    ASSERT_TRUE(TypeText(app.Ctl(Check(4)), L"\r"));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(app.Window()) == app.Ctl(ID_CMDOK_0); }))
        << "the disabled shutdown boxes are passed over";
}

TEST_F(ProductTest, TheFocusedBoxShowsTheWindowColour) {
    Product app;
    app.StartAndOpenPanel();
    HWND box = app.Ctl(Text1(3));
    ASSERT_TRUE(SetText(box, L""));
    auto colourIn = [&](HWND h) -> std::uint32_t {
        Pump(300ms);
        auto img = CaptureWindow(h);
        if (!img || img->Empty()) return 0xFFFFFFFF;
        return img->At(img->width / 5, img->height / 2);  // clear of the centred caret
    };
    auto rgb = [](int index) {
        const COLORREF c = GetSysColor(index);
        return static_cast<std::uint32_t>(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    };
    SetForegroundWindow(app.Window());
    EXPECT_EQ(colourIn(box), rgb(COLOR_SCROLLBAR));
    ASSERT_TRUE(SetFocusTo(box));
    EXPECT_EQ(colourIn(box), rgb(COLOR_WINDOW));
    ASSERT_TRUE(SetFocusTo(app.Ctl(Text1(0))));
    EXPECT_EQ(colourIn(box), rgb(COLOR_SCROLLBAR));
    EXPECT_EQ(colourIn(app.Ctl(Text1(4))), rgb(COLOR_SCROLLBAR)) << "a disabled box shows the scroll-bar colour";
}

TEST_F(ProductTest, ScreenshotOfTheOpenSettingsPanel) {
    Product app;
    app.StartAndOpenPanel();
    SetForegroundWindow(app.Window());
    Pump(500ms);
    DWORD dpi = 96, size = sizeof dpi;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi, &size);
    const fs::path shot = SaveScreenshot(app.Window(), L"settings-panel-" + std::to_wstring(dpi));
    ASSERT_FALSE(shot.empty());
    // The window has its design size at this DPI: 5280 x 3270 twips of client area.
    RECT client;
    GetClientRect(app.Window(), &client);
    EXPECT_NEAR(client.right, 5280.0 * dpi / 1440, 1);
    EXPECT_NEAR(client.bottom, 3270.0 * dpi / 1440, 1);
    // Centred on the screen.
    const RECT r = WindowRect(app.Window());
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

}  // namespace
