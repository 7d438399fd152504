// The real program fetching its list and pictures from a server on this
// machine that misbehaves on purpose (tools/fault-server).

#include "product.h"

using namespace e2e;

namespace {

using DownloadTest = OnlineTest;

TEST_F(DownloadTest, AFreshStartFetchesTheListThenThePicturesAndShowsTheFirst) {
    Server web;
    const COLORREF colour = RGB(30, 160, 220);
    ASSERT_TRUE(WriteJpeg(web.dir / L"sea.jpg", colour));
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
    EXPECT_TRUE(DesktopShows(colour, 10s));
    // Keeping the current web picture copies it to the first free number from 10.
    app.Command(kKeepItem);
    EXPECT_EQ(app.AnswerBox(IDOK),
              L"  当前壁纸已被成功保存到" + (pics / L"Tirnaco10.jpg").wstring() + L"   ");
    EXPECT_EQ(ReadFile(pics / L"Tirnaco10.jpg"), ReadFile(web.dir / L"sea.jpg"));
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

}  // namespace
