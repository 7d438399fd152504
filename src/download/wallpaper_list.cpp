#include "download/wallpaper_list.h"

#include "base/web_address.h"
#include "download/feed.h"
#include "download/http_rules.h"

namespace download {

namespace {

void AddEntry(std::vector<std::wstring>& out, const std::wstring& line) {
    if (line.size() > kMaxLine || out.size() >= kMaxEntries) return;
    const auto first = line.find_first_not_of(L' ');
    if (first == std::wstring::npos) return;
    std::wstring s = line.substr(first, line.find_last_not_of(L' ') - first + 1);
    for (std::size_t at; (at = s.find(L"<br>")) != std::wstring::npos;) s.erase(at, 4);
    if (!s.empty()) out.push_back(std::move(s));
}

void Append(std::wstring& s, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            s += static_cast<wchar_t>(0xD800 + (c >> 10));
            s += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    s += static_cast<wchar_t>(c);
}

// The code point at `i` and its length; 0 for a byte that starts none.
int Decode(std::string_view b, std::size_t i, char32_t& c) {
    const auto u = [&](std::size_t k) { return static_cast<unsigned char>(b[k]); };
    const unsigned char lead = u(i);
    int n = lead < 0x80                    ? 1
            : lead >= 0xC2 && lead <= 0xDF ? 2
            : lead >= 0xE0 && lead <= 0xEF ? 3
            : lead >= 0xF0 && lead <= 0xF4 ? 4
                                           : 0;
    if (n == 0 || i + n > b.size()) return 0;
    c = n == 1 ? lead : lead & (0x7F >> n);
    for (int k = 1; k < n; ++k) {
        if ((u(i + k) & 0xC0) != 0x80) return 0;
        c = c << 6 | (u(i + k) & 0x3F);
    }
    // No overlong forms, surrogates or values past U+10FFFF.
    if ((n == 3 && c < 0x800) || (n == 4 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return n;
}

}  // namespace

std::vector<std::wstring> ParseList(const std::wstring& text) {
    std::vector<std::wstring> out;
    std::wstring line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\r' && text[i] != L'\n') {
            line += text[i];
            continue;
        }
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        AddEntry(out, line);
        line.clear();
    }
    AddEntry(out, line);
    return out;
}

bool IsUtf8(std::string_view bytes) {
    char32_t c;
    for (std::size_t i = 0; i < bytes.size();) {
        const int n = Decode(bytes, i, c);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::wstring FromUtf8(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::wstring s;
    char32_t c;
    for (std::size_t i = 0; i < bytes.size();) {
        const int n = Decode(bytes, i, c);
        Append(s, n ? c : U'\xFFFD');
        i += n ? n : 1;
    }
    return s;
}

namespace {

// host or base + "/deskurl.asp"; empty when that is no address the transfer takes.
std::wstring AddressFrom(const std::wstring& value) {
    if (value.empty() || value.find_first_of(L"?#") != std::wstring::npos) return {};
    std::wstring base = IsWebAddress(value) ? value : L"http://" + value;
    const std::size_t path = base.find(L"//") + 2;
    while (base.size() > path && base.back() == L'/') base.pop_back();
    base += L"/deskurl.asp";
    return Fetchable(base) ? base : std::wstring();
}

}  // namespace

std::wstring ListAddress(const std::optional<std::wstring>& url, const std::optional<std::wstring>& host,
                         const std::wstring& builtInUrl, const std::wstring& builtInHost) {
    for (const std::wstring& address :
         {url.value_or(L""), AddressFrom(host.value_or(L"")), builtInUrl, AddressFrom(builtInHost)})
        if (Fetchable(address)) return address;
    return kArchiveAddress;
}

}  // namespace download
