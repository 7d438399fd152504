// The real program fetching over https, against certificates of an authority
// made for the run, and through the user's proxy (tests/e2e/nginx_sites).

#include <regex>
#include <sstream>

#include "product.h"

// After windows.h, which product.h brings in.
#include <wincrypt.h>

using namespace e2e;

namespace {

class NetworkTest : public OnlineTest {
protected:
    void SetUp() override {
        OnlineTest::SetUp();
        if (IsSkipped()) return;
        fs::create_directories(site);
        StartUnixProgram(E2E_NGINX_SITES, {UnixArg(dir)});
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(dir / L"ports"); }, 60s));
        std::istringstream(ReadFile(dir / L"ports")) >> http >> https >> unknown >> wrong >> expired >> proxy;
    }
    void TearDown() override { WriteFile(dir / L"stop", "stop"); }
    // The request lines of an access log; WinHTTP under Wine names port 80 in a proxy's.
    std::string Asked(const std::string& log) const {
        const std::string lines =
            std::regex_replace(ReadFile(dir / (log + ".log")), std::regex(".*\"(GET [^\"]*)\".*"), "$1");
        return std::regex_replace(lines, std::regex("(http://[^/:]*):80/"), "$1/");
    }
    // The user's proxy where WinHTTP reads it.
    static bool SetProxy(const std::string& server, const std::string& bypass) {
        std::string blob("\x46\0\0\0\1\0\0\0\3\0\0\0", 12);  // its mark, a counter, flags direct | proxy
        for (const std::string& s : {server, bypass, std::string()})  // each after its length; no script
            blob += char(s.size()) + std::string(3, '\0') + s;
        return !RegSetKeyValueW(
            HKEY_CURRENT_USER,
            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
            L"DefaultConnectionSettings", REG_BINARY, blob.data(), DWORD(blob.size()));
    }
    fs::path dir = FreshDir(L"nginx", true), site = dir / L"site";
    int http = 0, https = 0, unknown = 0, wrong = 0, expired = 0, proxy = 0;
};

TEST_F(NetworkTest, HttpsWithBadCertificatesRefusedAndTheUsersProxyWithItsBypassList) {
    // The run's authority, trusted in this Wine prefix alone.
    const std::string ca = ReadFile(dir / L"ca.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(L"Root", reinterpret_cast<const BYTE*>(ca.data()),
                                                        DWORD(ca.size())));
    ASSERT_TRUE(WriteJpeg(site / L"sea.jpg", RGB(30, 160, 220)) &&
                WriteJpeg(site / L"hill.jpg", RGB(200, 90, 40)));
    // An https picture, an http one moved to https, then the same picture from each bad server.
    std::string list = "https://localhost:" + std::to_string(https) +
                       "/sea.jpg\r\nhttp://127.0.0.1:" + std::to_string(http) + "/tls/hill.jpg\r\n";
    for (int port : {unknown, wrong, expired})
        list += "https://localhost:" + std::to_string(port) + "/sea.jpg\r\n";
    WriteFile(site / L"deskurl.asp", list);
    ASSERT_TRUE(WriteSetting(L"listhost", L"https://localhost:" + std::to_wstring(https) + L"/"));
    Product app;
    app.Start();
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 60s));
    const fs::path pics = app.Dir() / L"Wallpaper";
    EXPECT_TRUE(ReadFile(pics / L"Tirnaco0.jpg") == ReadFile(site / L"sea.jpg") &&
                ReadFile(pics / L"Tirnaco1.jpg") == ReadFile(site / L"hill.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), 2) << "a bad certificate's picture came";
    EXPECT_EQ(Asked("bad"), "") << "a server with a bad certificate was answered";
    app.Quit();

    // Through the user's proxy, to a host that only the proxy knows.
    WriteFile(site / L"deskurl.asp", "http://lists.invalid/sea.jpg\r\n");
    const std::string server = "127.0.0.1:" + std::to_string(proxy);
    ASSERT_TRUE(WriteSetting(L"listhost", L"lists.invalid") && SetProxy(server, ""));
    Product proxied;
    proxied.Start();
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 60s));
    EXPECT_TRUE(ReadFile(proxied.Dir() / L"Wallpaper" / L"Tirnaco0.jpg") == ReadFile(site / L"sea.jpg"));
    const std::string carried = Asked("proxy");
    EXPECT_EQ(carried,
              "GET http://lists.invalid/deskurl.asp HTTP/1.1\nGET http://lists.invalid/sea.jpg HTTP/1.1\n");
    proxied.Quit();

    // A bypassed host (without a dot: local) is asked directly, where nothing
    // listens: after the list's tries only the local pictures are looked for.
    ASSERT_TRUE(WriteSetting(L"listhost", L"localhost:1") && SetProxy(server, "example.com;<local>"));
    Product again;
    again.Start();
    EXPECT_TRUE(BalloonShows(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ", 30s));
    EXPECT_EQ(Asked("proxy"), carried);
}

}  // namespace
