// The downloader, the list from the list server and the picture queue.

#include <gtest/gtest.h>

#include "download/feed.h"
#include "download/file_download.h"
#include "download/http_rules.h"
#include "download/proxy.h"
#include "download/wallpaper_list.h"
#include "fakes.h"
#include "wallpaper/naming.h"

namespace {

using Content = CFileDownload::Content;
using enum CFileDownload::Content;
using Strings = std::vector<std::wstring>;
using namespace download;

const std::wstring kList = L"http://127.0.0.1:8080/deskurl.asp";
const wchar_t* const kMedia = L"http://search.yahoo.com/mrss/";

// Online, may download, the list server at 127.0.0.1:8080.
struct Online : FakeApp {
    Online() {
        sys.online = true;
        sys.wavs["ONLINE"] = Silence();
        Store(L"listhost", L"127.0.0.1:8080");
        frm.Form_Load();
    }
};

// A parsed document from rows of depth, name ("m:" Media RSS, "a:" Atom), text and attributes.
struct Row {
    int depth;
    std::wstring name, text = {};
    std::vector<std::pair<std::wstring, std::wstring>> attributes = {};
};
XmlDocument Doc(const std::vector<Row>& rows) {
    XmlDocument doc;
    std::vector<int> last;  // the last element at each depth
    for (const auto& [depth, name, text, attributes] : rows) {
        last.resize(static_cast<std::size_t>(depth));
        const wchar_t* ns = name[1] != L':' ? L"" : name[0] == L'm' ? kMedia : L"http://www.w3.org/2005/Atom";
        doc.push_back({depth ? last.back() : -1, name.substr(*ns ? 2 : 0), ns, {}, text});
        for (const auto& [n, value] : attributes) doc.back().attributes.push_back({n, L"", value});
        last.push_back(static_cast<int>(doc.size()) - 1);
    }
    return doc;
}

}  // namespace

// clang-format off
// Whatever spoils a transfer, dest keeps what it held and the temporary file
// beside it is gone; a good one takes dest's place. The story against the fault
// server brings the rest: pages, redirects and limits.
TEST(Download, OutcomeOfATransferThatSpoilsOrNot) {
    using F = TransferFacts;
    auto flip = [](bool F::*flag) { return [flag](F& f) { f.*flag = !(f.*flag); }; };
    struct Case { const char* name; bool ok; std::function<void(F&)> spoil = {};
                  const char* body = "x"; Content content = Any; };  // no body: nothing written
    const Case cases[] = {{"jpeg", true, {}, "\xFF\xD8\xFF jpeg", Picture}, {"empty", true, {}, ""},
        {"cut", false, [](F& f) { f.length = 9; }}, {"stalled", false, flip(&F::stalled)},
        {"404", false, [](F& f) { f.httpStatus = 404; }}, {"aborted", false, flip(&F::aborted)},
        {"unwritten", false, [](F& f) { f.failed = false, f.httpStatus = 200, f.received = *(f.length = 0); }, nullptr},
        {"failed", false, flip(&F::failed)}};
    for (const Case& c : cases) {
        FakeSystem sys;
        FakeTransfer web(sys);
        const std::wstring dest = L"C:\\app\\deskurl.ini";
        sys.files.insert(dest), sys.contents[dest] = "old";
        if (c.body) web.served[L"http://h/x"] = c.body;
        web.spoil = c.spoil;
        EXPECT_EQ(CFileDownload(web, sys).StartDownloading(L"http://h/x", dest, c.content), c.ok) << c.name;
        EXPECT_EQ(web.temps, Strings{dest + L".part"}) << c.name;
        EXPECT_EQ(sys.files, std::set{dest}) << c.name;
        EXPECT_EQ(sys.contents[dest], c.ok ? c.body : "old") << c.name;
    }
}

// The rules a transfer follows on each answer's head and each piece of its body.
TEST(Download, HeadsLeadToARedirectTheBodyOrTheEndAndTheBodyStopsAtItsLimit) {
    using enum AfterHead;
    using W = const wchar_t*;
    const std::tuple<int, int, W, W, AfterHead, W, const char*> cases[] = {
        {0, 302, L"/b?x", L"", Follow, L"http://h/b?x", ""}, {0, 304, L"", L"", End, L"", ""},
        {kMaxRedirects - 1, 301, L"HTTPS://s/", L"", Follow, L"HTTPS://s/", ""},
        {kMaxRedirects, 302, L"/", L"", End, L"", "failed"}, {0, 404, L"/b", L"10", End, L"", ""},
        {0, 200, L"/b", L"10", Receive, L"", ""}, {0, 206, L"", L"", Receive, L"", ""},
        {0, 200, L"", L"1x", End, L"", "failed"}, {0, 200, L"", L"101", End, L"", "over"}};
    for (const auto& [hop, status, location, length, after, next, fault] : cases) {
        TransferFacts f;
        std::wstring at = L"http://h/a/x";
        EXPECT_EQ(OnHead(f, at, hop, status, location, length, 100, Fetchable), after) << status;
        EXPECT_EQ(at, *next ? next : L"http://h/a/x");
        EXPECT_STREQ(f.failed ? "failed" : f.redirectRefused ? "refused" : f.overLimit ? "over" : "", fault);
    }
    TransferFacts f;
    const std::string body(30, 'j');
    auto piece = [&](size_t n) { return OnBody(f, reinterpret_cast<const uint8_t*>(body.data()), n, 40); };
    EXPECT_TRUE(piece(10) && piece(30) && !piece(1));
    EXPECT_TRUE(f.overLimit && f.received == 40 && f.head.size() == kHeadBytes);
}
// clang-format on

// clang-format off
TEST(List, LinesBlanksMarkersLimitsAndTheAddress) {
    EXPECT_EQ(ParseList(L"A<br>\r\n\r\n  B  \r\n<br>\r\nC<BR>"), (Strings{L"A", L"B", L"C<BR>"}));
    EXPECT_EQ(ParseList(L"x <br>\ry\n\nz\r<br> <br>\r\n"), (Strings{L"x ", L"y", L"z", L" "}));
    std::wstring many;
    for (int i = 0; i < 40000; ++i) many += L"e\r\n";
    EXPECT_EQ(ParseList(many).size(), kMaxEntries);
    EXPECT_TRUE(IsUtf8("\xE5\xA3\x81 ok") && !IsUtf8("\xB1\xDA\xD6\xBD") && !IsUtf8("\xC0\xAF") && !IsUtf8("\xED\xA0\x80"));
    EXPECT_EQ(FromUtf8("\xEF\xBB\xBF\xE5\xA3\x81"), L"壁");
    const std::nullopt_t none = std::nullopt;
    EXPECT_EQ(ListAddress(none, none, L"", L"h.example"), L"http://h.example/deskurl.asp");
    EXPECT_EQ(ListAddress(none, L"127.0.0.1:8080", L"http://b/", L"h"), kList);
    EXPECT_EQ(ListAddress(none, L"HTTPS://s.example/l//", L"", L"h"), L"HTTPS://s.example/l/deskurl.asp");
    // A whole address comes first, as it is; a build's before its host; the archive when none makes one.
    EXPECT_EQ(ListAddress(L"https://f/a.xml?n=8#x", L"h2", L"http://b/", L"h"), L"https://f/a.xml?n=8#x");
    EXPECT_EQ(ListAddress(L" http://f/", none, L"http://b/l?x", L"h"), L"http://b/l?x");
    EXPECT_EQ(ListAddress(L"file:///C:/l", L"?", L"ftp://b/", L"/"),
              L"https://cn.bing.com/HPImageArchive.aspx?format=xml&idx=0&n=8&mkt=zh-CN");
}

TEST(Feed, WhichBytesAreXmlAndThePicturesOfEachFormInOrder) {
    for (const auto& [bytes, xml] : std::vector<std::pair<std::string, bool>>{{"<?xml?><rss/>", true},
             {"\xEF\xBB\xBF \r\n<feed>", true}, {"\xFF\xFE<", true}, {"<br>http://a/1.jpg", false},
             {" <BR />\r\nhttp://a/", false}, {"http://a/<b>", false}, {"", false}})
        EXPECT_EQ(LooksLikeXml(bytes), xml) << bytes;
    using Pictures = std::optional<Strings>;
    const XmlDocument archive = Doc({{0, L"images"}, {1, L"image"}, {2, L"url", L" /th?id=A_1920.jpg&r=1 "},
        {2, L"urlBase", L"\n/th?id=A\n"}, {1, L"image"}, {2, L"url", L"/th?id=B.jpg"}, {1, L"image"},
        {2, L"urlBase", L"https://o.test/C"}, {1, L"tooltips"}, {2, L"url", L"/not/a/picture.jpg"}});
    const XmlDocument rss = Doc({{0, L"rss"}, {1, L"channel"}, {2, L"image"}, {3, L"url", L"/logo.png"},
        {2, L"item"}, {3, L"enclosure", L"", {{L"url", L"p/1.jpg"}, {L"type", L"image/jpeg"}}},
        {3, L"enclosure", L"", {{L"url", L"/a.mp3"}, {L"type", L"audio/mpeg"}}},
        {3, L"m:content", L"", {{L"url", L"//cdn.test/2.png"}, {L"medium", L"image"}}},
        {3, L"m:content", L"", {{L"url", L"//cdn.test/v.mp4"}, {L"medium", L"video"}}},
        {3, L"content", L"", {{L"url", L"/no-namespace.jpg"}}}, {2, L"item"},
        {3, L"enclosure", L"", {{L"url", L"p/1.jpg"}, {L"type", L"IMAGE/JPEG"}}},
        {3, L"enclosure", L"", {{L"url", L"javascript:x()"}}},
        {3, L"enclosure", L"", {{L"url", std::wstring(kMaxLine - 8, L'a')}}}});
    const XmlDocument atom = Doc({{0, L"a:feed"}, {1, L"a:entry"}, {2, L"a:link", L"", {{L"href", L"/page"}}},
        {2, L"a:link", L"", {{L"rel", L"enclosure"}, {L"href", L"3.bmp"}, {L"type", L"image/bmp"}}},
        {2, L"link", L"", {{L"rel", L"enclosure"}, {L"href", L"/other-namespace.jpg"}}}});
    const std::tuple<XmlDocument, int, Pictures> cases[] = {
        {archive, 1920, Strings{L"https://f.test/th?id=A_1920x1080.jpg", L"https://f.test/th?id=B.jpg",
                                L"https://o.test/C_1920x1080.jpg"}},
        {archive, 2560, Strings{L"https://f.test/th?id=A_UHD.jpg", L"https://f.test/th?id=B.jpg",
                                L"https://o.test/C_UHD.jpg"}},
        {rss, 0, Strings{L"https://f.test/news/p/1.jpg", L"https://cdn.test/2.png"}},
        {atom, 0, Strings{L"https://f.test/news/3.bmp"}}, {Doc({{0, L"rss"}, {1, L"channel"}}), 0, Strings{}},
        {Doc({{0, L"feed"}}), 0, std::nullopt}, {Doc({{0, L"a:p"}}), 0, std::nullopt}, {{}, 0, std::nullopt}};
    for (const auto& [doc, width, pictures] : cases)
        EXPECT_EQ(FeedPictures(doc, L"https://f.test/news/feed.xml", width, 1080), pictures) << width;
    XmlDocument many = Doc({{0, L"rss"}});
    for (std::size_t i = 0; i <= kMaxEntries; ++i)
        many.push_back({0, L"enclosure", L"", {{L"url", L"", L"/" + std::to_wstring(i)}}});
    EXPECT_EQ(FeedPictures(many, L"http://h/", 0, 0)->size(), kMaxEntries);
    const std::pair<const wchar_t*, const wchar_t*> kinds[] = {{L"http://h/a/b.JPEG?x=1", L".jpg"},
        {L"https://h/th?id=OHR.Sea_1920x1080.jpg&rf=x.png", L".jpg"}, {L"http://h/q?w=1&id=x.BMP", L".bmp"},
        {L"http://h/p.png#x.bmp", L".png"}, {L"http://h/x.gif", L".jpg"}, {L"http://h.png/a.bmp/b", L".jpg"}};
    for (const auto& [address, kind] : kinds) EXPECT_EQ(wallpaper::FeedExtension(address), kind) << address;
}
// clang-format on

// clang-format off
TEST(Proxy, TheUsersProxyForEachAddressAndTheFixedOneWhenNoScriptAnswers) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
        {L"http://lists.invalid/deskurl.asp", L"127.0.0.1:3128", L"", L"127.0.0.1:3128"},
        {L"HTTPS://Pics.Example:8443/a.jpg", L"http=h:80;https=s:443", L"", L"s:443"},
        {L"http://a.example/", L"ftp=f:21 http://web:8080/;https=s:1", L"", L"web:8080"},
        {L"https://a.example/", L"http=h:80", L"", L""}, {L"http://intranet/x", L"p:1", L"<local>", L""},
        {L"http://u:pw@a.b.example:81/", L"p:1", L"*.B.EXAMPLE", L""},
        {L"http://a.example:81/", L"p:1", L"f; a.example:81", L""},
        {L"http://10.1.2.3/", L"p", L"1,10.*", L""},
        {L"http://a.example/", L"p:1", L"<local>;*.other;b.example", L"p:1"}};
    for (const auto& [url, proxies, bypass, want] : cases)
        EXPECT_EQ(proxy::Choose(url, proxies, bypass), want) << url << " " << bypass;
    // A script first; when it cannot be had the fixed proxy, and no script again.
    ProxyChooser chooser({true, L"", L"fixed:1", L""});
    EXPECT_EQ(chooser.For(L"http://a/", AutoProxyAnswer{false, L"script:2; other:3", L""}), L"script:2");
    EXPECT_EQ(chooser.For(L"http://a/", AutoProxyAnswer{}), L"");
    EXPECT_EQ(chooser.For(L"http://a/", std::nullopt), L"fixed:1");
    EXPECT_FALSE(chooser.WantsScript() || ProxyChooser({}).WantsScript());
}
// clang-format on

TEST(Queue, AFreshStartsNoticeAndTheTipFollowingTheQueue) {
    Online a;
    a.web.served[kList] = "http://p/0.jpg\r\nhttp://p/gone.jpg\r\nhttps://p/2.bmp\r\nhttp://p/3.jpg";
    a.web.served[L"http://p/0.jpg"] = a.web.served[L"http://p/3.jpg"] = "\xFF\xD8\xFF\xE0 picture";
    a.web.served[L"https://p/2.bmp"] = "BM picture";
    // Each transfer takes half a second; a tick during it starts nothing.
    int step = 0;
    a.web.during = [&] {
        a.sys.now.second += step++ % 2;
        a.frm.TimerFired(Timer::Timer1);
    };
    // The list, its pictures and the first change the stories and the soak check; the
    // notices here, which the stories' notification area does not show.
    a.frm.Timer3_Timer();
    EXPECT_EQ(a.ui.Balloons(L"网络连接中，现在开始为你下载新壁纸，请稍候......"), 1);
    a.frm.TimerFired(Timer::Timer1);
    // The tip shows the progress, changed at most once a second, and goes at the end.
    Strings tips;
    for (const TrayCall& c : a.ui.tray)
        if (c.record.uFlags == nif::kTip) tips.push_back(c.record.szTip);
    const std::wstring name = L"晴窗画匣 V1.82";
    EXPECT_EQ(tips, (Strings{name + L"\n正在下载壁纸 0/4", name + L"\n正在下载壁纸 1/4",
                             name + L"\n正在下载壁纸 3/4", name}));
    EXPECT_EQ(a.frm.TrayData.szTip, name);
}

TEST(Queue, AListThatNeverComesOrBringsNoPictureGivesWayToTheLocalPictures) {
    // None, one fetched but unreadable (removed, or it would hold the acquisition for the rest of
    // the run), one whose every picture fails: the requests each makes.
    const std::tuple<const char*, bool, std::size_t> cases[] = {
        {nullptr, false, 20}, {"http://p/0.jpg", true, 20}, {"http://p/gone.jpg\r\nfile:///C:/x", false, 2}};
    for (const auto& [list, unreadable, requests] : cases) {
        Online a;
        bool ticked = false;  // a tick while the tries let the loop turn starts no tries of its own
        a.ui.duringEvents = [&] {
            if (!std::exchange(ticked, true)) a.frm.Timer3_Timer();
        };
        a.desk.folder = {L"mine.jpg"};
        if (list) a.web.served[kList] = list;
        if (unreadable) a.sys.unreadable.insert(a.frm.AppDir + L"deskurl.ini");
        a.frm.Timer3_Timer();
        a.frm.TimerFired(Timer::Timer1);
        EXPECT_EQ(a.web.requested.size(), requests);
        EXPECT_FALSE(a.sys.files.count(a.frm.AppDir + L"deskurl.ini"));
        EXPECT_TRUE(a.ui.GetValue(Check1(1)) == 1 && a.sys.saves.empty());
        EXPECT_EQ(a.ui.Balloons(L"壁纸列表经多次尝试无法下载，程序将寻找使用本地的壁纸! "), 1);
        EXPECT_EQ(a.ui.Balloons(L"壁纸下载结束，现在开始为你定时更换壁纸!"), 0);
        a.frm.Timer3_Timer();
        EXPECT_EQ(a.frm.Listurl.entries, Strings{L"mine.jpg"});
        EXPECT_EQ(a.web.requested.size(), requests);
    }
    // Quitting while the list is tried ends the tries.
    Online q;
    q.web.during = [&] { q.frm.Form_Unload(); };
    q.frm.Timer3_Timer();
    EXPECT_EQ(q.web.requested.size(), 1u);
    EXPECT_EQ(q.ui.GetValue(Check1(1)), 0);
}
