// The real program fetching over https, against certificates of an authority
// made for the tests (tests/e2e/certs), and through the user's proxy.

#include <regex>

#include "product.h"

// After windows.h, which product.h brings in.
#include <wincrypt.h>

using namespace e2e;

namespace {

// The user's proxy where WinHTTP reads it.
bool SetProxy(const std::wstring& server, const std::string& bypass) {
    std::string blob("\x46\0\0\0\1\0\0\0\3\0\0\0", 12);  // its mark, a counter, flags direct | proxy
    for (const std::string& s : {std::string(server.begin(), server.end()), bypass, std::string()})
        blob += char(s.size()) + std::string(3, '\0') + s;  // each after its length; no script
    return !RegSetKeyValueW(HKEY_CURRENT_USER,
                            L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                            L"DefaultConnectionSettings", REG_BINARY, blob.data(), DWORD(blob.size()));
}
// The paths asked for; WinHTTP under Wine names port 80 in a proxy's.
std::string Asked(const Server& s) {
    return std::regex_replace(s.Log(), std::regex("(http://[^/:]*):80/"), "$1/");
}
std::wstring Https(const Server& s, const std::wstring& path) {
    return L"https://localhost" + s.base.substr(s.base.find(L':')) + path;
}

using NetworkTest = OnlineTest;

TEST_F(NetworkTest, HttpsWithBadCertificatesRefusedAndTheUsersProxyWithItsBypassList) {
    // The tests' authority, trusted in this Wine prefix alone.
    const std::string ca = ReadFile(L"Z:" E2E_CERTS L"/ca.der");
    ASSERT_TRUE(CertAddEncodedCertificateToSystemStoreW(L"Root", reinterpret_cast<const BYTE*>(ca.data()),
                                                        DWORD(ca.size())));
    Server web, good(L"good"), unknown(L"unknown"), wrong(L"wrong"), expired(L"expired");
    ASSERT_TRUE(WriteJpeg(good.dir / L"sea.jpg", RGB(30, 160, 220)) &&
                WriteJpeg(good.dir / L"hill.jpg", RGB(200, 90, 40)));
    // An https picture, an http one moved to https, then the same picture from each bad server.
    std::wstring list =
        Https(good, L"/sea.jpg\r\nhttp://") + web.base + L"/redirect?to=" + Https(good, L"/hill.jpg\r\n");
    for (const Server* bad : {&unknown, &wrong, &expired})
        list += Https(*bad, L"/sea.jpg\r\n"), fs::copy_file(good.dir / L"sea.jpg", bad->dir / L"sea.jpg");
    WriteFile(good.dir / L"deskurl.asp", std::string(list.begin(), list.end()));  // ASCII
    ASSERT_TRUE(WriteSetting(L"listhost", Https(good, L"/")));
    Product app;
    app.Start();
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 60s));
    const fs::path pics = app.Dir() / L"Wallpaper";
    EXPECT_TRUE(ReadFile(pics / L"Tirnaco0.jpg") == ReadFile(good.dir / L"sea.jpg") &&
                ReadFile(pics / L"Tirnaco1.jpg") == ReadFile(good.dir / L"hill.jpg"));
    EXPECT_EQ(std::distance(fs::directory_iterator(pics), {}), 2) << "a bad certificate's picture came";
    EXPECT_EQ(unknown.Log() + wrong.Log() + expired.Log(), "")
        << "a server with a bad certificate was answered";
    app.Quit();

    // Through the user's proxy, to a host that only the proxy knows.
    WriteFile(web.dir / L"deskurl.asp", "http://lists.invalid/sea.jpg\r\n");
    fs::copy_file(good.dir / L"sea.jpg", web.dir / L"sea.jpg");
    ASSERT_TRUE(WriteSetting(L"listhost", L"lists.invalid") && SetProxy(web.base, ""));
    const std::string before = Asked(web);
    Product proxied;
    proxied.Start();
    EXPECT_TRUE(BalloonShows(L"壁纸下载结束，现在开始为你定时更换壁纸!", 60s));
    EXPECT_TRUE(ReadFile(proxied.Dir() / L"Wallpaper" / L"Tirnaco0.jpg") == ReadFile(good.dir / L"sea.jpg"));
    const std::string carried = Asked(web);
    EXPECT_EQ(carried, before + "http://lists.invalid/deskurl.asp\nhttp://lists.invalid/sea.jpg\n");
    proxied.Quit();

    // A bypassed host (without a dot: local) is asked directly, where nothing
    // listens: after the list's tries only the local pictures are looked for.
    ASSERT_TRUE(WriteSetting(L"listhost", L"localhost:1") && SetProxy(web.base, "example.com;<local>"));
    Product again;
    again.Start();
    EXPECT_TRUE(BalloonShows(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ", 30s));
    EXPECT_EQ(Asked(web), carried);
}

}  // namespace
