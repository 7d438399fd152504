// The real program fetching its list and pictures from a server on this
// machine that misbehaves on purpose (tools/fault-server).

#include "product.h"

// After windows.h, which product.h brings in.
#include <shellapi.h>

using namespace e2e;

namespace {

using DownloadTest = OnlineTest;

TEST_F(DownloadTest, AFreshStartFetchesTheListThenEveryPictureInTurnAndAQuitEndsAStall) {
    Server web;
    ASSERT_TRUE(WriteJpeg(web.dir / L"sea.jpg", RGB(30, 160, 220)));
    // Good, missing, no length, a page, cut, 5 redirects and 6, a stall, past
    // the 64 MiB by its length and by its body, and entries that must fetch nothing.
    std::wstring list;
    for (const wchar_t* entry :
         {L"/sea.jpg<br>", L"/status/404", L"/nolength/20.jpg", L"/html.jpg", L"/cut/40.jpg", L"/chain/5.jpg",
          L"/chain/6.jpg", L"/stall", L"/ok/65537.jpg", L"/nolength/65537.jpg",
          L"/redirect?to=file:///C:/windows/win.ini", L"file:///C:/windows/win.ini",
          L"\\\\127.0.0.1\\share\\x.jpg"})
        list += (entry[0] == L'/' ? L"http://" + web.base : L"") + entry + L"\r\n";
    WriteFile(web.dir / L"deskurl.asp", std::string(list.begin(), list.end()));  // ASCII
    ASSERT_TRUE(WriteSetting(L"listhost", web.base) &&
                WriteSetting(L"justime", L"0"));  // no chime to hear instead
    Listener ears;
    Product app;
    const std::int64_t launched = ears.Position();
    app.Start();
    // The stalled picture holds the queue for its 30 s; the window answers meanwhile.
    ASSERT_TRUE(WaitUntil([&] { return web.Asked("/stall"); }, 30s));
    const auto stalled = std::chrono::steady_clock::now();
    EXPECT_TRUE(app.Answers(2s)) << "the window hangs";
    // The ONLINE sound at start-up, whole and alone.
    EXPECT_EQ(ears.Heard({L"ONLINE"}, launched, 10s), "");
    // The program's own keys work meanwhile: Alt+C is the panel's Cancel.
    app.OpenPanel();
    ASSERT_TRUE(PostMessageW(app.Ctl(Check(0)), WM_SYSCHAR, L'c', 1 << 29));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(app.Window()); })) << "keys wait for the transfer";
    EXPECT_FALSE(web.Asked("/ok/65537.jpg")) << "the stall was over before the keys";
    EXPECT_TRUE(WaitUntil([&] { return web.Asked("/ok/65537.jpg"); }, 40s));
    const double stall = std::chrono::duration<double>(std::chrono::steady_clock::now() - stalled).count();
    EXPECT_TRUE(stall > 29 && stall < 40) << "the stall ended after " << stall << " s, not its 30 s";
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 60s));
    // Each picture that came whole, under its place in the list, and nothing else.
    const fs::path pics = app.Dir() / L"Wallpaper";
    EXPECT_EQ(ReadFile(pics / L"Tirnaco0.jpg"), ReadFile(web.dir / L"sea.jpg"));
    EXPECT_EQ(ReadFile(pics / L"Tirnaco2.jpg").size(), 20u * 1024);
    EXPECT_EQ(ReadFile(pics / L"Tirnaco5.jpg").size(), 1024u);
    EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), 3);
    // Every request went to the list's server, in list order, and none for win.ini but the redirect.
    std::string asked = "/deskurl.asp\n/sea.jpg\n/status/404\n/nolength/20.jpg\n/html.jpg\n/cut/40.jpg\n";
    for (int k : {5, 4, 3, 2, 1, 0, 6, 5, 4, 3, 2, 1}) asked += "/chain/" + std::to_string(k) + ".jpg\n";
    asked += "/stall\n/ok/65537.jpg\n/nolength/65537.jpg\n/redirect?to=file:///C:/windows/win.ini\n";
    EXPECT_EQ(web.Log(), asked);
    app.Quit();

    // Quitting while a picture stalls ends the program at once and leaves no part of it.
    WriteFile(web.dir / L"deskurl.asp",
              "http://" + std::string(web.base.begin(), web.base.end()) + "/stall\r\n");
    Product again;
    again.Start();
    ASSERT_TRUE(WaitUntil([&] { return web.Log() == asked + "/deskurl.asp\n/stall\n"; }, 30s));
    again.Command(kQuitItem);
    EXPECT_TRUE(again.Proc().WaitExit(3s)) << "the stalled transfer holds the program";
    EXPECT_TRUE(fs::is_empty(again.Dir() / L"Wallpaper"));
}

// Faults along a whole run: the list server stops within the queue and comes
// back, a picture is spoiled on disk, the picture folder turns read-only and
// the shell's tray starts anew. The program stays up and loses nothing.
TEST_F(DownloadTest, FaultsAlongAWholeRunLoseNothing) {
    Server web, gate;
    const COLORREF good = RGB(230, 120, 20);
    for (const wchar_t* name : {L"a.jpg", L"b.jpg", L"c.jpg"})
        ASSERT_TRUE(WriteJpeg(web.dir / name, name[0] == L'a' ? good : RGB(20, 120, 230)));
    // The server stops while its own stall holds the queue, so the next
    // picture finds it gone; it is back while the gate's stall holds the queue.
    const std::string w(web.base.begin(), web.base.end()), g(gate.base.begin(), gate.base.end());
    WriteFile(web.dir / L"deskurl.asp", "http://" + w + "/a.jpg\nhttp://" + w + "/b.jpg\nhttp://" + w +
                                            "/stall\nhttp://" + w + "/x.jpg\nhttp://" + g +
                                            "/stall\nhttp://" + w + "/c.jpg\n");
    ASSERT_TRUE(WriteSetting(L"listhost", web.base) && WriteSetting(L"justime", L"0") &&
                WriteSetting(L"chgtime", L"1") && WriteSetting(L"tiptime3", L"喝水"));
    Product app;
    app.Start();
    const auto settings = ProgramSettings();
    ASSERT_TRUE(WaitUntil([&] { return web.Asked("/stall"); }, 30s));
    ASSERT_TRUE(web.Stop());
    ASSERT_TRUE(WaitUntil([&] { return gate.Asked("/stall"); }, 30s));
    // Meanwhile the second picture, in place already, is spoiled on disk.
    const fs::path pics = app.Dir() / L"Wallpaper";
    WriteFile(pics / L"Tirnaco1.jpg", "spoilt");
    ASSERT_TRUE(web.Start() && gate.Stop());
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 30s));
    const std::int64_t queued = MinuteNow();
    EXPECT_EQ(web.Log(), "/deskurl.asp\n/a.jpg\n/b.jpg\n/stall\n/c.jpg\n");
    EXPECT_TRUE(DesktopShows(good, 10s));
    ASSERT_TRUE(SetFileAttributesW(pics.c_str(), FILE_ATTRIBUTE_READONLY));

    // A shell that starts anew knows no icons: take ours away as its start
    // does, then announce it. The icon comes back once, without a greeting.
    Tray tray;
    NOTIFYICONDATAW lost = {sizeof lost, app.Window(), 1};
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &lost));
    ASSERT_TRUE(WaitUntil([&] { return tray.Icons() == 0 && Balloons().empty(); }));
    const UINT created = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return tray.Icons() == 1; })) << "the icon did not come back";
    ASSERT_TRUE(SendNotifyMessageW(HWND_BROADCAST, created, 0, 0));
    EXPECT_FALSE(WaitUntil([&] { return !Balloons().empty() || tray.Icons() > 1; }, 3s));

    // The next change meets the spoilt picture: the last good one stays.
    WaitForMinute(queued + 1);
    Pump(3s);
    EXPECT_TRUE(DesktopShows(good));
    // Keeping the wallpaper keeps the picture shown, in the read-only folder as Windows allows.
    app.Command(kKeepItem);
    EXPECT_EQ(app.AnswerBox(IDOK),
              L"  当前壁纸已被成功保存到" + (pics / L"Tirnaco10.jpg").wstring() + L"   ");
    EXPECT_EQ(ReadFile(pics / L"Tirnaco10.jpg"), ReadFile(web.dir / L"a.jpg"));
    EXPECT_EQ(ReadFile(pics / L"Tirnaco0.jpg"), ReadFile(web.dir / L"a.jpg"));
    EXPECT_EQ(ReadFile(pics / L"Tirnaco5.jpg"), ReadFile(web.dir / L"c.jpg"));
    app.Quit();
    EXPECT_EQ(ProgramSettings(), settings);
}

}  // namespace

// A feed of each form at its address: its pictures in order, each of its own kind, the first on the desktop;
// one with none, a broken one and one past the list's limit give way to the local pictures.
TEST_F(DownloadTest, FeedsOfEachFormBringTheirPicturesInOrder) {
    Server web;
    const COLORREF colour = RGB(200, 90, 40);
    fs::create_directories(web.dir / L"pic"), fs::create_directories(web.dir / L"feeds");
    ASSERT_TRUE(WriteJpeg(web.dir / L"pic" / L"sea_1920x1080.jpg", colour));
    WriteFile(web.dir / L"th", "\x89PNG\r\n\x1A\n a picture by its start");
    const std::wstring done = L"壁纸下载结束，现在开始为你定时更换壁纸!",
                       local = L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ";
    std::string broken20, huge20, huge = "<rss><channel>";
    for (int i = 0; i < 20; ++i) broken20 += "/feeds/broken.xml\n", huge20 += "/feeds/huge.xml\n";
    while (huge.size() <= (4 << 20)) huge += R"(<item><enclosure url="/ok/1.jpg" type="image/jpeg"/></item>)";
    const std::tuple<const wchar_t*, std::string, std::string, std::vector<std::wstring>> forms[] = {
        {L"archive.xml",
         R"(<?xml version="1.0" encoding="utf-8"?><images><image><url>/ok/9.jpg</url><urlBase>/pic/sea)"
         R"(</urlBase></image><image><url>/th?id=OHR.Hill.png&amp;rf=Hill_1920x1080.jpg</url></image>)"
         R"(<tooltips><url>/ok/8.jpg</url></tooltips></images>)",
         "/feeds/archive.xml\n/pic/sea_1920x1080.jpg\n/th?id=OHR.Hill.png&rf=Hill_1920x1080.jpg\n",
         {L"Tirnaco0.jpg", L"Tirnaco1.png"}},
        {L"rss.xml",
         R"(<rss version="2.0" xmlns:media="http://search.yahoo.com/mrss/"><channel><image><url>/ok/9.jpg)"
         R"(</url></image><item><enclosure url="../ok/1.jpg" type="image/jpeg"/></item><item><enclosure)"
         R"( url="/ok/3.jpg" type="audio/mpeg"/><media:content url="/ok/4.jpg?w=1" medium="image"/>)"
         R"(</item></channel></rss>)",
         "/feeds/rss.xml\n/ok/1.jpg\n/ok/4.jpg?w=1\n",
         {L"Tirnaco0.jpg", L"Tirnaco1.jpg"}},
        {L"atom.xml",
         R"(<feed xmlns="http://www.w3.org/2005/Atom"><entry><link href="/ok/7.jpg"/><link rel="enclosure")"
         R"( type="image/jpeg" href="/ok/5.jpg"/></entry></feed>)",
         "/feeds/atom.xml\n/ok/5.jpg\n",
         {L"Tirnaco0.jpg"}},
        {L"none.xml", "<rss><channel><item><title>x</title></item></channel></rss>", "/feeds/none.xml\n", {}},
        {L"broken.xml", "<rss><channel><item></channel></rss>", broken20, {}},
        {L"huge.xml", huge + "</channel></rss>", huge20, {}}};
    std::string asked;
    for (const auto& [feed, xml, requests, files] : forms) {
        WriteFile(web.dir / L"feeds" / feed, xml);
        ASSERT_TRUE(WriteSetting(L"listurl", L"http://" + web.base + L"/feeds/" + feed));
        Product app;
        app.Start();
        EXPECT_TRUE(WaitUntil([&] { return web.Log() == asked + requests; }, 60s)) << web.Log();
        EXPECT_TRUE(BalloonShows(files.empty() ? local : done, 30s)) << feed;
        asked = web.Log();
        const fs::path pics = app.Dir() / L"Wallpaper";
        EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), std::ssize(files)) << feed;
        for (const auto& file : files) EXPECT_TRUE(fs::exists(pics / file)) << file;
        if (fs::exists(pics / L"Tirnaco1.png")) EXPECT_TRUE(DesktopShows(colour, 10s));
        app.Quit();
    }
}
