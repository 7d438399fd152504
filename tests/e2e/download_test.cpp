// The real program fetching its list and pictures from a server on this
// machine that misbehaves on purpose (tools/fault-server).

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <sstream>

#include "pictures.h"

using namespace e2e;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The server with a folder of its own for files it serves as they are.
struct Server {
    Sandbox box{L"server"};
    fs::path root = box.Dir() / L"root", log = box.Dir() / L"requests.log";
    std::wstring base;
    Server() {
        fs::create_directories(root / L"pics");
        const fs::path port = box.Dir() / L"port";
        StartUnixProgram(E2E_FAULT_SERVER, {L"--port-file", UnixArg(port), L"--log", UnixArg(log), L"--root",
                                            UnixArg(root), L"--stop-file", UnixArg(box.Dir() / L"stop")});
        WaitUntil([&] { return fs::exists(port); }, 20s);
        base = L"127.0.0.1:" + Widen(Read(port).substr(0, Read(port).find('\n')));
    }
    ~Server() { std::ofstream(box.Dir() / L"stop") << "stop"; }
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::istringstream in(Read(log));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
};

class DownloadTest : public ProductTest {
protected:
    void SetUp() override {
        DWORD flags = 0;
        if (!InternetGetConnectedStateExW(&flags, nullptr, 0, 0))
            GTEST_SKIP() << "the online branch needs a default route here";
        ProductTest::SetUp();
    }
};

TEST_F(DownloadTest, AFreshStartFetchesTheListThenThePicturesAndShowsTheFirst) {
    Server web;
    const COLORREF colour = RGB(30, 160, 220);
    ASSERT_TRUE(WriteJpeg(web.root / L"pics" / L"sea.jpg", colour));
    const std::wstring h = L"http://" + web.base;
    // Good, missing, no length, a page, cut, a stall, and entries that must fetch nothing.
    const std::wstring list = h + L"/pics/sea.jpg<br>\r\n" + h + L"/status/404\r\n" + h + L"/nolength/20.jpg\r\n" +
                              h + L"/html.jpg\r\n" + h + L"/cut/40.jpg\r\n" + h + L"/stall\r\n" +
                              L"file:///C:/windows/win.ini\r\n\\\\127.0.0.1\\share\\x.jpg\r\n" + h +
                              L"/x\\..\\\r\n" + h + L"/a:$DA\r\n" + h +
                              L"/redirect?to=file:///C:/windows/win.ini\r\n";
    const std::string utf8 = Narrow(list);
    std::ofstream(web.root / L"deskurl.asp", std::ios::binary) << utf8;
    ASSERT_TRUE(WriteSetting(L"listhost", web.base));
    ASSERT_TRUE(WriteSetting(L"justime", L"0"));  // no chime to hear instead
    Listener ears;
    Product app;
    const std::int64_t launched = ears.Position();
    app.Start();
    // The stalled picture holds the queue for its 30 s; the window answers meanwhile.
    ASSERT_TRUE(WaitUntil([&] { return Read(web.log).find("/stall") != std::string::npos; }, 30s));
    DWORD_PTR r = 0;
    EXPECT_TRUE(SendMessageTimeoutW(app.Window(), WM_NULL, 0, 0, SMTO_NORMAL, 2000, &r)) << "the window hangs";
    // The ONLINE sound at start-up, whole and alone.
    if (ears.On()) EXPECT_EQ(ears.HeardAlone(L"ONLINE", launched, 10s), "");
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!"); }, 60s));
    const fs::path pics = app.Dir() / L"Wallpaper";
    EXPECT_EQ(Read(pics / L"Tirnaco0.jpg"), Read(web.root / L"pics" / L"sea.jpg"));
    EXPECT_EQ(Read(pics / L"Tirnaco2.jpg").size(), 20u * 1024);
    std::vector<std::wstring> kept;
    for (const auto& e : fs::directory_iterator(pics)) kept.push_back(e.path().filename().wstring());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::wstring>{L"Tirnaco0.jpg", L"Tirnaco2.jpg"}));
    // Every request went to the list's server, in list order, and none for win.ini.
    const auto requests = web.Requests();
    ASSERT_GE(requests.size(), 9u);
    EXPECT_EQ(requests[0], "GET /deskurl.asp HTTP/1.1");
    EXPECT_EQ(requests[1], "GET /pics/sea.jpg HTTP/1.1");
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const std::string& l) { return l.find("win.ini") != std::string::npos; }),
              1) << "only the redirect names it";
    EXPECT_TRUE(WaitUntil([&] { return Near(colour, DesktopMiddle()); }, 10s)) << std::hex << DesktopMiddle();
    SaveScreenshot(nullptr, L"download-first-wallpaper");
    // Keeping the current web picture copies it to the first free number from 10.
    PostCommand(app.Window(), ID_MNWALL_0 + 2);
    EXPECT_EQ(app.AnswerBox(IDOK), L"  当前壁纸已被成功保存到" + (pics / L"Tirnaco10.jpg").wstring() + L"   ");
    EXPECT_EQ(Read(pics / L"Tirnaco10.jpg"), Read(web.root / L"pics" / L"sea.jpg"));
    app.Quit();
}

TEST_F(DownloadTest, AListServerThatOnlyFailsIsTriedTwentyTimesThenTheLocalPicturesRotate) {
    Server web;
    ASSERT_TRUE(WriteSetting(L"listhost", L"http://" + web.base + L"/fail"));
    Product app;
    fs::create_directories(app.Dir() / L"Wallpaper");
    const Bytes mine = SolidBmp(RGB(250, 120, 0));
    app.Box().Write(L"Wallpaper\\mine.bmp", std::string(mine.begin(), mine.end()));
    app.Start();
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"壁纸装载结束，即将自动为你定时更换壁纸!"); }, 30s));
    EXPECT_EQ(web.Requests(), std::vector<std::string>(20, "GET /fail/deskurl.asp HTTP/1.1"));
    app.OpenPanel();
    EXPECT_EQ(CheckState(app.Ctl(Check(1))), BST_CHECKED);
    EXPECT_EQ(StoredSettings().count(L"ppdir"), 0u);
    app.Quit();
}

}  // namespace
