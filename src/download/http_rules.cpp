#include "download/http_rules.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/web_address.h"

namespace {

bool IsAlpha(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }

// The length of a scheme followed by ':' at the start, or 0 when there is none.
std::size_t SchemeLength(const std::wstring& s) {
    if (s.empty() || !IsAlpha(s[0])) return 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const wchar_t c = s[i];
        if (c == L':') return i;
        if (!IsAlpha(c) && !(c >= L'0' && c <= L'9') && c != L'+' && c != L'-' && c != L'.') return 0;
    }
    return 0;
}

// The end of the authority that starts at `from`.
std::size_t AuthorityEnd(const std::wstring& s, std::size_t from) {
    const auto end = s.find_first_of(L"/?#", from);
    return end == std::wstring::npos ? s.size() : end;
}

std::wstring RemoveDotSegments(std::wstring in) {
    std::wstring out;
    while (!in.empty()) {
        if (in.starts_with(L"../")) {
            in.erase(0, 3);
        } else if (in.starts_with(L"./")) {
            in.erase(0, 2);
        } else if (in.starts_with(L"/./")) {
            in.erase(0, 2);
        } else if (in == L"/.") {
            in = L"/";
        } else if (in.starts_with(L"/../") || in == L"/..") {
            in = in.size() == 3 ? std::wstring(L"/") : in.substr(3);
            const auto slash = out.rfind(L'/');
            out.erase(slash == std::wstring::npos ? 0 : slash);
        } else if (in == L"." || in == L"..") {
            in.clear();
        } else {
            const auto next = in.find(L'/', 1);
            out += in.substr(0, next);
            in.erase(0, next == std::wstring::npos ? in.size() : next);
        }
    }
    return out;
}

// s with the dot segments of its path (from pathAt to the query) removed.
std::wstring WithCleanPath(const std::wstring& s, std::size_t pathAt) {
    const std::size_t query = std::min(s.size(), s.find(L'?', pathAt));
    return s.substr(0, pathAt) + RemoveDotSegments(s.substr(pathAt, query - pathAt)) + s.substr(query);
}

}  // namespace

bool Fetchable(const std::wstring& url) {
    if (!IsWebAddress(url)) return false;
    const std::size_t host = url.find(L"//") + 2;
    for (wchar_t c : url)
        if (c < 0x20 || c == 0x7F) return false;
    const std::size_t end = AuthorityEnd(url, host);
    if (end == host) return false;
    for (std::size_t i = host; i < end; ++i)
        if (url[i] == L' ' || url[i] == L'\\') return false;
    return true;
}

int Percent(std::int64_t progress, std::int64_t max) {
    if (max <= 0) return 0;
    const double p = std::nearbyint(static_cast<double>(progress) / static_cast<double>(max) * 100.0);
    if (p >= static_cast<double>(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (p <= static_cast<double>(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return static_cast<int>(p);
}

std::wstring ResolveUrl(const std::wstring& base, const std::wstring& location) {
    std::wstring ref = location.substr(0, location.find(L'#'));
    // Blanks around a header value are no part of it.
    ref.erase(0, std::min(ref.size(), ref.find_first_not_of(L" \t")));
    ref.erase(ref.find_last_not_of(L" \t") + 1);

    const std::wstring b = base.substr(0, base.find(L'#'));
    const std::size_t schemeLen = SchemeLength(b);
    if (const std::size_t n = SchemeLength(ref); n > 0)
        return WithCleanPath(ref, ref.compare(n + 1, 2, L"//") == 0 ? AuthorityEnd(ref, n + 3) : n + 1);
    if (schemeLen == 0) return ref;  // nothing to resolve against
    if (ref.starts_with(L"//"))
        return WithCleanPath(b.substr(0, schemeLen + 1) + ref, schemeLen + 1 + AuthorityEnd(ref, 2));

    // The base split into origin (scheme and authority), path and query.
    const bool hasAuthority = b.compare(schemeLen + 1, 2, L"//") == 0;
    const std::size_t pathAt = hasAuthority ? AuthorityEnd(b, schemeLen + 3) : schemeLen + 1;
    const std::size_t query = b.find(L'?', pathAt);
    const std::wstring origin = b.substr(0, pathAt);
    const std::wstring basePath = b.substr(pathAt, (query == std::wstring::npos ? b.size() : query) - pathAt);

    if (ref.empty()) return b;
    if (ref[0] == L'?') return origin + basePath + ref;

    const std::size_t refQuery = ref.find(L'?');
    std::wstring path = ref.substr(0, refQuery);
    const std::wstring tail = refQuery == std::wstring::npos ? std::wstring() : ref.substr(refQuery);
    if (path[0] != L'/') {
        // Merged with the base's folder.
        if (hasAuthority && basePath.empty())
            path = L"/" + path;
        else
            path = basePath.substr(0, basePath.rfind(L'/') + 1) + path;
    }
    return origin + RemoveDotSegments(path) + tail;
}

std::optional<std::uint64_t> ParseContentLength(const std::wstring& value) {
    const auto first = value.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return std::nullopt;
    const auto last = value.find_last_not_of(L" \t");
    std::uint64_t n = 0;
    for (std::size_t i = first; i <= last; ++i) {
        const wchar_t c = value[i];
        if (c < L'0' || c > L'9') return std::nullopt;
        const std::uint64_t d = static_cast<std::uint64_t>(c - L'0');
        if (n > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return std::nullopt;
        n = n * 10 + d;
    }
    return n;
}

AfterHead OnHead(TransferFacts& f, std::wstring& at, int hop, std::uint32_t status,
                 const std::wstring& location, const std::wstring& length, std::uint64_t limit,
                 const std::function<bool(const std::wstring&)>& allowed) {
    f.httpStatus = status;
    if (status >= 300 && status < 400 && !location.empty()) {
        if (hop >= kMaxRedirects) {
            f.failed = true;
            return AfterHead::End;
        }
        const std::wstring next = ResolveUrl(at, location);
        if (!allowed || !allowed(next)) {
            f.redirectRefused = true;
            return AfterHead::End;
        }
        at = next;
        return AfterHead::Follow;
    }
    if (status < 200 || status > 299) return AfterHead::End;
    if (!length.empty()) {
        f.length = ParseContentLength(length);
        // A length that cannot be read cannot be checked.
        if (!f.length) f.failed = true;
        if (f.length && *f.length > limit) f.overLimit = true;
        if (!f.length || f.overLimit) return AfterHead::End;
    }
    return AfterHead::Receive;
}

bool OnBody(TransferFacts& f, const std::uint8_t* data, std::size_t n, std::uint64_t limit) {
    if (n > limit || f.received > limit - n) {
        f.overLimit = true;
        return false;
    }
    const std::size_t keep = std::min(kHeadBytes - std::min(kHeadBytes, f.head.size()), n);
    f.head.insert(f.head.end(), data, data + keep);
    f.received += n;
    return true;
}
