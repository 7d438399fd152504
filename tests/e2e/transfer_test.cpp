// The downloader over WinHTTP against tools/fault-server, on a thread whose
// messages must keep flowing while a transfer runs.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "download/file_download.h"
#include "download/http_rules.h"
#include "support/driver.h"
#include "win32/win32_system.h"
#include "win32/winhttp_transfer.h"

using namespace e2e;
using Content = CFileDownload::Content;

namespace {

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The server's /ok/ body, as its --help describes it.
std::string Pattern(int kib) {
    std::string s(static_cast<std::size_t>(kib) * 1024, '\0');
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>((31 * i + 7) % 256);
    return s.replace(0, 4, "\xFF\xD8\xFF\xE0");
}

// One server for the test program; it stops when its folder goes.
struct Server {
    Sandbox box{L"server"};
    fs::path log = box.Dir() / L"requests.log", portFile = box.Dir() / L"port";
    int port = 0;
    Server() {
        StartUnixProgram(E2E_FAULT_SERVER,
                         {L"--port-file", UnixArg(portFile), L"--log", UnixArg(log), L"--stop-file",
                          UnixArg(box.Dir() / L"stop"), L"--max-seconds", L"300"});
        WaitUntil([&] { return fs::exists(portFile); }, 20s);
        std::ifstream(portFile) >> port;
    }
    long Requests() const {
        const std::string text = ReadAll(log);
        return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    }
};

struct TransferTest : ::testing::Test {
    static inline TransferTest* current = nullptr;
    static inline Server* server = nullptr;
    Sandbox folder{L"下载 测试"};
    const std::wstring dest = (folder.Dir() / L"图片 1.jpg").wstring();
    Win32System sys;
    WinHttpTransfer transfer{3000};
    CFileDownload dl{transfer, sys};
    int ticks = 0, hooked = 0, nestedStarted = 0;
    std::function<void()> onTick;
    std::vector<std::array<std::int32_t, 3>> events;
    UINT_PTR timer = 0;

    static void SetUpTestSuite() { server = new Server; }
    static void TearDownTestSuite() { delete server; }
    // A thread timer: its callback runs only while the thread's messages are dispatched.
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ++current->ticks;
        if (current->onTick) current->onTick();
    }
    void SetUp() override {
        ASSERT_GT(server->port, 0) << "fault-server did not start";
        current = this;
        timer = SetTimer(nullptr, 0, 100, Tick);
        transfer.SetPreTranslate([this](MSG& m) { return m.message == WM_TIMER && ++hooked < 0; });
        // Every report tries a second download, which must not start.
        dl.OnProgress = [this](std::int32_t p, std::int32_t m, std::int32_t s, const std::wstring&) {
            events.push_back({p, m, s});
            nestedStarted += dl.StartDownloading(Url(L"/ok/1.jpg"), dest + L"2");
        };
        std::ofstream(fs::path(dest), std::ios::binary) << "old";
    }
    void TearDown() override {
        KillTimer(nullptr, timer);
        EXPECT_EQ(nestedStarted, 0);
        EXPECT_EQ(hooked, ticks);
    }
    std::wstring Url(const std::wstring& path) const {
        return path[0] != L'/' ? path : L"http://127.0.0.1:" + std::to_wstring(server->port) + path;
    }
};

TEST_F(TransferTest, EachAnswerJudged) {
    const std::uint64_t list = CFileDownload::kListLimit, small = 100 * 1024;
    const Content any = Content::Any, pic = Content::Picture;
    // clang-format off
    struct Case { const wchar_t* src; Content content; std::uint64_t limit; int kib; long requests; };
    // src: a path on the server or a whole address; kib: the body expected in dest, -1 dest untouched.
    for (const Case& c : std::vector<Case>{
             {L"/ok/300.jpg", pic, list, 300, 1}, {L"/nolength/40.jpg", any, list, 40, 1},
             {L"/redirect?to=/ok/8.jpg", pic, list, 8, 2}, {L"/chain/5", pic, list, 1, 6},
             {L"/chain/6", any, list, -1, 6}, {L"/redirect?to=file:///C:/windows/win.ini", any, list, -1, 1},
             {L"/status/404", any, list, -1, 1}, {L"/fail", any, list, -1, 1}, {L"/html.jpg", pic, list, -1, 1},
             {L"/cut/256", any, list, -1, 1}, {L"/ok/300.jpg", any, small, -1, 1},
             {L"/nolength/300.jpg", any, small, -1, 1}, {L"file:///C:/windows/win.ini", any, list, -1, 0},
             {L"C:\\windows\\win.ini", any, list, -1, 0}}) {
        // clang-format on
        const std::string name = Narrow(c.src);
        std::ofstream(fs::path(dest), std::ios::binary) << "old";
        events.clear();
        const long before = server->Requests();
        EXPECT_EQ(dl.StartDownloading(Url(c.src), dest, c.content, c.limit), c.kib != -1) << name;
        const std::string got = ReadAll(dest);
        EXPECT_TRUE(got == (c.kib < 0 ? "old" : Pattern(c.kib))) << name << ": " << got.size() << " bytes";
        EXPECT_FALSE(fs::exists(dest + L".part")) << name;
        EXPECT_EQ(server->Requests() - before, c.requests) << name;
        if (c.requests == 0) continue;
        ASSERT_GE(events.size(), 2u) << name;
        EXPECT_EQ(events.front()[2], transfer_status::kStarted) << name;
        EXPECT_EQ(Percent(events.back()[0], events.back()[1]) == 100, c.kib != -1) << name;
    }
}

// A stall ends the download after the stall time; Abort and the program's
// quit end it at once. Messages flow throughout.
TEST_F(TransferTest, StallAbortAndQuit) {
    using Clock = std::chrono::steady_clock;
    Clock::time_point asked{};
    auto at5 = [&](auto action) {
        return [&, action] { ticks == 5 ? asked = Clock::now(), action() : void(); };
    };
    // Each ends within [least, most] seconds from the start, or from asking.
    for (auto [name, tick, least, most] :
         std::vector<std::tuple<std::string, std::function<void()>, double, double>>{
             {"stall", nullptr, 2.5, 8},
             {"abort", at5([&] { dl.AbortDownloading(); }), 0, 1},
             {"quit", at5([] { PostQuitMessage(7); }), 0, 1}}) {
        ticks = hooked = 0;
        onTick = tick;
        const auto start = Clock::now();
        EXPECT_FALSE(dl.StartDownloading(Url(L"/stall"), dest)) << name;
        const double took = std::chrono::duration<double>(Clock::now() - (tick ? asked : start)).count();
        EXPECT_GE(took, least) << name;
        EXPECT_LE(took, most) << name;
        EXPECT_GE(ticks, tick ? 5 : 20) << name;
        EXPECT_EQ(ReadAll(dest), "old") << name;
        MSG msg;
        const bool quit = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && msg.wParam == 7;
        EXPECT_EQ(quit, name == "quit") << name;
        std::cout << name << ": " << took << " s, " << ticks << " ticks\n";
    }
    onTick = nullptr;
    // The next download while the abandoned workers still wait.
    EXPECT_TRUE(dl.StartDownloading(Url(L"/ok/4.jpg"), dest));
}

}  // namespace
