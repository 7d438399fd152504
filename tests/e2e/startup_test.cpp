// Start-up, settings loading and shutdown of the real program.

#include <chrono>
#include <iostream>
#include <string>

#include "product.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

int Check(int i) { return ID_CHECK1_0 + i; }
int Text1(int i) { return ID_TEXT1_0 + i; }

TEST_F(ProductTest, FirstStartShowsTheDesignAndDefaultsHiddenInTheTray) {
    Product app;
    app.Box().Write(L"deskurl.ini", "http://127.0.0.1/left-over.jpg\r\n");
    app.Start();
    HWND w = app.Window();
    EXPECT_FALSE(Visible(w));
    EXPECT_EQ(Text(w), L"   晴窗画匣 V1.82  设计：晴窗工作室");

    // A left-over list is gone, the picture folder is there.
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(fs::is_directory(app.Dir() / L"Wallpaper"));
    EXPECT_FALSE(Visible(w)) << "start-up never shows the window";

    app.OpenPanel();
    EXPECT_TRUE(WaitUntil([&] { return Text(app.Ctl(ID_LABDAY_0)) != L"2007年12月"; }, 5s));

    const wchar_t* captions[] = {L"随机显示", L"仅使用本地图片", L"定时提醒          时          分", L"整点响铃",
                                 L"自动关机          时          分"};
    const int states[] = {BST_UNCHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Text(app.Ctl(Check(i))), captions[i]) << i;
        EXPECT_EQ(CheckState(app.Ctl(Check(i))), states[i]) << i;
    }
    const wchar_t* texts[] = {L"5", L"", L"", L"在此输入提醒内容", L"17", L"30"};
    const bool enabled[] = {true, false, false, true, false, false};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Text(app.Ctl(Text1(i))), texts[i]) << i;
        EXPECT_EQ(Enabled(app.Ctl(Text1(i))), enabled[i]) << i;
    }
    EXPECT_EQ(Text(app.Ctl(ID_FRAME1_0)), L"壁纸设置");
    EXPECT_EQ(Text(app.Ctl(ID_FRAME1_0 + 1)), L"其它选项");
    EXPECT_EQ(Text(app.Ctl(ID_LABEL1)), L"更新频率：每         分钟换一次壁纸");
    EXPECT_EQ(Text(app.Ctl(ID_LABAPP)), L"\u2026");
    EXPECT_EQ(Text(app.Ctl(ID_CMDOK_0)), L"确定(&O)");
    EXPECT_EQ(Text(app.Ctl(ID_CMDOK_0 + 1)), L"取消(&C)");

    // The tick keeps the calendar current.
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t ym[16];
    swprintf(ym, 16, L"%04d年%02d月", now.wYear, now.wMonth);
    EXPECT_EQ(Text(app.Ctl(ID_LABDAY_0)), ym);
    EXPECT_EQ(Text(app.Ctl(ID_LABDAY_0 + 1)), std::to_wstring(now.wDay));
    const std::wstring t1 = Text(app.Ctl(ID_LABDAY_0 + 2));
    EXPECT_TRUE(WaitUntil([&] { return Text(app.Ctl(ID_LABDAY_0 + 2)) != t1; }, 3s)) << "the clock stands still";

    // Nothing was stored by starting.
    EXPECT_FALSE(Settings().Exists(L"setting"));

    app.Box().Write(L"deskurl.ini", "x");
    app.Quit();
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
}

TEST_F(ProductTest, StoredSettingsGoIntoTheControlsAndBadOnesHurtOnlyTheirOwn) {
    const VbSettings& s = Settings();
    ASSERT_TRUE(s.WriteString(L"setting", L"rndshow", L"abc"));    // no number: design state
    ASSERT_TRUE(s.WriteString(L"setting", L"ppdir", L"2"));        // greyed
    ASSERT_TRUE(s.WriteString(L"setting", L"tiptime", L" 1 "));    // checked, boxes enabled
    ASSERT_TRUE(s.WriteDword(L"setting", L"justime", 0));          // not text: the default
    ASSERT_TRUE(s.WriteString(L"setting", L"autoshut", L"1.5"));   // rounds to 2: greyed, boxes stay off
    ASSERT_TRUE(s.WriteString(L"setting", L"chgtime", L"12345"));  // longer than the box takes from typing
    ASSERT_TRUE(s.WriteString(L"setting", L"tiptime1", L"08"));
    ASSERT_TRUE(s.WriteBinary(L"setting", L"tiptime2", {1, 2, 3}));  // not text: the default
    const std::wstring huge(1 << 20, L'提');
    ASSERT_TRUE(s.WriteString(L"setting", L"tiptime3", huge));
    ASSERT_TRUE(s.WriteString(L"setting", L"shutime1", L"开会"));
    // shutime2 missing

    Product app;
    app.StartAndOpenPanel();
    EXPECT_EQ(CheckState(app.Ctl(Check(0))), BST_UNCHECKED);
    EXPECT_EQ(CheckState(app.Ctl(Check(1))), BST_INDETERMINATE);
    EXPECT_EQ(CheckState(app.Ctl(Check(2))), BST_CHECKED);
    EXPECT_EQ(CheckState(app.Ctl(Check(3))), BST_CHECKED);
    EXPECT_EQ(CheckState(app.Ctl(Check(4))), BST_INDETERMINATE);
    EXPECT_TRUE(Enabled(app.Ctl(Text1(1))));
    EXPECT_TRUE(Enabled(app.Ctl(Text1(2))));
    EXPECT_FALSE(Enabled(app.Ctl(Text1(4))));
    EXPECT_EQ(Text(app.Ctl(Text1(0))), L"12345");
    EXPECT_EQ(Text(app.Ctl(Text1(1))), L"08");
    EXPECT_EQ(Text(app.Ctl(Text1(2))), L"");
    EXPECT_EQ(Text(app.Ctl(Text1(3))).size(), huge.size());
    EXPECT_EQ(Text(app.Ctl(Text1(4))), L"开会");
    EXPECT_EQ(Text(app.Ctl(Text1(5))), L"30");
    app.Quit();
    // Reading never rewrites what is stored.
    EXPECT_EQ(s.Read(L"setting", L"rndshow")->String(), L"abc");
    EXPECT_EQ(s.Read(L"setting", L"justime")->type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(ProductTest, ASecondStartEndsAtOnceAndLeavesTheFirstAlone) {
    Product first;
    first.Start();
    first.Box().Write(L"deskurl.ini", "http://127.0.0.1/a.jpg\r\n");

    const auto started = std::chrono::steady_clock::now();
    Process second = Process::Start(first.Box().Exe());
    // Generous: a loaded machine can take seconds just to start a Wine process.
    const bool ended = second.WaitExit(60s);
    const auto took = std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - started);
    std::cout << "the second instance ran for " << took.count() << " ms\n";
    ASSERT_TRUE(ended) << "the second instance keeps running";
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(fs::exists(first.Dir() / L"deskurl.ini"));
    EXPECT_TRUE(TopWindows(second.Pid()).empty());
    EXPECT_TRUE(first.Proc().Running());
    EXPECT_TRUE(IsWindow(first.Window()));
}

TEST_F(ProductTest, StartUpGoesOnPastAFileNamedWallpaperAndAReadOnlyList) {
    Product app(L"Program Files (x86)");
    app.Box().Write(L"Wallpaper", "not a folder");
    const fs::path list = app.Box().Write(L"deskurl.ini", "http://127.0.0.1/a.jpg\r\n");
    ASSERT_TRUE(SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_READONLY));
    app.StartAndOpenPanel();
    // A read-only list cannot be deleted and stays; everything after it still ran.
    EXPECT_TRUE(fs::exists(list));
    EXPECT_TRUE(fs::is_regular_file(app.Dir() / L"Wallpaper"));
    EXPECT_EQ(Text(app.Ctl(Text1(4))), L"17");
    EXPECT_EQ(CheckState(app.Ctl(Check(3))), BST_CHECKED);
    app.Quit();
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ProductTest, ClosingTheWindowEndsTheProgramCleanly) {
    Product app;
    app.Start();
    app.Box().Write(L"deskurl.ini", "x");
    ASSERT_TRUE(Close(app.Window()));
    ASSERT_TRUE(app.Proc().WaitExit(10s));
    EXPECT_EQ(app.Proc().ExitCode(), 0u);
    EXPECT_FALSE(fs::exists(app.Dir() / L"deskurl.ini"));
}

}  // namespace
