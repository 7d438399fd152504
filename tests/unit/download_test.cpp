#include <gtest/gtest.h>

#include "download/file_download.h"
#include "download/http_rules.h"
#include "fakes.h"

namespace {

using Content = CFileDownload::Content;
using enum CFileDownload::Content;
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
    using Allowed = std::function<bool(const std::wstring&)>;
    Allowed allowed;
    std::vector<Event> events;
    const std::wstring dest = L"C:\\app\\deskurl.ini";
    explicit Rig(std::uint32_t status = 200, std::string answer = "\xFF\xD8\xFF\xE0 jfif") : body(answer) {
        dl.OnProgress = [this](auto p, auto m, auto s, auto&) { events.push_back({p, m, s}); };
        sys.files.insert(dest), sys.contents[dest] = "old";
        facts.started = true, facts.httpStatus = status, facts.received = facts.length.emplace(body.size());
        facts.head.assign(body.begin(), body.begin() + std::min<std::size_t>(body.size(), 16));
    }
    TransferFacts Run(const std::wstring& url, const std::wstring& tmp, std::uint64_t lim, const Allowed& ok,
                      const std::function<void(const TransferReport&)>& report) override {
        urls.push_back(url), temps.push_back(tmp), limit = lim, allowed = ok;
        if (writes) sys.files.insert(tmp), sys.contents[tmp] = body;
        for (const auto& r : reports) report(r), during ? during() : void();
        return facts;
    }
    void Abort() override {}
    bool Get(const std::wstring& src, Content c = Any, std::uint64_t lim = CFileDownload::kListLimit) {
        return dl.StartDownloading(src, dest, c, lim);
    }
};

// clang-format off
TEST(HttpRules, Percent) {
    for (auto [p, m, want] : std::vector<std::array<std::int64_t, 3>>{{999, 1000, 100}, {994, 1000, 99},
             {1, 8, 12}, {5, 8, 62}, {7, 0, 0}, {7, -1, 0}, {INT64_MAX, 1, INT32_MAX}})
        EXPECT_EQ(Percent(p, m), want) << p << "/" << m;
}

// Whatever spoils a transfer, dest keeps what it held and the temporary file
// beside it is gone; a good one takes dest's place.
TEST(Download, OutcomeOfEveryKindOfTransfer) {
    using F = TransferFacts;
    const std::string jpeg = "\xFF\xD8\xFF jpeg", html = "<html>", big(CFileDownload::kListLimit + 1, 0);
    auto length = [](std::optional<std::uint64_t> n) { return [n](Rig& r) { r.facts.length = n; }; };
    auto flip = [](bool F::*flag) { return [flag](Rig& r) { r.facts.*flag = !(r.facts.*flag); }; };
    struct Case { const char* name; bool ok; std::function<void(Rig&)> spoil = {};
                  std::string body = "x"; std::uint32_t status = 200; Content content = Any; };
    const Case cases[] = {{"jpeg", true, {}, jpeg, 200, Picture}, {"no length", true, length({}), "abc", 204},
        {"empty", true, {}, ""}, {"html", true, {}, html}, {"html picture", false, {}, html, 200, Picture},
        {"404", false, {}, "x", 404}, {"302", false, {}, "", 302}, {"cut", false, length(9), "abc"},
        {"too long", false, length(2), "abc"}, {"past limit", false, length({}), big},
        {"unwritten", false, [](Rig& r) { r.writes = false; }}, {"not started", false, flip(&F::started)},
        {"stalled", false, flip(&F::stalled)}, {"aborted", false, flip(&F::aborted)},
        {"failed", false, flip(&F::failed)}, {"over limit", false, flip(&F::overLimit)},
        {"redirect refused", false, flip(&F::redirectRefused)}};
    for (const Case& c : cases) {
        Rig r(c.status, c.body);
        if (c.spoil) c.spoil(r);
        EXPECT_EQ(r.Get(L"http://h/x", c.content), c.ok) << c.name;
        EXPECT_EQ(r.temps, Strings{r.dest + L".part"}) << c.name;
        EXPECT_EQ(r.sys.files, std::set{r.dest}) << c.name;
        EXPECT_EQ(r.sys.contents[r.dest], c.ok ? r.body : "old") << c.name;
        const std::int32_t n = r.facts.received, all = r.facts.length.value_or(r.facts.received);
        const Event last = c.ok ? Event{all, all, ts::kDone} : Event{n, 0, ts::kFailed};
        EXPECT_EQ(r.events, (std::vector<Event>{{0, 0, ts::kStarted}, last})) << c.name;
    }
}

// Reports are passed on in order, clamped; no download starts meanwhile, nor
// for anything but a web address. A picture's limit is capped.
TEST(Download, ReportsInOrderBusyMeanwhileOnlyWebAddressesLimits) {
    Rig r;
    const std::int32_t max = INT32_MAX, n = static_cast<std::int32_t>(r.body.size());
    r.reports = {{1, 4, ts::kReceiving, L""}, {5'000'000'000, 6'000'000'000, 0xFFFFFFFFu, L"x"}};
    std::vector<bool> nested;
    r.during = [&] { nested.insert(nested.end(), {r.dl.Busy(), r.dl.StartDownloading(L"http://h/", L"2")}); };
    EXPECT_TRUE(r.Get(L"http://h/x"));
    EXPECT_EQ(r.events, (std::vector<Event>{{0, 0, ts::kStarted}, {1, 4, ts::kReceiving}, {max, max, max},
                                            {n, n, ts::kDone}}));
    EXPECT_EQ(nested, (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(r.dl.Busy());
    r.during = nullptr;
    for (auto* src : {L"file:///C:/w.ini", L"C:\\a.jpg", L"\\\\host\\a.jpg", L"ftp://h/a", L"",
                      L"http://", L" http://a/", L"http://a\nb/"})
        EXPECT_FALSE(r.Get(src)) << src;
    EXPECT_FALSE(r.dl.StartDownloading(L"http://h/x", L""));
    EXPECT_EQ(r.events.size(), 4u);  // nothing started for the refused calls
    EXPECT_EQ(r.urls, Strings{L"http://h/x"});
    EXPECT_TRUE(r.allowed(L"https://elsewhere/a.jpg") && !r.allowed(L"file:///C:/w.ini"));  // redirects
    const std::uint64_t gib = 1ull << 30, most = CFileDownload::kPictureLimit;
    for (auto [c, asked, given] : std::vector<std::tuple<Content, std::uint64_t, std::uint64_t>>{
             {Any, 99, 99}, {Any, gib, gib}, {Picture, 9, 9}, {Picture, gib, most}})
        EXPECT_TRUE(r.Get(L"HTTPS://h:8/", c, asked) && r.limit == given && r.urls.back() == L"HTTPS://h:8/");
}
// clang-format on

}  // namespace
