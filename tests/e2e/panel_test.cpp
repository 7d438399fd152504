// The settings panel of the real program, used the way a user does.

#include <algorithm>
#include <string>

#include "product.h"

using namespace e2e;

namespace {

const wchar_t kConfirm[] =
    L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
    L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ";

// The prefix must link a Chinese font to the panel's face and to the message
// font, or every screenshot shows boxes while the texts still compare equal:
// each character must look unlike the others and unlike a private-use one,
// which has no glyph anywhere.
bool DrawsChinese(const wchar_t* face) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateBitmap(40, 40, 1, 32, nullptr);
    const HFONT font = CreateFontW(-24, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    std::vector<std::vector<COLORREF>> glyphs;
    for (const wchar_t c : std::wstring(L"\xE000晴窗画")) {
        const RECT all = {0, 0, 40, 40};
        ExtTextOutW(dc, 4, 4, ETO_OPAQUE, &all, &c, 1, nullptr);
        auto& glyph = glyphs.emplace_back();
        for (int i = 0; i < 1600; ++i) glyph.push_back(GetPixel(dc, i % 40, i / 40));
    }
    DeleteDC(dc);
    DeleteObject(font);
    DeleteObject(bitmap);
    std::sort(glyphs.begin(), glyphs.end());
    return std::adjacent_find(glyphs.begin(), glyphs.end()) == glyphs.end();
}

TEST_F(ProductTest, KeysFocusColoursHourCheckCancelAndOk) {
    ASSERT_TRUE(DrawsChinese(L"SimSun")) << "the Wine prefix draws no Chinese in SimSun";
    ASSERT_TRUE(DrawsChinese(L"Tahoma")) << "the Wine prefix links no Chinese font to Tahoma";
    Product app;
    app.Start();
    app.OpenPanel();

    // The interval takes up to three digits from typing, nothing else.
    HWND interval = app.Ctl(Text1(0));
    ASSERT_TRUE(SetFocusTo(interval));
    ASSERT_TRUE(SetText(interval, L""));
    ASSERT_TRUE(TypeText(interval, L"a1 b2\b3"));
    EXPECT_TRUE(WaitUntil([&] { return Text(interval) == L"123"; })) << Text(interval);
    ASSERT_TRUE(TypeText(interval, L"4"));
    Pump(300ms);
    EXPECT_EQ(Text(interval), L"123");
    // The reminder text takes anything; its placeholder goes at the first focus.
    HWND note = app.Ctl(Text1(3));
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_TRUE(WaitUntil([&] { return Text(note).empty(); }));
    ASSERT_TRUE(TypeText(note, L"a b"));
    EXPECT_TRUE(WaitUntil([&] { return Text(note) == L"a b"; }));
    // Enter moves the focus on in tab order, past the disabled boxes.
    auto enterMovesTo = [&](HWND from, HWND to) {
        return SetFocusTo(from) && TypeText(from, L"\r") && WaitUntil([&] { return FocusOf(app.Window()) == to; });
    };
    EXPECT_TRUE(enterMovesTo(app.Ctl(Check(0)), app.Ctl(Check(1))));
    EXPECT_TRUE(enterMovesTo(note, app.Ctl(Check(3))));
    EXPECT_TRUE(enterMovesTo(app.Ctl(Check(4)), app.Ctl(ID_CMDOK_0))) << "the disabled shutdown boxes take the focus";

    // The focused box shows the window colour, the others the scroll-bar colour.
    SetForegroundWindow(app.Window());
    auto colourIn = [&](HWND h) -> std::uint32_t {
        Pump(300ms);
        const auto image = CaptureWindow(h);
        return image ? image->At(image->width / 5, image->height / 2) : 0xFFFFFFFF;  // clear of the centred caret
    };
    ASSERT_TRUE(SetText(note, L""));
    EXPECT_EQ(colourIn(note), SysColor(COLOR_SCROLLBAR));
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_EQ(colourIn(note), SysColor(COLOR_WINDOW));
    ASSERT_TRUE(SetFocusTo(interval));
    EXPECT_EQ(colourIn(note), SysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(colourIn(app.Ctl(Text1(4))), SysColor(COLOR_SCROLLBAR)) << "a disabled box";

    // Leaving an hour box with no hour in it says so, empties it and takes the focus back.
    ASSERT_TRUE(Click(app.Ctl(Check(2))));
    HWND hour = app.Ctl(Text1(1)), minute = app.Ctl(Text1(2));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hour); })) << "checking the reminder enables its boxes";
    ASSERT_TRUE(SetText(hour, L"100"));
    ASSERT_TRUE(SetText(minute, L"60"));
    ASSERT_TRUE(SetFocusTo(hour));
    SetFocusTo(minute);  // the message box may take the focus before this returns
    EXPECT_EQ(app.AnswerBox(IDOK), L"   请输入标准的时间格式!    ");
    EXPECT_TRUE(WaitUntil([&] { return Text(hour).empty() && FocusOf(app.Window()) == hour; }));
    // 60 is within the minute box's limit: leaving it says nothing.
    ASSERT_TRUE(SetFocusTo(minute));
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_EQ(FindTopWindow(app.Proc().Pid(), L"#32770", true, 1500ms), nullptr);
    EXPECT_EQ(Text(minute), L"60");

    // Cancel puts the check boxes back and keeps the texts; nothing is stored.
    for (int i : {0, 3, 4}) ASSERT_TRUE(Click(app.Ctl(Check(i))));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(app.Ctl(Check(4))) == BST_CHECKED; }));
    ASSERT_TRUE(SetText(interval, L"9"));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0 + 1)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); })) << "Cancel leaves the window open";
    const int states[] = {BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CheckState(app.Ctl(Check(i))), states[i]) << i;
    EXPECT_FALSE(IsWindowEnabled(app.Ctl(Text1(4))));
    EXPECT_EQ(Text(interval), L"9");
    EXPECT_TRUE(StoredSettings().empty());

    // OK asks whether to keep the settings; declined, nothing is stored but the changes hold.
    app.OpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(4))));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDCANCEL), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); })) << "OK leaves the window open";
    EXPECT_TRUE(StoredSettings().empty());
    EXPECT_EQ(CheckState(app.Ctl(Check(4))), BST_CHECKED);
    EXPECT_TRUE(IsWindowEnabled(app.Ctl(Text1(4))));

    // Confirmed, exactly the eleven values are stored, all as text.
    app.OpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(0))));
    ASSERT_TRUE(Click(app.Ctl(Check(2))));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hour); }));
    ASSERT_TRUE(SetText(hour, L"08"));
    ASSERT_TRUE(SetText(minute, L"05"));
    ASSERT_TRUE(SetText(note, L"开会 C:\\路径"));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDOK), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); }));
    const std::map<std::wstring, std::pair<DWORD, std::wstring>> expected = {
        {L"rndshow", {REG_SZ, L"1"}},     {L"ppdir", {REG_SZ, L"0"}},     {L"tiptime", {REG_SZ, L"1"}},
        {L"justime", {REG_SZ, L"1"}},     {L"autoshut", {REG_SZ, L"1"}},  {L"chgtime", {REG_SZ, L"9"}},
        {L"tiptime1", {REG_SZ, L"08"}},   {L"tiptime2", {REG_SZ, L"05"}}, {L"tiptime3", {REG_SZ, L"开会 C:\\路径"}},
        {L"shutime1", {REG_SZ, L"17"}},   {L"shutime2", {REG_SZ, L"30"}}};
    EXPECT_TRUE(StoredSettings() == expected);
}

// The window at its design size for the DPI, centred, as a picture for people
// to look at (ctest runs this once more at 192 DPI).
TEST_F(ProductTest, ScreenshotOfTheSettingsPanel) {
    Product app;
    app.Start();
    app.OpenPanel();
    SetForegroundWindow(app.Window());
    Pump(500ms);
    DWORD dpi = 96, size = sizeof dpi;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi, &size);
    EXPECT_TRUE(SaveScreenshot(app.Window(), L"settings-panel-" + std::to_wstring(dpi)));
    RECT client;
    GetClientRect(app.Window(), &client);
    EXPECT_NEAR(client.right, 5280.0 * dpi / 1440, 1);  // twips
    EXPECT_NEAR(client.bottom, 3270.0 * dpi / 1440, 1);
    const RECT r = WindowRect(app.Window());
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

}  // namespace
