// Self-test of the end-to-end harness: what the product's own tests take for
// granted about the Wine prefix (notification area, Chinese fonts, DPI, sound)
// and the parts of the driver library that they cannot see fail (the PNG
// files, the UTF-8 conversion).

// clang-format off
// The Windows headers need windows.h (from driver.h) before them.
#include "support/driver.h"
#include <mmsystem.h>
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace e2e;

namespace {

constexpr wchar_t kChinese[] = L"晴窗画匣";

// ---- the prefix: notification area, fonts, DPI, sound ------------------------

constexpr UINT kTrayCallback = WM_APP + 1;

// Collects the icon's events in the vector its user data points to.
LRESULT CALLBACK TrayOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTrayCallback) {
        reinterpret_cast<std::vector<LPARAM>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))->push_back(lp);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(Prefix, NotificationAreaTakesAnIconAndRelaysClicks) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TrayOwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"E2eTrayOwner";
    RegisterClassExW(&wc);
    const HWND owner = CreateWindowExW(0, wc.lpszClassName, L"tray owner", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                       100, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner, nullptr);
    std::vector<LPARAM> callbacks;
    SetWindowLongPtrW(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&callbacks));

    const size_t before = TrayIcons().size();
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = kTrayCallback;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wcscpy_s(data.szTip, kChinese);
    // The shell may still be starting, as at logon.
    EXPECT_TRUE(WaitUntil([&] { return Shell_NotifyIconW(NIM_ADD, &data) != FALSE; }, kTimeout, 500ms));
    EXPECT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr);

    std::vector<TrayIcon> icons;
    EXPECT_TRUE(WaitUntil([&] { return (icons = TrayIcons()).size() == before + 1; }));
    if (!icons.empty()) {
        ASSERT_TRUE(ClickTrayIcon(icons.back()));
        ASSERT_TRUE(PostTrayMouse(icons.back(), WM_LBUTTONDBLCLK));
        ASSERT_TRUE(ClickTrayIcon(icons.back(), true));
        EXPECT_TRUE(WaitUntil([&] { return callbacks.size() >= 5; }));
        EXPECT_EQ(callbacks, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                                  WM_RBUTTONDOWN, WM_RBUTTONUP}));
    }

    data.uFlags = NIF_INFO;
    wcscpy_s(data.szInfo, L"晴窗画匣提醒");
    wcscpy_s(data.szInfoTitle, L"提醒");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(WaitUntil([&] { return TrayBalloonText() == std::wstring(L"晴窗画匣提醒"); }))
        << Narrow(TrayBalloonText().value_or(L"(none)"));

    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == before; }));
    EXPECT_FALSE(TrayBalloonText().has_value());
    DestroyWindow(owner);
}

// One character drawn alone into a small bitmap, as black-on-white bits.
std::vector<std::uint8_t> Glyph(HDC dc, wchar_t c) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all = {0, 0, 40, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 4, 4, &c, 1);
    GdiFlush();
    std::vector<std::uint8_t> out(40 * 40);
    const auto* px = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = (px[i] & 0xFF) < 128 ? 1 : 0;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    return out;
}

// The faces the program draws Chinese in: the message font (message boxes, and
// the panel when SimSun is missing) and the panel's own face.
class FontLink : public testing::TestWithParam<const wchar_t*> {};

TEST_P(FontLink, DrawsDistinctChineseGlyphs) {
    const HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW font = {};
    font.lfHeight = -24;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, GetParam());
    const HFONT handle = CreateFontIndirectW(&font);
    const HGDIOBJ old = SelectObject(dc, handle);

    // A private-use character has no glyph anywhere: it shows what "missing" looks like.
    const auto missing = Glyph(dc, L'\xE000');
    std::vector<std::vector<std::uint8_t>> glyphs;
    for (const wchar_t c : std::wstring(kChinese)) {
        glyphs.push_back(Glyph(dc, c));
        EXPECT_NE(glyphs.back(), missing) << "no glyph for U+" << std::hex << int(c);
        EXPECT_GT(std::count(glyphs.back().begin(), glyphs.back().end(), 1), 20);
        for (size_t j = 0; j + 1 < glyphs.size(); ++j) {
            EXPECT_NE(glyphs[j], glyphs.back()) << j << " and " << glyphs.size() - 1 << " look the same";
        }
    }
    SelectObject(dc, old);
    DeleteObject(handle);
    DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(Faces, FontLink, testing::Values(L"Tahoma", L"SimSun"),
                         [](const auto& info) { return Narrow(info.param); });

std::wstring Env(const wchar_t* name) { return _wgetenv(name) ? _wgetenv(name) : L""; }

TEST(Prefix, DpiFollowsLogPixels) {
    DWORD wanted = 96;
    DWORD size = sizeof wanted;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                 &wanted, &size);
    if (!Env(L"WINE_ENV_DPI").empty()) {
        EXPECT_EQ(wanted, static_cast<DWORD>(_wtoi(Env(L"WINE_ENV_DPI").c_str())));
    }
    SetProcessDPIAware();
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetDeviceCaps(screen, LOGPIXELSY)), wanted);
    ReleaseDC(nullptr, screen);
}

TEST(Prefix, PlaysSoundIntoTheNullSinkWhenAudioIsOn) {
    if (Env(L"WINE_ENV_AUDIO") != L"1") {
        GTEST_SKIP() << "environment started without --audio";
    }
    // A fifth of a second of a 16-bit mono square wave at 8 kHz.
    constexpr std::uint32_t kSamples = 1600;
    std::string wav = "RIFF";
    const auto put = [&](std::uint32_t v, int bytes) {
        for (; bytes > 0; --bytes, v >>= 8) {
            wav += static_cast<char>(v);
        }
    };
    put(36 + kSamples * 2, 4);
    wav += "WAVEfmt ";
    // Format size; PCM, mono; rate; bytes a second; 2-byte frames of 16 bits.
    for (const std::uint32_t v : {16u, 0x00010001u, 8000u, 16000u, 0x00100002u}) {
        put(v, 4);
    }
    wav += "data";
    put(kSamples * 2, 4);
    for (std::uint32_t i = 0; i < kSamples; ++i) {
        put((i / 8) % 2 ? 8000 : 0x10000 - 8000, 2);
    }
    EXPECT_GT(waveOutGetNumDevs(), 0u);
    EXPECT_TRUE(
        PlaySoundW(reinterpret_cast<LPCWSTR>(wav.data()), nullptr, SND_MEMORY | SND_SYNC | SND_NODEFAULT));
}

// ---- PNG encoding -----------------------------------------------------------

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Big32(const Bytes& b, size_t at) {
    return (std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
           (std::uint32_t{b.at(at + 2)} << 8) | b.at(at + 3);
}

// What a decoder checks: chunk lengths and CRCs, the header of an 8-bit RGB
// image of this size, IEND last, the stored blocks and the zlib checksum.
// Returns the scanlines.
Bytes Decode(const Bytes& png, std::uint32_t width, std::uint32_t height) {
    EXPECT_EQ(Bytes(png.begin(), png.begin() + std::min<size_t>(8, png.size())),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    std::vector<std::string> types;
    Bytes z;
    for (size_t at = 8; at < png.size();) {
        const std::uint32_t length = Big32(png, at);
        if (at + 12 + length > png.size()) {
            ADD_FAILURE() << "a chunk runs past the end";
            return {};
        }
        const auto body = png.begin() + static_cast<std::ptrdiff_t>(at + 8);
        types.emplace_back(body - 4, body);
        std::uint32_t crc = 0xFFFFFFFF;
        for (auto p = body - 4; p != body + length; ++p) {
            crc ^= *p;
            for (int k = 0; k < 8; ++k) {
                crc = (crc >> 1) ^ (crc & 1 ? 0xEDB88320u : 0);
            }
        }
        EXPECT_EQ(Big32(png, at + 8 + length), ~crc) << types.back() << " CRC";
        if (types.back() == "IHDR") {
            EXPECT_EQ(Big32(png, at + 8), width);
            EXPECT_EQ(Big32(png, at + 12), height);
            EXPECT_EQ(Bytes(body + 8, body + length), (Bytes{8, 2, 0, 0, 0}));
        } else if (types.back() == "IDAT") {
            z.insert(z.end(), body, body + length);
        }
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    Bytes out;
    size_t p = 2;  // past the zlib header
    for (bool last = z.size() < 7; !last;) {
        last = z.at(p) & 1;
        const unsigned n = z.at(p + 1) | (z.at(p + 2) << 8);
        EXPECT_EQ(n ^ 0xFFFF, unsigned(z.at(p + 3) | (z.at(p + 4) << 8)));
        out.insert(out.end(), z.begin() + static_cast<std::ptrdiff_t>(p + 5),
                   z.begin() + static_cast<std::ptrdiff_t>(std::min(p + 5 + n, z.size())));
        p += 5 + n;
    }
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : out) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(p + 4, z.size());
    EXPECT_EQ(Big32(z, p), (b << 16) | a) << "Adler-32";
    return out;
}

TEST(Png, EncodesRgbRowsWithFilterBytesInValidChunks) {
    EXPECT_EQ(Decode(EncodePng(Image{2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}}), 2, 2),
              (Bytes{0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0x12, 0x34, 0x56}));

    // More than one stored block holds.
    Image image{300, 201, std::vector<std::uint32_t>(300 * 201)};
    Bytes want;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
        if (i % 300 == 0) {
            want.push_back(0);
        }
        want.insert(want.end(), {std::uint8_t(image.pixels[i] >> 16), std::uint8_t(image.pixels[i] >> 8),
                                 std::uint8_t(image.pixels[i])});
    }
    EXPECT_EQ(Decode(EncodePng(image), 300, 201), want);

    EXPECT_TRUE(EncodePng(Image{}).empty());
    EXPECT_TRUE(EncodePng(Image{3, 3, std::vector<std::uint32_t>(8)}).empty());
    EXPECT_FALSE(WritePng(Image{}, ArtifactDir() / L"never.png"));
}

TEST(Text, Utf8AndUtf16RoundTrip) {
    EXPECT_EQ(Widen("\xE6\x99\xB4\xE7\xAA\x97\xE7\x94\xBB\xE5\x8C\xA3"), kChinese);
    EXPECT_EQ(Narrow(kChinese), "\xE6\x99\xB4\xE7\xAA\x97\xE7\x94\xBB\xE5\x8C\xA3");
    EXPECT_EQ(Narrow(L"a\U0001F600"), "a\xF0\x9F\x98\x80");
    EXPECT_EQ(Widen(""), L"");
    // A broken sequence becomes U+FFFD and the rest survives.
    EXPECT_EQ(Widen("a\xE6\x99z"), L"a\xFFFDz");
}

}  // namespace
