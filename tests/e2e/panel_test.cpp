// The settings panel of the real program, used the way a user does.

#include "product.h"

using namespace e2e;

namespace {

const wchar_t kConfirm[] =
    L"   你要让设定在以后每次打开本软件时都有效吗？如果是就    \r\n"
    L"请按'确定'，如果只想让设定本次有效，请按'取消'。    ";

bool TypeText(HWND control, std::wstring_view text) {
    return std::all_of(text.begin(), text.end(),
                       [&](wchar_t c) { return PostMessageW(control, WM_CHAR, c, 1); });
}

// SetFocus works only within the caller's input queue: share the control's for the call.
bool SetFocusTo(HWND control) {
    const DWORD target = GetWindowThreadProcessId(control, nullptr);
    if (!target || !AttachThreadInput(GetCurrentThreadId(), target, TRUE)) return false;
    SetFocus(control);
    const bool ok = GetFocus() == control;
    AttachThreadInput(GetCurrentThreadId(), target, FALSE);
    return ok;
}

HWND FocusOf(HWND hwnd) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) ? info.hwndFocus : nullptr;
}

TEST_F(ProductTest, SizeKeysFocusColoursHourCheckCancelAndOk) {
    ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));  // no list server to wait for
    Product app;
    app.Start();
    app.OpenPanel();
    HWND interval = app.Ctl(Text1(0)), hour = app.Ctl(Text1(1)), minute = app.Ctl(Text1(2)),
         note = app.Ctl(Text1(3));

    // The window at its design size for the DPI (ctest runs this at 96 and 192), centred.
    DWORD dpi = 96, size = sizeof dpi;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr, &dpi,
                 &size);
    RECT client, r = WindowRect(app.Window());
    GetClientRect(app.Window(), &client);
    EXPECT_NEAR(client.right, 5280.0 * dpi / 1440, 1);  // twips
    EXPECT_NEAR(client.bottom, 3270.0 * dpi / 1440, 1);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);

    // The interval takes up to three digits from typing, nothing else.
    ASSERT_TRUE(SetFocusTo(interval) && SetText(interval, L"") && TypeText(interval, L"a1 b2\b3"));
    EXPECT_TRUE(WaitUntil([&] { return Text(interval) == L"123"; })) << Text(interval);
    ASSERT_TRUE(TypeText(interval, L"4"));
    Pump(300ms);
    EXPECT_EQ(Text(interval), L"123");
    // The reminder text takes anything; its placeholder goes at the first focus.
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_TRUE(WaitUntil([&] { return Text(note).empty(); }));
    ASSERT_TRUE(TypeText(note, L"a b"));
    EXPECT_TRUE(WaitUntil([&] { return Text(note) == L"a b"; }));
    // Enter moves the focus on in tab order, past the disabled boxes.
    EXPECT_TRUE(SetFocusTo(app.Ctl(Check(4))) && TypeText(app.Ctl(Check(4)), L"\r") &&
                WaitUntil([&] { return FocusOf(app.Window()) == app.Ctl(ID_CMDOK_0); }));

    // The focused box shows the window colour, the others the scroll-bar colour.
    SetForegroundWindow(app.Window());
    auto colourIn = [&](HWND h) {
        Pump(300ms);
        const Image image = CaptureScreen(WindowRect(h));
        return image.width ? image.At(image.width / 5, image.height / 2)
                           : 0xFFFFFFFF;  // clear of the centred caret
    };
    ASSERT_TRUE(SetText(note, L""));
    EXPECT_EQ(colourIn(note), SysColor(COLOR_SCROLLBAR));
    ASSERT_TRUE(SetFocusTo(note));
    EXPECT_EQ(colourIn(note), SysColor(COLOR_WINDOW));
    EXPECT_EQ(colourIn(app.Ctl(Text1(4))), SysColor(COLOR_SCROLLBAR)) << "a disabled box";

    // Leaving an hour box with no hour in it says so, empties it and takes the focus back.
    ASSERT_TRUE(Click(app.Ctl(Check(2))));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hour); }))
        << "checking the reminder enables its boxes";
    ASSERT_TRUE(SetText(hour, L"100") && SetText(minute, L"60") && SetFocusTo(hour));
    SetFocusTo(minute);  // the message box may take the focus before this returns
    EXPECT_EQ(app.AnswerBox(IDOK), L"   请输入标准的时间格式!    ");
    EXPECT_TRUE(WaitUntil([&] { return Text(hour).empty() && FocusOf(app.Window()) == hour; }));

    // Cancel puts the check boxes back and keeps the texts; nothing is stored.
    for (int i : {0, 3, 4}) ASSERT_TRUE(Click(app.Ctl(Check(i))));
    ASSERT_TRUE(WaitUntil([&] { return CheckState(app.Ctl(Check(4))) == BST_CHECKED; }));
    ASSERT_TRUE(SetText(interval, L"9") && Click(app.Ctl(ID_CMDOK_0 + 1)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); })) << "Cancel leaves the window open";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(CheckState(app.Ctl(Check(i))), i == 1 || i == 3) << i;
    EXPECT_FALSE(IsWindowEnabled(app.Ctl(Text1(4))));
    EXPECT_EQ(Text(interval), L"9");
    EXPECT_EQ(ProgramSettings().size(), 1u);  // only what the test stored

    // OK asks whether to keep the settings; declined, nothing is stored but the changes hold.
    app.OpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(4))) && Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDCANCEL), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); })) << "OK leaves the window open";
    EXPECT_TRUE(ProgramSettings().size() == 1 && IsWindowEnabled(app.Ctl(Text1(4))));

    // Confirmed, exactly the eleven values are stored, all as text.
    app.OpenPanel();
    ASSERT_TRUE(Click(app.Ctl(Check(0))) && Click(app.Ctl(Check(2))));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(hour); }));
    ASSERT_TRUE(SetText(hour, L"08") && SetText(minute, L"05") && SetText(note, L"开会 C:\\路径"));
    ASSERT_TRUE(Click(app.Ctl(ID_CMDOK_0)));
    EXPECT_EQ(app.AnswerBox(IDOK), kConfirm);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); }));
    std::wstring stored;  // by name; "?" for a value that is no REG_SZ
    for (const auto& [name, value] : ProgramSettings())
        stored += name + L"=" + (value.first == REG_SZ ? value.second : L"?") + L";";
    EXPECT_EQ(stored,
              L"autoshut=1;chgtime=9;justime=1;ppdir=1;rndshow=1;shutime1=17;shutime2=30;tiptime=1;"
              L"tiptime1=08;tiptime2=05;tiptime3=开会 C:\\路径;");
}

}  // namespace
