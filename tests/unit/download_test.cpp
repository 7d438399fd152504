#include <gtest/gtest.h>

#include <limits>

#include "download/file_download.h"
#include "download/http_rules.h"
#include "fakes.h"

namespace {

using Content = CFileDownload::Content;
namespace ts = transfer_status;

// Replays its reports (running `during` after each) and returns its facts;
// writes `body` to the temporary file unless told not to.
struct FakeTransfer : Transfer {
    FakeSystem& sys;
    std::vector<TransferReport> reports;
    TransferFacts facts;
    std::string body;
    bool writes = true;
    std::function<void(std::size_t)> during;
    std::vector<std::wstring> urls, temps;
    std::uint64_t limit = 0;
    std::function<bool(const std::wstring&)> allowed;
    int aborts = 0;

    explicit FakeTransfer(FakeSystem& s) : sys(s) {}
    TransferFacts Run(const std::wstring& url, const std::wstring& temp, std::uint64_t lim,
                      const std::function<bool(const std::wstring&)>& ok,
                      const std::function<void(const TransferReport&)>& report) override {
        urls.push_back(url);
        temps.push_back(temp);
        limit = lim;
        allowed = ok;
        if (writes) sys.files.insert(temp), sys.contents[temp] = body;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            report(reports[i]);
            if (during) during(i);
        }
        return facts;
    }
    void Abort() override { ++aborts; }
};

struct Event {
    std::int32_t progress, max, status;
    std::wstring text;
    bool operator==(const Event&) const = default;
};

// The downloader over fakes; dest exists with "old" in it.
struct Rig {
    FakeSystem sys;
    FakeTransfer transfer{sys};
    CFileDownload dl{transfer, sys};
    std::vector<Event> events;
    const std::wstring dest = L"C:\\app\\deskurl.ini", temp = dest + L".part";

    Rig() {
        dl.OnProgress = [this](std::int32_t p, std::int32_t m, std::int32_t s, const std::wstring& t) {
            events.push_back({p, m, s, t});
        };
        sys.files.insert(dest);
        sys.contents[dest] = "old";
    }
    void Answer(std::uint32_t status, std::string body, bool withLength = true) {
        transfer.facts.started = true;
        transfer.facts.httpStatus = status;
        transfer.facts.received = body.size();
        if (withLength) transfer.facts.length = body.size();
        transfer.facts.head.assign(body.begin(), body.begin() + std::min<std::size_t>(body.size(), 16));
        transfer.body = std::move(body);
    }
};

struct DownloadTest : ::testing::Test, Rig {};

TEST(HttpRules, Percent) {
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    for (auto [p, m, want] :
         std::vector<std::array<std::int64_t, 3>>{{999, 1000, 100},
                                                  {994, 1000, 99},
                                                  {995, 1000, 100},
                                                  {1, 8, 12},
                                                  {5, 8, 62},
                                                  {3, 8, 38},
                                                  {0, 0, 0},
                                                  {7, 0, 0},
                                                  {7, -3, 0},
                                                  {1000, 1000, 100},
                                                  {big, 1, std::numeric_limits<int>::max()}})
        EXPECT_EQ(Percent(p, m), want) << p << "/" << m;
}

TEST(HttpRules, Fetchable) {
    for (auto* ok : {L"http://a/", L"HTTPS://A", L"hTtP://x:8080/p q?r#s", L"https://[::1]:8/"})
        EXPECT_TRUE(Fetchable(ok)) << ok;
    for (auto* bad : {L"", L"file:///C:/windows/win.ini", L"C:\\x.jpg", L"\\\\host\\share\\a.jpg",
                      L"ftp://h/a", L"http://", L"http:///path", L"http:/a/b", L" http://a/", L"http://a\nb/",
                      L"http://a b/", L"http:\\\\a\\b", L"https//a", L"mailto:http://a"})
        EXPECT_FALSE(Fetchable(bad)) << bad;
}

TEST(HttpRules, ResolveUrl) {
    const std::wstring base = L"http://a/b/c/d;p?q";
    for (auto [ref, want] :
         std::vector<std::pair<std::wstring, std::wstring>>{{L"g", L"http://a/b/c/g"},
                                                            {L"./g", L"http://a/b/c/g"},
                                                            {L"g/", L"http://a/b/c/g/"},
                                                            {L"/g", L"http://a/g"},
                                                            {L"//g", L"http://g"},
                                                            {L"//g/x/../y", L"http://g/y"},
                                                            {L"?y", L"http://a/b/c/d;p?y"},
                                                            {L"g?y/./x", L"http://a/b/c/g?y/./x"},
                                                            {L"#s", base},
                                                            {L"g#s", L"http://a/b/c/g"},
                                                            {L"..", L"http://a/b/"},
                                                            {L"../g", L"http://a/b/g"},
                                                            {L"../../../g", L"http://a/g"},
                                                            {L"/./g", L"http://a/g"},
                                                            {L"g.", L"http://a/b/c/g."},
                                                            {L"", base},
                                                            {L"  /g \t", L"http://a/g"},
                                                            {L"file:///C:/w.ini", L"file:///C:/w.ini"},
                                                            {L"HTTPS://x/p/../q?a", L"HTTPS://x/q?a"},
                                                            {L"ftp:g", L"ftp:g"}})
        EXPECT_EQ(ResolveUrl(base, ref), want) << ref;
    EXPECT_EQ(ResolveUrl(L"http://h:81", L"g"), L"http://h:81/g");
    EXPECT_EQ(ResolveUrl(L"https://h", L"//i/j"), L"https://i/j");
    EXPECT_EQ(ResolveUrl(L"no scheme", L"g"), L"g");
}

TEST(HttpRules, ContentLength) {
    using L = std::optional<std::uint64_t>;
    for (auto [text, want] : std::vector<std::pair<std::wstring, L>>{
             {L"123", 123},
             {L" 7\t", 7},
             {L"0", 0},
             {L"", L()},
             {L"  ", L()},
             {L"-1", L()},
             {L"1x", L()},
             {L"1 2", L()},
             {L"18446744073709551615", std::numeric_limits<std::uint64_t>::max()},
             {L"18446744073709551616", L()}})
        EXPECT_EQ(ParseContentLength(text), want) << text;
}

TEST_F(DownloadTest, OutcomeOfEveryKindOfTransfer) {
    const std::string jpeg = "\xFF\xD8\xFF\xE0 jfif", html = "<html>hi</html>";
    struct Case {
        const char* name;
        std::function<void(Rig&)> setup;
        Content content;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"200 with length", [&](Rig& t) { t.Answer(200, jpeg); }, Content::Any, true},
        {"204 without length", [&](Rig& t) { t.Answer(204, jpeg, false); }, Content::Any, true},
        {"empty body", [&](Rig& t) { t.Answer(200, ""); }, Content::Any, true},
        {"html as any", [&](Rig& t) { t.Answer(200, html); }, Content::Any, true},
        {"png picture", [&](Rig& t) { t.Answer(200, "\x89PNG\r\n\x1A\n...."); }, Content::Picture, true},
        {"gif picture", [&](Rig& t) { t.Answer(200, "GIF89a...."); }, Content::Picture, true},
        {"bmp picture", [&](Rig& t) { t.Answer(200, "BM......"); }, Content::Picture, true},
        {"html as picture", [&](Rig& t) { t.Answer(200, html); }, Content::Picture, false},
        {"404", [&](Rig& t) { t.Answer(404, jpeg); }, Content::Any, false},
        {"500", [&](Rig& t) { t.Answer(500, jpeg); }, Content::Any, false},
        {"302 not followed", [&](Rig& t) { t.Answer(302, ""); }, Content::Any, false},
        {"199", [&](Rig& t) { t.Answer(199, jpeg); }, Content::Any, false},
        {"300", [&](Rig& t) { t.Answer(300, jpeg); }, Content::Any, false},
        {"no response", [&](Rig& t) { t.Answer(0, ""); }, Content::Any, false},
        {"cut short", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.length = 999; }, Content::Any,
         false},
        {"longer than said", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.length = 2; }, Content::Any,
         false},
        {"stalled", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.stalled = true; }, Content::Any,
         false},
        {"aborted", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.aborted = true; }, Content::Any,
         false},
        {"failed", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.failed = true; }, Content::Any, false},
        {"over limit", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.overLimit = true; }, Content::Any,
         false},
        {"past limit", [&](Rig& t) { t.Answer(200, std::string(CFileDownload::kListLimit + 1, 'x'), false); },
         Content::Any, false},
        {"redirect refused", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.redirectRefused = true; },
         Content::Any, false},
        {"never started", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.facts.started = false; },
         Content::Any, false},
        {"temp missing", [&](Rig& t) { t.Answer(200, jpeg), t.transfer.writes = false; }, Content::Any,
         false},
    };
    for (const Case& c : cases) {
        Rig t;
        c.setup(t);
        EXPECT_EQ(t.dl.StartDownloading(L"http://h/x", t.dest, c.content), c.ok) << c.name;
        EXPECT_FALSE(t.sys.files.count(t.temp)) << c.name;
        EXPECT_EQ(t.sys.contents[t.dest], c.ok ? t.transfer.body : "old") << c.name;
        ASSERT_EQ(t.events.size(), 2u) << c.name;
        EXPECT_EQ(t.events.front(), (Event{0, 0, ts::kStarted, L""})) << c.name;
        const Event& last = t.events.back();
        const auto n =
            static_cast<std::int32_t>(std::min<std::uint64_t>(t.transfer.facts.received, INT32_MAX));
        EXPECT_EQ(last.status, c.ok ? ts::kDone : ts::kFailed) << c.name;
        EXPECT_EQ(last.progress, c.ok ? t.transfer.facts.length.value_or(n) : n) << c.name;
        EXPECT_EQ(Percent(last.progress, last.max), c.ok && n > 0 ? 100 : 0) << c.name;
        EXPECT_EQ(t.transfer.temps, std::vector<std::wstring>{t.temp}) << c.name;
    }
}

TEST_F(DownloadTest, ReportsArePassedOnInOrderClamped) {
    Answer(200, "abcd");
    transfer.reports = {{1, 4, ts::kReceiving, L""},
                        {0, 0, ts::kRedirecting, L"http://i/"},
                        {5'000'000'000, 6'000'000'000, 0xFFFFFFFFu, L"x"}};
    ASSERT_TRUE(dl.StartDownloading(L"http://h/x", dest));
    const std::int32_t top = INT32_MAX;
    EXPECT_EQ(events, (std::vector<Event>{{0, 0, ts::kStarted, L""},
                                          {1, 4, ts::kReceiving, L""},
                                          {0, 0, ts::kRedirecting, L"http://i/"},
                                          {top, top, top, L"x"},
                                          {4, 4, ts::kDone, L""}}));
}

TEST_F(DownloadTest, BusyWhileRunning) {
    Answer(200, "abcd");
    transfer.reports = {{1, 4, ts::kReceiving, L""}, {2, 4, ts::kReceiving, L""}};
    std::vector<bool> nested;
    transfer.during = [&](std::size_t) {
        nested.push_back(dl.Busy());
        nested.push_back(dl.StartDownloading(L"http://h/other", L"C:\\other"));
    };
    EXPECT_TRUE(dl.StartDownloading(L"http://h/x", dest));
    EXPECT_EQ(nested, (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(transfer.urls.size(), 1u);
    EXPECT_EQ(events.size(), 4u);
    EXPECT_FALSE(dl.Busy());
    transfer.during = nullptr;
    EXPECT_TRUE(dl.StartDownloading(L"http://h/y", dest));
    EXPECT_EQ(transfer.urls, (std::vector<std::wstring>{L"http://h/x", L"http://h/y"}));
}

TEST_F(DownloadTest, OnlyWebAddressesAreRequested) {
    for (auto* src : {L"file:///C:/windows/win.ini", L"C:\\pics\\a.jpg", L"\\\\host\\share\\a.jpg",
                      L"ftp://h/a", L"a.jpg", L""})
        EXPECT_FALSE(dl.StartDownloading(src, dest)) << src;
    EXPECT_FALSE(dl.StartDownloading(L"http://h/x", L""));
    EXPECT_TRUE(transfer.urls.empty());
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(sys.contents[dest], "old");
}

TEST_F(DownloadTest, LimitsAndRedirectRule) {
    const std::uint64_t gib = 1ull << 30;
    for (auto [content, asked, given] : std::vector<std::tuple<Content, std::uint64_t, std::uint64_t>>{
             {Content::Any, CFileDownload::kListLimit, CFileDownload::kListLimit},
             {Content::Any, gib, gib},
             {Content::Picture, gib, CFileDownload::kPictureLimit},
             {Content::Picture, 1000, 1000}}) {
        Answer(200, "BMxx");
        dl.StartDownloading(L"http://h/x", dest, content, asked);
        EXPECT_EQ(transfer.limit, given);
    }
    EXPECT_TRUE(transfer.allowed(L"https://elsewhere/a.jpg"));
    EXPECT_FALSE(transfer.allowed(L"file:///C:/windows/win.ini"));
}

TEST_F(DownloadTest, AbortEndsTheDownloadAsAFailure) {
    Answer(200, "abcd");
    transfer.reports = {{1, 4, ts::kReceiving, L""}};
    dl.AbortDownloading();  // nothing runs: no effect
    EXPECT_EQ(transfer.aborts, 0);
    transfer.during = [&](std::size_t) { dl.AbortDownloading(); };
    EXPECT_FALSE(dl.StartDownloading(L"http://h/x", dest));
    EXPECT_EQ(transfer.aborts, 1);
    EXPECT_EQ(sys.contents[dest], "old");
    // From the start report: no request goes out.
    dl.OnProgress = [&](std::int32_t, std::int32_t, std::int32_t s, const std::wstring&) {
        if (s == ts::kStarted) dl.AbortDownloading();
    };
    EXPECT_FALSE(dl.StartDownloading(L"http://h/y", dest));
    EXPECT_EQ(transfer.urls.size(), 1u);
    EXPECT_FALSE(dl.Busy());
}

TEST(StrFromPtr, Texts) {
    FakeSystem sys;
    EXPECT_EQ(CFileDownload::StrFromPtr(nullptr, true, sys), L"");
    EXPECT_EQ(CFileDownload::StrFromPtr(nullptr, false, sys), L"");
    const char16_t wide[] = u"ab\u4e2d\U0001F600z\0tail";
    EXPECT_EQ(CFileDownload::StrFromPtr(wide, true, sys), L"ab\u4e2d\U0001F600z");
    // Unaligned start.
    alignas(2) char buf[8] = {0, 'q', 0, 'r', 0, 0, 0, 0};
    EXPECT_EQ(CFileDownload::StrFromPtr(buf + 1, true, sys), L"qr");
    EXPECT_EQ(CFileDownload::StrFromPtr("abc\xE9\0def", false, sys), L"abc\u00E9");
}

}  // namespace
