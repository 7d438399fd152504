// libFuzzer targets for the parsers of outside input, one built per TARGET_<name>: each checks the rule
// its parser defends; the sanitizers, that nothing reads past the input and no size overflows.
// clang-format off
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "app/settings.h"
#include "base/bytes.h"
#include "download/http_rules.h"
#include "download/wallpaper_list.h"
#include "scheduler/duties.h"
#include "sound/wav.h"
#include "wallpaper/bitmap_file.h"
#include "wallpaper/naming.h"
#include "wallpaper/picture_info.h"

#define CHECK(c) ((c) ? void() : (std::fprintf(stderr, "line %d: %s\n", __LINE__, #c), __builtin_trap()))

namespace {
using Bytes = std::span<const std::uint8_t>;
using namespace bytes;
constexpr auto kNone = std::wstring::npos;
// The input as UTF-8 text in `count` fields, one a line, the last taking the rest.
std::vector<std::wstring> Fields(std::string_view s, std::size_t count) {
    std::vector<std::wstring> f(count);
    for (std::size_t i = 0; const wchar_t c : download::FromUtf8(s)) c == L'\n' && i + 1 < count ? void(++i) : f[i].push_back(c);
    return f;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* d, std::size_t n) {
    const Bytes in(d, n);
    const std::string_view s(reinterpret_cast<const char*>(d), n);
#if defined(TARGET_list)  // no entry is empty or holds a line end or a <br>; a plain line is kept whole
    const bool utf8 = download::IsUtf8(s) || s.starts_with("\xEF\xBB\xBF");
    const std::wstring text = utf8 ? download::FromUtf8(s) : std::wstring(d, d + n);  // a one-byte code page
    const auto entries = download::ParseList(text);
    CHECK(entries.size() <= download::kMaxEntries);
    for (const auto& e : entries)
        CHECK(!e.empty() && e.size() <= download::kMaxLine && e.find_first_of(L"\r\n") == kNone && e.find(L"<br>") == kNone);
    const bool plain = text.size() - 1 < download::kMaxLine && text.find_first_of(L"\r\n<") == kNone;
    if (plain && text[0] != L' ' && text.back() != L' ') CHECK(entries == std::vector{text});
#elif defined(TARGET_naming)  // a file stays in the folder and, as Windows reads its name, is plain and no device
    static const std::wregex device(LR"((CON|PRN|AUX|NUL|CONIN\$|CONOUT\$|(COM|LPT)[0-9¹²³]) *(\.[\s\S]*)?)",
                                    std::regex::icase);
    const std::wstring entry = Fields(s, 1)[0], folder = L"C:\\A\\Wallpaper\\";
    const std::wstring file = wallpaper::PictureFile(L"C:\\A\\", static_cast<int>(n), entry);
    std::wstring name = file.substr(folder.size());
    CHECK(file.starts_with(folder) && (name == entry || name.starts_with(L"Tirnaco" + std::to_wstring(n))));
    if (name == entry) CHECK(name.back() != L'.' && name.back() != L' ' && name.find(L"..") == kNone);
    name.erase(name.find_last_not_of(L". ") + 1);  // as Windows drops them
    CHECK(!name.empty() && name.find_first_of(L"\\/:<>\"|?*") == kNone && !std::regex_match(name, device));
    for (const wchar_t c : name) CHECK(c >= 32);
    const std::wstring feed = wallpaper::EntryFile(L"C:\\A\\", 7, entry, true);  // a feed's picture: its own kind
    CHECK(feed == folder + L"Tirnaco7.jpg" || feed == folder + L"Tirnaco7.png" || feed == folder + L"Tirnaco7.bmp");
#elif defined(TARGET_picture)  // sizes are the header's and sane, rows land inside the bitmap, a copied bitmap is whole
    using namespace wallpaper;
    if (const auto info = SniffPicture(in)) {
        const std::uint32_t w = info->width, h = info->height;
        CHECK(w - 1 < INT32_MAX && h - 1 < INT32_MAX && info->orientation >= 1 && info->orientation <= 8);
        bool frame = false;  // a JPEG's size is in some frame header
        for (std::size_t i = 2; info->kind == PictureKind::Jpeg && i + 9 <= n; ++i)
            frame |= d[i] == 0xFF && (d[i + 1] & 0xF0) == 0xC0 && Be16(in, i + 5) == h && Be16(in, i + 7) == w;
        const bool core = info->kind == PictureKind::Bmp && Le32(in, 14) == 12;
        const std::uint32_t bmpH = info->kind != PictureKind::Bmp ? 0 : core ? Le16(in, 20) : Le32(in, 22);
        CHECK(info->kind == PictureKind::Jpeg  ? frame
              : info->kind == PictureKind::Png ? w == Be32(in, 16) && h == Be32(in, 20)
              : info->kind == PictureKind::Gif ? w == Le16(in, 6) && h == Le16(in, 8)
                                               : w == (core ? Le16(in, 18) : Le32(in, 18)) && (h == bmpH || h == 0u - bmpH));
        const PixelSize fit = FitWithin(w, h, 1920, 1080);  // within the screen, not larger, the aspect kept
        CHECK(fit.width - 1 < std::min(w, 1920u) && fit.height - 1 < std::min(h, 1080u) &&
              std::llabs(std::int64_t{fit.width} * h - std::int64_t{fit.height} * w) <= std::max(w, h));
        for (int o = 1; o <= 8 && !TooLarge(*info); ++o)
            for (const std::uint32_t y : {0u, h - 1}) {  // both ends of the first and the last row
                const PixelSize shown = OrientedSize({w, h}, o);
                const auto size = static_cast<std::int64_t>(BmpStride(shown.width) * shown.height);
                const RowPlacement p = PlaceRow({w, h}, o, y);
                for (const std::int64_t at : {p.first, p.first + std::int64_t{w - 1} * p.step}) CHECK(at >= 0 && at + 3 <= size);
            }
    }
    if (BmpWhole(in, n)) {  // all its pixels, in a layout the desktop shows
        const auto info = SniffPicture(in);
        const bool core = Le32(in, 14) == 12;
        const std::uint64_t offset = Le32(in, 10), bpp = Le16(in, core ? 24 : 28), runs = core ? 0 : Le32(in, 30);
        CHECK(info && !TooLarge(*info) && Le16(in, core ? 22 : 26) == 1 && offset <= n && (!core || bpp <= 24));
        const std::uint64_t pixels = (info->width * bpp + 31) / 32 * 4 * info->height;
        CHECK(runs == 1 ? bpp == 8 : runs == 2 ? bpp == 4 : runs <= 3 && offset + pixels <= n);
        CHECK(runs != 3 || Le32(in, 14) > 40 || offset >= 66);  // room for the masks
    }
#elif defined(TARGET_wav)  // joined only when all parse as PCM alike; it parses back with their whole frames
    std::vector<Bytes> images;  // each from a "RIFF" on
    for (std::size_t at = 0, next; at < n; at = next)
        images.push_back(in.subspan(at, (next = std::min(n, s.find("RIFF", at + 1))) - at));
    std::optional<WavFormat> format;
    bool joinable = !images.empty();
    std::vector<std::uint8_t> frames;
    for (const Bytes image : images) {
        const auto info = ParseWav(image);
        const auto data = info ? info->data : image;
        CHECK(data.data() >= image.data() && data.data() + data.size() <= image.data() + image.size());
        if (info && !format) format = info->format;
        joinable = joinable && info && info->format.formatTag == 1 && info->format == *format;
        if (joinable) frames.insert(frames.end(), data.begin(), data.end() - data.size() % format->blockAlign);
    }
    const auto joined = JoinWav(images);
    const auto back = joined ? ParseWav(*joined) : std::nullopt;
    CHECK(joined.has_value() == joinable);
    if (joined) CHECK(back && back->format == *format && std::ranges::equal(back->data, frames) &&
                      joined->size() == 44 + frames.size() + frames.size() % 2);
    const auto wide = images.empty() ? std::nullopt : Widen8(images[0]);
    const auto wider = wide ? ParseWav(*wide) : std::nullopt;
    if (wide) CHECK(wider && wider->format.bitsPerSample == 16 && wider->data.size() == 2 * ParseWav(images[0])->data.size());
#elif defined(TARGET_transfer)  // redirects lead only to http(s) with a host; a body only after a 2xx within the limit
    static const std::wregex web(LR"(https?://[^/?#\\ \x00-\x1F\x7F]+([/?#][^\x00-\x1F\x7F]*)?)", std::regex::icase);
    if (n < 2) return 0;
    const std::uint32_t statuses[] = {200, 204, 301, 302, 303, 307, 308, 404}, status = statuses[d[1] % 8];
    const auto f = Fields(s.substr(2), 3);  // the address, Location and Content-Length
    std::wstring at = f[0];
    TransferFacts facts, body;
    const AfterHead after = OnHead(facts, at, d[0] % 7, status, f[1], f[2], 1000, Fetchable);
    CHECK(ResolveUrl(f[0], f[1]).find(L'#') == kNone && (after != AfterHead::Follow || std::regex_match(at, web)));
    CHECK(after != AfterHead::Receive || (status / 100 == 2 && (f[2].empty() || (facts.length && *facts.length <= 1000))));
    if (const auto length = ParseContentLength(f[2])) {  // the digits it read
        const std::wstring digits = f[2].substr(std::min(f[2].size(), f[2].find_first_not_of(L" \t0")));
        CHECK(std::to_wstring(*length) == (digits.empty() ? L"0" : digits.substr(0, digits.find_first_of(L" \t"))));
    }
    for (std::size_t i = 0, piece = 1; i < n && OnBody(body, d + i, piece = std::min<std::size_t>(d[i] + 1u, n - i), 1000);)
        i += piece;
    CHECK(body.received <= 1000 && body.head.size() <= kHeadBytes && Percent(body.received, 1000) <= 100);
#elif defined(TARGET_settings)  // a stored value gives a value in its range or none
    static const std::wregex digits(L"[0-9]{1,2}");
    const auto v = Fields(s, 3);  // a value, an hour and a minute
    const auto number = settings::ToInteger(v[0]), state = settings::ToCheckState(v[0]);
    CHECK(number.value_or(0) >= -32768 && number.value_or(0) <= 32767 && (!state || (*state >= 0 && *state <= 2 && state == number)));
    CHECK(wallpaper::IntervalMinutes(v[0]) >= 1);
    const LocalTime day = MakeTime(2010, 6, 1);
    const bool real = std::regex_match(v[1], digits) && std::regex_match(v[2], digits);
    const int h = real ? std::stoi(v[1]) : 99, m = real ? std::stoi(v[2]) : 99;
    const auto at = scheduler::MomentOf(day, v[1], v[2], 30);
    CHECK(at.has_value() == (h < 24 && m < 60) && (!at || *at == scheduler::SecondSerial(day) + h * 3600 + m * 60 + 30));
    const std::wstring list = download::ListAddress(v[0], v[1], L"", L"built.in");  // a whole address as it is
    CHECK(Fetchable(list) && (list == v[0] || (list.ends_with(L"/deskurl.asp") && list.find_first_of(L"?#") == kNone)));
#endif
    return 0;
}
