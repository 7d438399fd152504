#include "tray/menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frmmain.h"
#include "fakes.h"
#include "tray/tray.h"

namespace {

const std::wstring kAppDir = L"C:\\Program Files\\晴窗\\";
const std::wstring kPictures = kAppDir + L"Wallpaper\\";
const std::wstring kSaved = L"  当前壁纸已被成功保存到";

struct App {
    FakeWindow ui;
    FakeSystem sys;
    Frmmain frm{ui, sys};
    App() {
        SetDesignState(ui);
        frm.Form_Load();
    }
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

TEST(Menu, CaptionsInOrder) {
    const std::vector<std::wstring> captions = {
        L"设置(&S)...",  L"桌面属性(&D)",   L"收藏当前壁纸(&C)", L"打开壁纸目录(&F)", L"-",
        L"作者网站(&W)", L"给作者写信(&M)", L"帮助说明(&H)",     L"关于(&A)...",      L"-",
        L"退出(&Q)"};
    EXPECT_EQ(std::vector<std::wstring>(menu::kCaptions, menu::kCaptions + menu::kItems), captions);
    EXPECT_EQ(std::wstring(menu::kMenuCaption), L"菜单");
}

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

TEST(Item0, OkAndCancelBringTheIconBackWithTheRightGreeting) {
    for (int button = 0; button < 2; ++button) {
        for (bool entries : {false, true}) {
            App a;
            if (entries) a.ui.list = {L"D:\\pics\\a.jpg", L"D:\\pics\\b.bmp"};
            a.frm.mnwall_Click(0);
            a.frm.Cmdok_Click(button);
            ASSERT_TRUE(a.ui.trayShown);
            EXPECT_FALSE(a.ui.visible);
            EXPECT_EQ(a.ui.tray.back().action, tray_action::kAdd);
            EXPECT_EQ(a.ui.tray.back().record.szInfo, entries ? tray::kAgainGreeting : tray::kFirstGreeting);
        }
    }
}

TEST(Items1And7, StartTheirCommandLines) {
    App a;
    a.frm.mnwall_Click(1);
    a.frm.mnwall_Click(7);
    EXPECT_EQ(a.sys.started,
              (std::vector<std::wstring>{L"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0",
                                         L"hh.exe \"C:\\Program Files\\晴窗\\help.chm\""}));
    EXPECT_TRUE(a.ui.boxes.empty());
}

TEST(Item2, LocalPicturesAreNotKept) {
    const std::pair<std::vector<std::wstring>, int> cases[] = {
        {{L"D:\\pics\\a.jpg"}, 0},
        {{L"http://pics.example/a.jpg", L"HTTP://pics.example/b.jpg"}, 1},  // the prefix is case-sensitive
        {{L"ftp://pics.example/a.jpg"}, 0},
        {{L" http://pics.example/a.jpg"}, 0},
        {{L"http://pics.example/a.jpg"}, -1},  // nothing selected
        {{}, -1},
    };
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
        const auto copy = std::make_pair(kPictures + L"Tirnaco1.jpg", kPictures + c.target);
        EXPECT_EQ(a.sys.copies, (std::vector{copy}));
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
    int asked = 0;
    EXPECT_EQ(menu::KeepCopyTarget(kAppDir, L".jpg", [&](const std::wstring&) { return ++asked, true; }),
              L"");
    EXPECT_EQ(asked, 32767 - 10 + 1);  // a 16-bit counter from 10 up
}

TEST(Items3To6, OpenTheFolderTheHomePageAndTheMail) {
    App a;
    a.frm.mnwall_Click(3);
    a.frm.Labapp_Click();
    a.frm.mnwall_Click(5);
    a.frm.mnwall_Click(6);
    ASSERT_EQ(a.ui.opened.size(), 4u);
    EXPECT_EQ(a.ui.opened[0], kPictures);
    EXPECT_EQ(a.ui.opened[1], kPictures);
    EXPECT_EQ(a.ui.opened[2].rfind(L"http://", 0), 0u);
    EXPECT_EQ(a.ui.opened[3].rfind(L"mailto:", 0), 0u);
    EXPECT_NE(a.ui.opened[3].find(L'@'), std::wstring::npos);
    // The About box gives the same addresses.
    const std::wstring about = menu::AboutText(1, 82);
    EXPECT_NE(about.find(a.ui.opened[2]), std::wstring::npos);
    EXPECT_NE(about.find(a.ui.opened[3].substr(7)), std::wstring::npos);
}

TEST(Item8, AboutBox) {
    App a;
    a.frm.mnwall_Click(8);
    std::vector<std::wstring> lines;
    std::wstring text = a.OnlyBox(L" 关于...") + L"\r\n";
    for (std::size_t at; (at = text.find(L"\r\n")) != std::wstring::npos; text.erase(0, at + 2))
        lines.push_back(text.substr(0, at));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], L"晴窗画匣 V1.82");
    EXPECT_EQ(lines[1], L"");
    for (int i = 2; i < 8; ++i) EXPECT_FALSE(lines[i].empty()) << i;
    EXPECT_EQ(text, L"");  // no stray line break
    EXPECT_EQ(menu::VersionLine(1, 5), L"晴窗画匣 V1.05");
    EXPECT_EQ(menu::VersionLine(1, 82), L"晴窗画匣 V1.82");
    EXPECT_EQ(menu::VersionLine(2, 10), L"晴窗画匣 V2.10");
    EXPECT_EQ(menu::AboutText(1, 5).rfind(L"晴窗画匣 V1.05\r\n\r\n", 0), 0u);
}

TEST(Menu, QuitUnloadsAndTheOtherIndexesDoNothing) {
    App a;
    a.ui.list = {L"http://pics.example/a.jpg"};
    a.ui.listIndex = 0;
    const auto tray = a.ui.tray.size();
    for (int index : {4, 9, 11, -1, 100}) a.frm.mnwall_Click(index);
    EXPECT_TRUE(a.ui.boxes.empty() && a.ui.opened.empty() && a.sys.started.empty() && a.sys.copies.empty());
    EXPECT_EQ(a.ui.tray.size(), tray);
    EXPECT_FALSE(a.ui.visible);
    EXPECT_FALSE(a.ui.unloaded);
    a.frm.mnwall_Click(10);
    EXPECT_TRUE(a.ui.unloaded);
}

TEST(Labapp, UnderlinedWhileTheMouseIsOverIt) {
    App a;
    EXPECT_FALSE(a.ui.C(ID_LABAPP).underline);
    for (int frame : {0, 1}) {
        a.frm.Labapp_MouseMove();
        a.frm.Labapp_MouseMove();
        EXPECT_TRUE(a.ui.C(ID_LABAPP).underline);
        a.frm.Frame1_MouseMove(frame);
        EXPECT_FALSE(a.ui.C(ID_LABAPP).underline);
    }
}
