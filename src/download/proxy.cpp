#include "download/proxy.h"

#include <algorithm>
#include <vector>

namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring Lowered(std::wstring s) {
    std::ranges::transform(s, s.begin(), Lower);
    return s;
}

// The items of a list separated by ';', ',' or blanks.
std::vector<std::wstring> Items(const std::wstring& list) {
    std::vector<std::wstring> out;
    std::wstring item;
    for (const wchar_t c : list + L";") {
        if (c == L';' || c == L',' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!item.empty()) out.push_back(std::move(item));
            item.clear();
        } else {
            item += c;
        }
    }
    return out;
}

// Whether text matches the pattern, where '*' stands for any run of characters.
bool Matches(std::wstring_view text, std::wstring_view pattern) {
    std::size_t t = 0, p = 0, star = std::wstring_view::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p, ++t;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

}  // namespace

namespace proxy {

std::wstring Choose(const std::wstring& url, const std::wstring& proxies, const std::wstring& bypass) {
    const std::wstring u = Lowered(url);
    const std::size_t colon = u.find(L"://");
    if (colon == std::wstring::npos) return {};
    const std::wstring scheme = u.substr(0, colon);
    // The authority without user information; the host without the port.
    std::wstring hostPort = u.substr(colon + 3, u.find_first_of(L"/?#", colon + 3) - (colon + 3));
    hostPort.erase(0, hostPort.rfind(L'@') + 1);
    const std::size_t portAt = hostPort.rfind(L':');
    const bool bracketed = hostPort.starts_with(L'[');
    const std::wstring host = portAt != std::wstring::npos && (!bracketed || hostPort[portAt - 1] == L']')
                                  ? hostPort.substr(0, portAt)
                                  : hostPort;
    for (const std::wstring& pattern : Items(Lowered(bypass))) {
        if (pattern == L"<local>" ? host.find(L'.') == std::wstring::npos
                                  : Matches(host, pattern) || Matches(hostPort, pattern) ||
                                        Matches(scheme + L"://" + host, pattern))
            return {};
    }
    std::wstring general;
    for (const std::wstring& item : Items(proxies)) {
        const std::size_t eq = item.find(L'=');
        std::wstring server = item.substr(eq == std::wstring::npos ? 0 : eq + 1);
        if (const std::size_t at = server.find(L"://"); at != std::wstring::npos) server.erase(0, at + 3);
        while (!server.empty() && server.back() == L'/') server.pop_back();
        if (server.empty()) continue;
        if (eq == std::wstring::npos) {
            if (general.empty()) general = server;
        } else if (Lowered(item.substr(0, eq)) == scheme) {
            return server;
        }
    }
    return general;
}

}  // namespace proxy

std::wstring ProxyChooser::For(const std::wstring& url, const std::optional<AutoProxyAnswer>& answer) {
    if (WantsScript()) {
        if (answer)
            return answer->direct ? std::wstring() : proxy::Choose(url, answer->proxy, answer->bypass);
        scriptFailed_ = true;
    }
    return proxy::Choose(url, settings_.proxy, settings_.bypass);
}
