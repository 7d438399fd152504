#include "tray/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kPictures = kAppDir + L"Wallpaper\\";
const std::wstring kSaved = L"  当前壁纸已被成功保存到";

struct App : FakeApp {
    App() { frm.Form_Load(); }
    // Item 2 with the entry at `selected` on the desktop and `current` as the last file worked on.
    void Keep(const std::vector<std::wstring>& entries, int selected, const std::wstring& current) {
        ui.list = entries;
        ui.listIndex = selected;
        frm.DownloadFile = current;
        frm.mnwall_Click(2);
    }
    // The one message box shown, with the information icon and one OK button.
    std::wstring OnlyBox(const std::wstring& title = L"提示") const {
        EXPECT_EQ(ui.boxes.size(), 1u);
        if (ui.boxes.size() != 1) return L"<" + std::to_wstring(ui.boxes.size()) + L" boxes>";
        EXPECT_EQ(ui.boxes[0].style, mb::kOk + mb::kInformation);
        EXPECT_EQ(ui.boxes[0].title, title);
        return ui.boxes[0].text;
    }
};

}  // namespace

TEST(Item0, RemembersTheBoxesAndOpensTheWindowWithoutTheIcon) {
    App a;
    const int values[5] = {1, 0, 2, 1, 0};
    for (int i = 0; i < 5; ++i) a.ui.SetValue(Check1(i), values[i]);
    const int left = a.ui.left, top = a.ui.top;
    a.frm.ShowTrayTip(L"网络连接中，现在开始为你下载新壁纸，请稍候......", L"1");
    a.frm.mnwall_Click(0);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(a.frm.Check1Tag[i], std::to_wstring(values[i])) << i;
    EXPECT_EQ(a.ui.state, WindowState::Normal);
    EXPECT_TRUE(a.ui.visible);
    EXPECT_EQ(std::make_pair(a.ui.left, a.ui.top), std::make_pair(left, top));  // not moved
    EXPECT_EQ(a.ui.tray.back().action, tray_action::kDelete);
    EXPECT_EQ(a.ui.tray.back().record, a.frm.TrayData);
    EXPECT_FALSE(a.ui.trayShown);
}

TEST(Items1And7, StartTheirCommandLines) {
    App a;
    a.frm.mnwall_Click(1);
    a.frm.mnwall_Click(7);
    EXPECT_EQ(a.sys.started,
              (std::vector<std::wstring>{L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                                         L"hh.exe \"C:\\Program Files\\晴窗\\help.chm\""}));
    EXPECT_TRUE(a.ui.boxes.empty());
    // A path the ANSI code page cannot carry goes by its short name.
    a.sys.shortNames[L"C:\\Program Files\\晴窗\\help.chm"] = L"C:\\PROGRA~1\\4F9C~1\\help.chm";
    a.frm.mnwall_Click(7);
    EXPECT_EQ(a.sys.started.back(), L"hh.exe \"C:\\PROGRA~1\\4F9C~1\\help.chm\"");
}

TEST(Item2, LocalPicturesAreNotKept) {
    // The web prefix is case-sensitive and must start the entry; -1: nothing selected.
    const std::pair<std::vector<std::wstring>, int> cases[] = {
        {{L"D:\\pics\\a.jpg"}, 0},
        {{L"http://pics.example/a.jpg", L"HTTP://pics.example/b.jpg"}, 1},
        {{L"ftp://pics.example/a.jpg"}, 0},
        {{L" http://pics.example/a.jpg"}, 0},
        {{L"http://pics.example/a.jpg"}, -1},
        {{}, -1}};
    for (const auto& [list, selected] : cases) {
        App a;
        a.sys.files.insert(kPictures + L"Tirnaco0.jpg");
        a.Keep(list, selected, kPictures + L"Tirnaco0.jpg");
        EXPECT_EQ(a.OnlyBox(), L"   当前壁纸原本属于本地图片，不需要收藏!   ");
        EXPECT_TRUE(a.sys.copies.empty());
    }
}

TEST(Item2, WebPictureIsCopiedToTheFirstFreeNumber) {
    const struct {
        std::wstring entry;
        std::vector<int> taken;
        std::wstring target;
    } cases[] = {
        {L"http://pics.example/sea.jpg", {10, 11, 12}, L"Tirnaco13.jpg"},
        {L"https://pics.example/sea.jpg", {}, L"Tirnaco10.jpg"},
        {L"http://pics.example/hill.bmp", {10, 12}, L"Tirnaco11.bmp"},
        {L"http://pics.example/a.jpeg", {10}, L"Tirnaco11jpeg"},  // the last four characters
    };
    for (const auto& c : cases) {
        App a;
        a.sys.files.insert(kPictures + L"Tirnaco1.jpg");
        for (int n : c.taken)
            a.sys.files.insert(kPictures + L"Tirnaco" + std::to_wstring(n) + menu::LastFour(c.entry));
        a.Keep({L"http://pics.example/0.jpg", c.entry}, 1, kPictures + L"Tirnaco1.jpg");
        EXPECT_EQ(a.sys.copies,
                  (std::vector{std::make_pair(kPictures + L"Tirnaco1.jpg", kPictures + c.target)}));
        EXPECT_TRUE(a.sys.files.count(kPictures + c.target));
        EXPECT_EQ(a.OnlyBox(), kSaved + kPictures + c.target + L"   ");
    }
    // Before any change since the list was fetched, the selected index names the source.
    App a;
    a.sys.files.insert(kPictures + L"Tirnaco3.bmp");
    a.Keep({L"http://p.example/0.jpg", L"http://p.example/1.jpg", L"http://p.example/2.jpg",
            L"http://p.example/3.bmp"},
           3, kAppDir + L"deskurl.ini");
    EXPECT_EQ(a.sys.copies,
              (std::vector{std::make_pair(kPictures + L"Tirnaco3.bmp", kPictures + L"Tirnaco10.bmp")}));
    EXPECT_EQ(a.OnlyBox(), kSaved + kPictures + L"Tirnaco10.bmp   ");
}

TEST(Item2, FailureIsReportedAndNothingIsNamed) {
    for (int why = 0; why < 3; ++why) {  // the copy fails, no source yet, every number taken
        App a;
        a.sys.files.insert(kPictures + L"Tirnaco0.jpg");
        a.sys.failCopies = why == 0;
        if (why == 2)
            for (int n = 10; n <= 32767; ++n)
                a.sys.files.insert(kPictures + L"Tirnaco" + std::to_wstring(n) + L".jpg");
        const auto files = a.sys.files;
        a.Keep({L"http://pics.example/sea.jpg"}, 0, why == 1 ? L"" : kPictures + L"Tirnaco0.jpg");
        EXPECT_EQ(a.OnlyBox(), L"  当前壁纸保存失败，请检查壁纸目录是否可写!   ") << why;
        EXPECT_EQ(a.sys.files, files) << why;
    }
}

TEST(Items3To8, OpenTheFolderTheHomePageAndTheMailAndShowTheAboutBox) {
    App a;
    a.frm.mnwall_Click(3);
    a.frm.Labapp_Click();
    a.frm.mnwall_Click(5);
    a.frm.mnwall_Click(6);
    EXPECT_EQ(a.ui.opened, (std::vector<std::wstring>{kPictures, kPictures, L"http://qingchuang.example/",
                                                      L"mailto:author@qingchuang.example"}));
    a.frm.mnwall_Click(8);
    // The version line, a blank line and six lines that give the same addresses.
    const std::wstring about = a.OnlyBox(L" 关于...");
    EXPECT_EQ(about.substr(0, 14), L"晴窗画匣 V1.82\r\n\r\n");
    EXPECT_EQ(std::count(about.begin(), about.end(), L'\n'), 7);
    EXPECT_EQ(about.find(L"\r\n\r\n", 11), std::wstring::npos);
    EXPECT_NE(about.back(), L'\n');
    EXPECT_NE(about.find(L"http://qingchuang.example/"), std::wstring::npos);
    EXPECT_NE(about.find(L"author@qingchuang.example"), std::wstring::npos);
    EXPECT_EQ(menu::VersionLine(1, 5), L"晴窗画匣 V1.05");
    EXPECT_EQ(menu::VersionLine(2, 10), L"晴窗画匣 V2.10");
}

TEST(Menu, QuitUnloadsAndTheSeparatorsAndOtherIndexesDoNothing) {
    EXPECT_EQ(std::wstring(menu::kCaptions[4]) + menu::kCaptions[9], L"--");
    EXPECT_EQ(std::wstring(menu::kCaptions[10]), L"退出(&Q)");
    App a;
    a.ui.list = {L"http://pics.example/a.jpg"};
    a.ui.listIndex = 0;
    const auto tray = a.ui.tray.size();
    for (int index : {4, 9, 11, -1, 100}) a.frm.mnwall_Click(index);
    EXPECT_TRUE(a.ui.boxes.empty() && a.ui.opened.empty() && a.sys.started.empty() && a.sys.copies.empty());
    EXPECT_EQ(a.ui.tray.size(), tray);
    EXPECT_FALSE(a.ui.visible || a.ui.unloaded);
    a.frm.mnwall_Click(10);
    EXPECT_TRUE(a.ui.unloaded);
}

TEST(Labapp, UnderlinedWhileTheMouseIsOverIt) {
    App a;
    for (int frame : {0, 1}) {
        a.frm.Labapp_MouseMove();
        a.frm.Labapp_MouseMove();
        EXPECT_TRUE(a.ui.C(ID_LABAPP).underline);
        a.frm.Frame1_MouseMove(frame);
        EXPECT_FALSE(a.ui.C(ID_LABAPP).underline);
    }
}
