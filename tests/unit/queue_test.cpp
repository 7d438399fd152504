// The list from the list server and the picture queue that follows it.

#include "download/picture_queue.h"

#include <gtest/gtest.h>

#include "download/wallpaper_list.h"
#include "fakes.h"
#include "wav_builder.h"

using namespace download;

namespace {

const std::wstring kList = L"http://127.0.0.1:8080/deskurl.asp";
const std::string kJpeg = "\xFF\xD8\xFF\xE0 picture";

// Online, may download, the list server at 127.0.0.1:8080.
struct Online : FakeApp {
    Online() {
        sys.online = true;
        sys.wavs["ONLINE"] = wavtest::Pcm(8000, 8, wavtest::Bytes(4, 0x80));
        Store(L"listhost", L"127.0.0.1:8080");
        frm.Form_Load();
    }
    int Balloons(const std::wstring& text) const {
        return int(std::count_if(ui.tray.begin(), ui.tray.end(), [&](auto& c) { return c.record.szInfo == text; }));
    }
};

}  // namespace

TEST(List, LinesBlanksMarkersLimitsAndTheAddress) {
    EXPECT_EQ(ParseList(L"A<br>\r\n\r\n  B  \r\n<br>\r\nC<BR>"), (std::vector<std::wstring>{L"A", L"B", L"C<BR>"}));
    EXPECT_EQ(ParseList(L"x <br>\ry\nz\r<br> <br>\r\n"), (std::vector<std::wstring>{L"x ", L"y\nz", L" "}));
    EXPECT_EQ(ParseList(std::wstring(2049, L'a') + L"\r\nb\r\n" + std::wstring(2048, L'c')).size(), 2u);
    std::wstring many;
    for (int i = 0; i < 40000; ++i) many += L"e\r\n";
    EXPECT_EQ(ParseList(many).size(), kMaxEntries);
    EXPECT_TRUE(IsUtf8("\xE5\xA3\x81 ok") && !IsUtf8("\xB1\xDA\xD6\xBD") && !IsUtf8("\xC0\xAF") && !IsUtf8("\xED\xA0\x80"));
    EXPECT_EQ(FromUtf8("\xEF\xBB\xBF\xE5\xA3\x81"), L"壁");
    const std::optional<std::wstring> none;
    EXPECT_EQ(ListAddress(none, L"h.example"), L"http://h.example/deskurl.asp");
    EXPECT_EQ(ListAddress(L"127.0.0.1:8080", L"h"), kList);
    EXPECT_EQ(ListAddress(L"https://s.example/lists/", L"h"), L"https://s.example/lists/deskurl.asp");
}

TEST(Queue, FromAFreshStartTheListThenEachPictureInOrderThenTheRotation) {
    Online a;
    a.web.served[kList] = "http://p/0.jpg\r\nhttp://p/gone.jpg\r\nhttps://p/2.bmp\r\n";
    a.web.served[L"http://p/0.jpg"] = kJpeg;
    a.web.served[L"https://p/2.bmp"] = "BM picture";
    const std::wstring pics = a.frm.AppDir + L"Wallpaper\\";
    a.desk.ordinary = {pics + L"Tirnaco0.jpg"};
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.sys.played.at(0).name, "ONLINE");
    EXPECT_EQ(a.Balloons(L"网络连接中，现在开始为你下载新壁纸，请稍候......"), 1);
    EXPECT_EQ(a.frm.Listurl.Count(), 3);
    EXPECT_TRUE(a.ui.timers.count(Timer::Timer1));
    a.frm.Timer3_Timer();  // the list is there: no second fetch
    // A tick during a transfer starts nothing; the queue moves past a failure.
    a.web.during = [&] { a.frm.TimerFired(Timer::Timer1); };
    for (int i = 0; i < 6; ++i) a.frm.TimerFired(Timer::Timer1);
    EXPECT_EQ(a.web.requested, (std::vector<std::wstring>{kList, L"http://p/0.jpg", L"http://p/gone.jpg",
                                                          L"https://p/2.bmp"}));
    EXPECT_EQ(a.sys.contents[pics + L"Tirnaco0.jpg"], kJpeg);
    EXPECT_EQ(a.sys.contents[pics + L"Tirnaco2.bmp"], "BM picture");
    EXPECT_FALSE(a.sys.files.count(pics + L"Tirnaco1.jpg"));
    EXPECT_EQ(a.Balloons(L"壁纸下载结束，现在开始为你定时更换壁纸!"), 1);
    EXPECT_EQ(a.desk.bitmapOf[a.desk.applied.back()], pics + L"Tirnaco0.jpg");
    EXPECT_FALSE(a.ui.timers.count(Timer::Timer1));
    EXPECT_TRUE(a.ui.timers.count(Timer::Timer2));
    EXPECT_EQ(a.frm.TrayData.szTip, L"晴窗画匣 V1.82");
}

TEST(Queue, AListThatNeverComesGivesUpAfterTwentyTriesForTheLocalPictures) {
    Online a;
    a.desk.folder = {L"mine.jpg"};
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.web.requested, std::vector<std::wstring>(20, kList));
    EXPECT_EQ(a.ui.GetValue(Check1(1)), 1);
    EXPECT_TRUE(a.sys.saves.empty());
    EXPECT_EQ(a.Balloons(L"壁纸列表经多次尝试无法下载，程序将寻找使用本地的壁纸! "), 1);
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.frm.Listurl.entries, std::vector<std::wstring>{L"mine.jpg"});
    EXPECT_EQ(a.web.requested.size(), 20u);
    // Quitting while the list is tried ends the tries.
    Online q;
    q.web.during = [&] { q.frm.Form_Unload(); };
    q.frm.Timer3_Timer();
    EXPECT_EQ(q.web.requested.size(), 1u);
    EXPECT_EQ(q.ui.GetValue(Check1(1)), 0);
}
