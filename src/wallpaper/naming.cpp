#include "wallpaper/naming.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/web_address.h"

namespace wallpaper {

namespace {
bool AsciiAlnum(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

std::wstring LastUpper(const std::wstring& s, std::size_t n) {
    std::wstring t = s.size() <= n ? s : s.substr(s.size() - n);
    for (auto& c : t)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return t;
}

// CON, NUL, COM1 and the like open a device whatever their case, extension
// or trailing blanks; a read from a port could hang the window.
bool DeviceName(const std::wstring& name) {
    std::wstring base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    base = LastUpper(base, base.size());
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (base == device) return true;
    return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) &&
           std::wstring_view(L"0123456789\u00b9\u00b2\u00b3").find(base[3]) != std::wstring_view::npos;
}

// A bare name as a folder listing gives it: nothing that could reach
// outside the folder, open a device, or (ending in a dot or a blank, which
// Windows drops) name another file or the folder itself.
bool PlainName(const std::wstring& name) {
    if (name.empty() || name.back() == L'.' || name.back() == L' ' || name.find(L"..") != std::wstring::npos)
        return false;
    const auto bad = [](wchar_t c) {
        return c < 32 || std::wstring_view(L"\\/:<>\"|?*").find(c) != std::wstring_view::npos;
    };
    return std::none_of(name.begin(), name.end(), bad) && !DeviceName(name);
}
}  // namespace

std::wstring SafeExtension(const std::wstring& entry) {
    std::wstring ext = LastFour(entry);
    for (auto& c : ext)
        if (!AsciiAlnum(c) && c != L'.') c = L'_';
    return ext;
}

std::wstring NumberedFile(const std::wstring& appDir, int n, const std::wstring& entry) {
    return appDir + L"Wallpaper\\Tirnaco" + std::to_wstring(n) + SafeExtension(entry);
}

std::wstring KeepCopyTarget(const std::wstring& appDir, const std::wstring& entry,
                            const std::function<bool(const std::wstring&)>& exists) {
    constexpr int kFirstKept = 10, kLastNumber = 32767;  // list positions are 16-bit
    for (int n = kFirstKept; n <= kLastNumber; ++n) {
        std::wstring candidate = NumberedFile(appDir, n, entry);
        if (!exists(candidate)) return candidate;
    }
    return {};
}

std::wstring LastFour(const std::wstring& text) {
    return text.size() <= 4 ? text : text.substr(text.size() - 4);
}

std::wstring PictureFile(const std::wstring& appDir, int position, const std::wstring& entry) {
    if (!IsWebAddress(entry) && PlainName(entry)) return appDir + L"Wallpaper\\" + entry;
    return NumberedFile(appDir, position, entry);
}

std::wstring FeedExtension(const std::wstring& address) {
    const std::size_t end = std::min(address.find(L'#'), address.size());
    const std::size_t query = std::min(address.find(L'?'), end);
    const std::size_t host = address.find(L"://");
    const std::size_t path = std::min(address.find(L'/', host == std::wstring::npos ? 0 : host + 3), query);
    std::wstring names[2] = {address.substr(path, query - path), L""};
    for (std::size_t at = query, next; at < end; at = next) {
        next = std::min(address.find(L'&', at + 1), end);
        if (address.compare(at + 1, 3, L"id=") == 0) names[1] = address.substr(at + 4, next - at - 4);
    }
    for (const std::wstring& name : names) {
        const std::wstring ext = LastUpper(name, name.size() - std::min(name.rfind(L'.'), name.size()));
        if (ext == L".JPG" || ext == L".JPEG") return L".jpg";
        if (ext == L".PNG") return L".png";
        if (ext == L".BMP") return L".bmp";
    }
    return L".jpg";
}

std::wstring EntryFile(const std::wstring& appDir, int position, const std::wstring& entry, bool feed) {
    return feed ? NumberedFile(appDir, position, FeedExtension(entry)) : PictureFile(appDir, position, entry);
}

bool IsLocalPicture(const std::wstring& name) {
    const std::wstring end = LastUpper(name, 3);
    return end == L"JPG" || end == L"BMP" || end == L"PNG";
}

bool IsBitmapFile(const std::wstring& path) { return LastUpper(path, 3) == L"BMP"; }

long long IntervalMinutes(const std::wstring& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long v = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        v = v * 10 + (text[i] - L'0');
        if (v > 100000000LL) break;  // far past any day; stop before overflow
    }
    return negative || v < 1 ? 1 : v;
}

bool ChangeDue(const LocalTime& last, const LocalTime& now, const std::wstring& interval) {
    return MinuteSerial(now) - MinuteSerial(last) >= IntervalMinutes(interval);
}

int NextPosition(int current, int count, bool random, double r) {
    if (count <= 0) return -1;
    if (random) return std::clamp(static_cast<int>(std::floor(r * count)), 0, count - 1);
    return current >= 0 && current < count - 1 ? current + 1 : 0;
}

bool FullScreenBusy(int notificationState) {
    constexpr int kBusy = 2, kD3dFullScreen = 3, kPresentation = 4;
    return notificationState == kBusy || notificationState == kD3dFullScreen ||
           notificationState == kPresentation;
}

std::wstring RegistryText(const std::wstring& text, int count) {
    constexpr std::size_t kBuffer = 255;
    std::wstring buf = text.substr(0, std::min(text.find(L'\0'), kBuffer - 1));
    buf += L'\0';
    buf.resize(kBuffer, L' ');
    return buf.substr(0, static_cast<std::size_t>(std::clamp(count, 0, static_cast<int>(kBuffer))));
}

}  // namespace wallpaper
