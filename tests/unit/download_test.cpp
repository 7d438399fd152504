#include <gtest/gtest.h>

#include <limits>

#include "download/file_download.h"
#include "download/http_rules.h"
#include "fakes.h"

namespace {

using Content = CFileDownload::Content;
using Strings = std::vector<std::wstring>;
using Event = std::array<std::int32_t, 3>;  // progress, max, status
namespace ts = transfer_status;

// The downloader over a scripted transfer: it replays its reports (running
// `during` after each), writes `body` to the temporary file unless told not to
// and returns its facts, a whole 2xx answer unless changed. dest holds "old".
struct Rig : Transfer {
    FakeSystem sys;
    CFileDownload dl{*this, sys};
    std::vector<TransferReport> reports;
    TransferFacts facts;
    std::string body;
    bool writes = true;
    std::function<void()> during;
    Strings urls, temps;
    std::uint64_t limit = 0;
    std::function<bool(const std::wstring&)> allowed;
    int aborts = 0;
    std::vector<Event> events;
    const std::wstring dest = L"C:\\app\\deskurl.ini", temp = dest + L".part";

    explicit Rig(std::uint32_t status = 200, std::string answer = "\xFF\xD8\xFF\xE0 jfif") : body(answer) {
        dl.OnProgress = [this](std::int32_t p, std::int32_t m, std::int32_t s, const std::wstring&) {
            events.push_back({p, m, s});
        };
        sys.files.insert(dest), sys.contents[dest] = "old";
        facts.started = true, facts.httpStatus = status, facts.received = facts.length.emplace(body.size());
        facts.head.assign(body.begin(), body.begin() + std::min<std::size_t>(body.size(), 16));
    }
    TransferFacts Run(const std::wstring& url, const std::wstring& tmp, std::uint64_t lim,
                      const std::function<bool(const std::wstring&)>& ok,
                      const std::function<void(const TransferReport&)>& report) override {
        urls.push_back(url), temps.push_back(tmp), limit = lim, allowed = ok;
        if (writes) sys.files.insert(tmp), sys.contents[tmp] = body;
        for (const auto& r : reports) report(r), during ? during() : void();
        return facts;
    }
    void Abort() override { ++aborts; }
    bool Get(const std::wstring& src = L"http://h/x", Content content = Content::Any,
             std::uint64_t lim = CFileDownload::kListLimit) {
        return dl.StartDownloading(src, dest, content, lim);
    }
};

struct DownloadTest : ::testing::Test, Rig {};

// clang-format off
TEST(HttpRules, PercentFetchableResolveContentLength) {
    for (auto [p, m, want] : std::vector<std::array<std::int64_t, 3>>{{999, 1000, 100}, {994, 1000, 99},
             {1, 8, 12}, {5, 8, 62}, {7, 0, 0}, {INT64_MAX, 1, std::numeric_limits<int>::max()}})
        EXPECT_EQ(Percent(p, m), want) << p << "/" << m;
    for (auto* ok : {L"http://a/", L"HTTPS://A:8/p q?r#s"}) EXPECT_TRUE(Fetchable(ok)) << ok;
    for (auto* bad : {L"file:///C:/w.ini", L"C:\\x.jpg", L"\\\\host\\a.jpg", L"ftp://h/a", L"http://",
                      L"http:///p", L" http://a/", L"http://a\nb/", L"http://a b/"})
        EXPECT_FALSE(Fetchable(bad)) << bad;
    const std::wstring b = L"http://a/b/c/d;p?q";
    for (auto [base, ref, want] : std::vector<std::array<std::wstring, 3>>{{b, L"g", L"http://a/b/c/g"},
             {b, L"//g/x/../y", L"http://g/y"}, {b, L"?y", L"http://a/b/c/d;p?y"}, {b, L"", b},
             {b, L"g?y/./x#s", L"http://a/b/c/g?y/./x"}, {b, L"../../../g", L"http://a/g"},
             {b, L" /g\t", L"http://a/g"}, {b, L"file:///C:/w", L"file:///C:/w"},
             {L"http://h:81", L"./g", L"http://h:81/g"}, {L"x", L"g", L"g"}})
        EXPECT_EQ(ResolveUrl(base, ref), want) << base << " + " << ref;
    using L = std::optional<std::uint64_t>;
    for (auto [text, want] : std::vector<std::pair<std::wstring, L>>{{L" 7\t", 7}, {L"", L()}, {L"1 2", L()},
             {L"18446744073709551615", UINT64_MAX}, {L"18446744073709551616", L()}})
        EXPECT_EQ(ParseContentLength(text), want) << text;
}

TEST(Download, OutcomeOfEveryKindOfTransfer) {
    const std::string html = "<html>hi</html>", big(CFileDownload::kListLimit + 1, 'x');
    auto length = [](std::optional<std::uint64_t> n) { return [n](Rig& r) { r.facts.length = n; }; };
    auto unwritten = [](Rig& r) { r.writes = false; };
    using F = TransferFacts;
    const Content any = Content::Any, picture = Content::Picture;
    struct Case { const char* name; std::uint32_t status; std::string body; bool F::*flag;
                  Content content; bool ok; std::function<void(Rig&)> spoil; };
    std::vector<Case> cases = {{"200", 200, "\xFF\xD8\xFF jpeg", nullptr, picture, true},
        {"204 without length", 204, "abc", nullptr, any, true, length({})},
        {"empty", 200, "", nullptr, any, true},
        {"html", 200, html, nullptr, any, true}, {"html as picture", 200, html, nullptr, picture, false},
        {"404", 404, "x", nullptr, any, false}, {"302 not followed", 302, "", nullptr, any, false},
        {"cut short", 200, "abc", nullptr, any, false, length(9)},
        {"too long", 200, "abc", nullptr, any, false, length(2)},
        {"past limit", 200, big, nullptr, any, false, length({})},
        {"not written", 200, "x", nullptr, any, false, unwritten}};
    // Each of these flags, flipped, spoils a good transfer.
    for (auto flag : {&F::started, &F::stalled, &F::aborted, &F::failed, &F::overLimit, &F::redirectRefused})
        cases.push_back({"flag", 200, "x", flag, any, false});
    for (const Case& c : cases) {
        Rig r(c.status, c.body);
        if (c.flag) r.facts.*c.flag = !(r.facts.*c.flag);
        if (c.spoil) c.spoil(r);
        EXPECT_EQ(r.Get(L"http://h/x", c.content), c.ok) << c.name;
        EXPECT_EQ(r.sys.files.count(r.temp), 0u) << c.name;
        EXPECT_EQ(r.sys.contents[r.dest], c.ok ? r.body : "old") << c.name;
        const auto n = static_cast<std::int32_t>(r.facts.received);
        const std::int32_t total = c.ok ? static_cast<std::int32_t>(r.facts.length.value_or(n)) : 0;
        const Event last{c.ok ? total : n, total, c.ok ? ts::kDone : ts::kFailed};
        EXPECT_EQ(r.events, (std::vector<Event>{{0, 0, ts::kStarted}, last})) << c.name;
        EXPECT_EQ(Percent(last[0], last[1]), c.ok && n > 0 ? 100 : 0) << c.name;
        EXPECT_EQ(r.temps, Strings{r.temp}) << c.name;
    }
}

TEST_F(DownloadTest, LimitsAndRedirectRule) {
    const std::uint64_t gib = 1ull << 30, list = CFileDownload::kListLimit;
    for (auto [content, asked, given] : std::vector<std::tuple<Content, std::uint64_t, std::uint64_t>>{
             {Content::Any, list, list}, {Content::Any, gib, gib}, {Content::Picture, 9, 9},
             {Content::Picture, gib, CFileDownload::kPictureLimit}}) {
        Get(L"http://h/x", content, asked);
        EXPECT_EQ(limit, given);
    }
    EXPECT_TRUE(allowed(L"https://elsewhere/a.jpg"));
    EXPECT_FALSE(allowed(L"file:///C:/windows/win.ini"));
}
// clang-format on

// Reports are passed on in order, clamped; no download starts meanwhile.
TEST_F(DownloadTest, ReportsInOrderBusyMeanwhileOnlyWebAddresses) {
    const std::int32_t top = INT32_MAX, n = static_cast<std::int32_t>(body.size());
    reports = {{1, 4, ts::kReceiving, L""}, {5'000'000'000, 6'000'000'000, 0xFFFFFFFFu, L"x"}};
    std::vector<bool> nested;
    during = [&] { nested.insert(nested.end(), {dl.Busy(), dl.StartDownloading(L"http://h/2", L"C:\\2")}); };
    EXPECT_TRUE(Get());
    EXPECT_EQ(events, (std::vector<Event>{
                          {0, 0, ts::kStarted}, {1, 4, ts::kReceiving}, {top, top, top}, {n, n, ts::kDone}}));
    EXPECT_EQ(nested, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(dl.Busy());
    during = nullptr;
    for (auto* src : {L"file:///C:/w.ini", L"C:\\pics\\a.jpg", L"\\\\host\\share\\a.jpg", L"ftp://h/a", L""})
        EXPECT_FALSE(Get(src)) << src;
    EXPECT_FALSE(dl.StartDownloading(L"http://h/x", L""));
    EXPECT_EQ(events.size(), 4u);  // none for the refused calls
    EXPECT_TRUE(Get(L"http://h/y"));
    EXPECT_EQ(urls, (Strings{L"http://h/x", L"http://h/y"}));
}

TEST_F(DownloadTest, AbortEndsTheDownloadAsAFailure) {
    reports.resize(1);
    during = [&] { dl.AbortDownloading(); };
    EXPECT_FALSE(Get());
    EXPECT_EQ(aborts, 1);
    EXPECT_EQ(sys.contents[dest], "old");
    // From the start report: no request goes out.
    dl.OnProgress = [&](std::int32_t, std::int32_t, std::int32_t s, const std::wstring&) {
        if (s == ts::kStarted) dl.AbortDownloading();
    };
    EXPECT_FALSE(Get());
    EXPECT_EQ(urls.size(), 1u);
}

// clang-format off
TEST(Download, StrFromPtr) {
    FakeSystem sys;
    alignas(2) const char odd[] = {0, 'q', 0, 'r', 0, 0, 0};  // UTF-16 from odd + 1, unaligned
    for (auto [p, unicode, want] : std::vector<std::tuple<const void*, bool, std::wstring>>{
             {nullptr, true, L""}, {nullptr, false, L""}, {odd + 1, true, L"qr"},
             {"abc\xE9\0def", false, L"abc\u00E9"},
             {u"ab\u4e2d\U0001F600z\0tail", true, L"ab\u4e2d\U0001F600z"}})
        EXPECT_EQ(CFileDownload::StrFromPtr(p, unicode, sys), want);
}
// clang-format on

}  // namespace
