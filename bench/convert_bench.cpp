// Picture-to-wallpaper conversion: its speed and memory on a large JPEG, and
// a check of its results on small pictures made here.
//   convert_bench make OUT.jpg            a 3840x2160 gradient JPEG
//   convert_bench time RUNS [PICTURE]     median time of RUNS conversions, peak memory
//   convert_bench check FOLDER            PASS/FAIL lines; exit code 1 on a failure
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "win32/com_ptr.h"
#include "win32/picture_convert.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    int r, g, b;
};
using Painter = Rgb (*)(UINT x, UINT y, UINT w, UINT h);

// Writes a picture of w x h painted by paint with a WIC encoder.
bool MakePicture(const std::wstring& path, REFGUID container, UINT w, UINT h, Painter paint, bool alpha = false) {
    ComPtr<IWICImagingFactory> f;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> enc;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> props;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                f.put_void())) ||
        FAILED(f->CreateStream(stream.put())) || FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(f->CreateEncoder(container, nullptr, enc.put())) ||
        FAILED(enc->Initialize(stream.get(), WICBitmapEncoderNoCache)) ||
        FAILED(enc->CreateNewFrame(frame.put(), props.put())) || FAILED(frame->Initialize(props.get())) ||
        FAILED(frame->SetSize(w, h)))
        return false;
    const bool indexed = IsEqualGUID(container, GUID_ContainerFormatGif);
    WICPixelFormatGUID fmt = indexed ? GUID_WICPixelFormat8bppIndexed
                             : alpha ? GUID_WICPixelFormat32bppBGRA
                                     : GUID_WICPixelFormat24bppBGR;
    const WICPixelFormatGUID asked = fmt;
    if (FAILED(frame->SetPixelFormat(&fmt)) || !IsEqualGUID(fmt, asked)) return false;
    const UINT bpp = indexed ? 1 : alpha ? 4 : 3;
    const UINT stride = (w * bpp + 3) & ~3u;
    Bytes px(std::size_t{stride} * h);
    std::vector<WICColor> palette;
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            const Rgb c = paint(x, y, w, h);
            const WICColor argb = 0xFF000000u | UINT(c.r) << 16 | UINT(c.g) << 8 | UINT(c.b);
            std::uint8_t* p = &px[std::size_t{y} * stride + x * bpp];
            if (indexed) {
                auto it = std::find(palette.begin(), palette.end(), argb);
                if (it == palette.end()) it = palette.insert(palette.end(), argb);
                p[0] = static_cast<std::uint8_t>(it - palette.begin());
                continue;
            }
            p[0] = std::uint8_t(c.b), p[1] = std::uint8_t(c.g), p[2] = std::uint8_t(c.r);
            if (alpha) p[3] = std::uint8_t(x % 2 ? 0x00 : 0x80);  // colour must survive any alpha
        }
    if (indexed) {
        ComPtr<IWICPalette> pal;
        if (palette.size() > 256 || FAILED(f->CreatePalette(pal.put())) ||
            FAILED(pal->InitializeCustom(palette.data(), UINT(palette.size()))) || FAILED(frame->SetPalette(pal.get())))
            return false;
    }
    return SUCCEEDED(frame->WritePixels(h, stride, UINT(px.size()), px.data())) && SUCCEEDED(frame->Commit()) &&
           SUCCEEDED(enc->Commit());
}

Rgb Gradient(UINT x, UINT y, UINT w, UINT h) {
    return {int(255 * x / w), int(255 * y / h), int(255 - 255 * (x + y) / (w + h))};
}
// Four quadrants: red, green / blue, white, so that any turn shows.
const Rgb kQuadrant[4] = {{255, 0, 0}, {0, 160, 0}, {0, 0, 255}, {255, 255, 255}};
Rgb Quadrants(UINT x, UINT y, UINT w, UINT h) { return kQuadrant[(y >= h / 2) * 2 + (x >= w / 2)]; }

Bytes ReadAll(const std::wstring& path) {
    Bytes b;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        std::uint8_t buf[65536];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) b.insert(b.end(), buf, buf + n);
        fclose(f);
    }
    return b;
}
bool WriteAll(const std::wstring& path, const Bytes& b) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const bool ok = fwrite(b.data(), 1, b.size(), f) == b.size();
    return fclose(f) == 0 && ok;
}

double NowMs() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return 1000.0 * double(t.QuadPart) / double(f.QuadPart);
}
PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    return m;
}

int failures = 0;
void Report(bool ok, const char* what, const std::string& detail = {}) {
    std::printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", what, detail.empty() ? "" : ": ", detail.c_str());
    failures += !ok;
}

std::uint32_t Le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// Reads a converted file back: a 24-bit bottom-up BMP of w x h whose pixels
// match want within tol; an empty string when it is right.
std::string CheckBitmap(const std::wstring& path, UINT w, UINT h, Painter want, int tol) {
    const Bytes b = ReadAll(path);
    const std::size_t stride = (w * 3 + 3) & ~3u;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return "not a BMP";
    if (Le32(b, 2) != b.size() || Le32(b, 10) != 54 || Le32(b, 14) != 40 || b[28] != 24 || Le32(b, 30) != 0)
        return "bad header";
    if (Le32(b, 18) != w || Le32(b, 22) != h) return "size " + std::to_string(Le32(b, 18)) + "x" +
                                                      std::to_string(int(Le32(b, 22)));
    if (b.size() != 54 + stride * h) return "bad file size";
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) {
            // Quadrant centres and edges blur in a JPEG; look inside them only.
            if (tol && ((x + 3) % (w / 2) < 6 || (y + 3) % (h / 2) < 6)) continue;
            const std::uint8_t* p = &b[54 + (h - 1 - y) * stride + 3 * x];
            const Rgb c = want(x, y, w, h);
            if (std::abs(p[2] - c.r) > tol || std::abs(p[1] - c.g) > tol || std::abs(p[0] - c.b) > tol)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + std::to_string(p[2]) + "/" +
                       std::to_string(p[1]) + "/" + std::to_string(p[0]);
        }
    for (UINT y = 0; y < h; ++y)
        for (std::size_t i = 3 * w; i < stride; ++i)
            if (b[54 + y * stride + i]) return "row padding not zero";
    return {};
}

// A JPEG with an EXIF orientation: the APP1 goes right after the SOI.
Bytes WithOrientation(const Bytes& jpeg, int o) {
    const Bytes app1 = {0xFF, 0xE1, 0, 34, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, '*', 0, 0, 0, 8, 0, 1,
                        0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, std::uint8_t(o), 0, 0, 0, 0, 0, 0};
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), app1.begin(), app1.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// The quadrant picture as each orientation shows it.
template <int O>
Rgb Shown(UINT x, UINT y, UINT w, UINT h) {
    const bool top = y < h / 2, left = x < w / 2;
    int q = 0;  // stored quadrant: 0 TL, 1 TR, 2 BL, 3 BR
    if (O == 3) q = (top ? 2 : 0) + (left ? 1 : 0);           // upside down
    if (O == 6) q = (left ? 2 : 0) + (top ? 0 : 1);           // stored top is on the right
    if (O == 8) q = (left ? 0 : 2) + (top ? 1 : 0);           // stored top is on the left
    if (O == 5) q = (left ? 0 : 2) + (top ? 0 : 1);           // mirrored on the diagonal
    return kQuadrant[q];
}

int Check(const std::wstring& dir) {
    const std::wstring dst = dir + L"\\wallpaper 壁纸.bmp";
    const Bytes old = {'o', 'l', 'd'};
    // Fails must leave dst as it was and no temporary file behind.
    auto refused = [&](const char* what, const std::wstring& src, double maxMs = 0) {
        WriteAll(dst, old);
        const SIZE_T before = Memory().PeakWorkingSetSize;
        const double t0 = NowMs();
        const bool converted = ConvertToBitmap(src, dst, 4096, 4096);
        const double ms = NowMs() - t0;
        const double grewMb = double(Memory().PeakWorkingSetSize - before) / 1048576.0;
        char detail[96];
        std::snprintf(detail, sizeof detail, "%.1f ms, peak working set +%.1f MB", ms, grewMb);
        Report(!converted && ReadAll(dst) == old && GetFileAttributesW((dst + L".tmp").c_str()) == INVALID_FILE_ATTRIBUTES &&
                   (maxMs == 0 || (ms < maxMs && grewMb < 16)),
               what, detail);
    };
    // A header claiming 30000x30000: refused from the header, first so the peak is still low.
    const Bytes huge = {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8, 0x75, 0x30, 0x75, 0x30, 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
    WriteAll(dir + L"\\huge.jpg", huge);
    refused("huge JPEG header refused", dir + L"\\huge.jpg", 500);
    const Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30,
                       8, 2, 0, 0, 0, 0, 0, 0, 0};
    WriteAll(dir + L"\\huge.png", png);
    refused("huge PNG header refused", dir + L"\\huge.png", 500);

    const std::wstring jpg = dir + L"\\quadrants.jpg";
    if (!MakePicture(jpg, GUID_ContainerFormatJpeg, 64, 48, Quadrants)) Report(false, "making the test JPEG");
    struct Case {
        const char* what;
        std::wstring src;
        UINT maxW, maxH, w, h;
        Painter want;
        int tol;
    };
    std::vector<Case> cases = {{"JPEG", jpg, 1920, 1080, 64, 48, Quadrants, 40},
                               {"JPEG scaled down", jpg, 32, 32, 32, 24, Quadrants, 48}};
    const std::wstring png32 = dir + L"\\alpha.png", gif = dir + L"\\palette.gif", bmp = dir + L"\\top-down.bmp";
    if (MakePicture(png32, GUID_ContainerFormatPng, 33, 20, Quadrants, true))
        cases.push_back({"PNG with alpha, odd width", png32, 1920, 1080, 33, 20, Quadrants, 0});
    else
        Report(false, "making the test PNG");
    if (MakePicture(gif, GUID_ContainerFormatGif, 30, 22, Quadrants))
        cases.push_back({"GIF", gif, 1920, 1080, 30, 22, Quadrants, 0});
    else
        Report(false, "making the test GIF");
    {
        // A top-down 24-bit BMP (negative height), written by hand.
        const UINT w = 7, h = 6, stride = 24;
        Bytes b(54 + stride * h);
        const std::uint32_t fields[][2] = {{2, UINT(b.size())}, {10, 54}, {14, 40}, {18, w}, {22, 0u - h}, {26, 1 | 24 << 16}};
        b[0] = 'B', b[1] = 'M';
        for (auto [at, v] : fields)
            for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> 8 * i);
        for (UINT y = 0; y < h; ++y)
            for (UINT x = 0; x < w; ++x) {
                const Rgb c = Quadrants(x, y, w, h);
                std::uint8_t* p = &b[54 + y * stride + 3 * x];
                p[0] = std::uint8_t(c.b), p[1] = std::uint8_t(c.g), p[2] = std::uint8_t(c.r);
            }
        WriteAll(bmp, b);
        cases.push_back({"top-down BMP", bmp, 1920, 1080, w, h, Quadrants, 0});
    }
    const Bytes jpegBytes = ReadAll(jpg);
    const std::pair<int, Painter> turns[] = {{3, Shown<3>}, {5, Shown<5>}, {6, Shown<6>}, {8, Shown<8>}};
    for (auto [o, painter] : turns) {
        const std::wstring path = dir + L"\\turned" + std::to_wstring(o) + L".jpg";
        WriteAll(path, WithOrientation(jpegBytes, o));
        const bool quarter = o >= 5;
        static const char* const names[] = {"", "", "", "EXIF 3 (upside down) JPEG", "", "EXIF 5 JPEG, sides swapped",
                                            "EXIF 6 JPEG, sides swapped", "", "EXIF 8 JPEG, sides swapped"};
        cases.push_back({names[o], path, 1920, 1080, quarter ? 48u : 64u, quarter ? 64u : 48u, painter, 40});
    }
    // Turned and scaled: the limit applies to the picture as shown.
    cases.push_back({"EXIF 6 JPEG scaled to the shown limit", dir + L"\\turned6.jpg", 100, 32, 24, 32, Shown<6>, 48});
    for (const auto& c : cases) {
        DeleteFileW(dst.c_str());
        const bool converted = ConvertToBitmap(c.src, dst, c.maxW, c.maxH);
        const std::string why = converted ? CheckBitmap(dst, c.w, c.h, c.want, c.tol) : "conversion failed";
        Report(why.empty(), c.what, why);
    }

    WriteAll(dir + L"\\empty.jpg", {});
    refused("empty file refused", dir + L"\\empty.jpg");
    refused("missing file refused", dir + L"\\missing.jpg");
    WriteAll(dir + L"\\header-cut.jpg", Bytes(jpegBytes.begin(), jpegBytes.begin() + 100));
    refused("JPEG cut in its header refused", dir + L"\\header-cut.jpg");
    WriteAll(dir + L"\\data-cut.jpg", Bytes(jpegBytes.begin(), jpegBytes.end() - jpegBytes.size() / 4));
    refused("JPEG cut in its data refused", dir + L"\\data-cut.jpg");
    WriteAll(dir + L"\\text.jpg", {'h', 'e', 'l', 'l', 'o'});
    refused("not a picture refused", dir + L"\\text.jpg");

    WriteAll(dst, old);
    Report(CopyBitmapFile(bmp, dst) && ReadAll(dst) == ReadAll(bmp), "BMP copied over an older file");
    WriteAll(dst, old);
    Report(!CopyBitmapFile(dir + L"\\missing.bmp", dst) && ReadAll(dst) == old, "missing BMP not copied, dst kept");
    std::printf("%d failed\n", failures);
    return failures ? 1 : 0;
}

int Time(int runs, std::wstring src) {
    if (src.empty()) {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        src = std::wstring(tmp) + L"convert_bench.jpg";
        // Made by a child process, so that the encoder leaves no mark on this one's peak.
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring cmd = L"\"" + std::wstring(self) + L"\" make \"" + src + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        DWORD made = 1;
        if (CreateProcessW(self, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            WaitForSingleObject(pi.hProcess, INFINITE);
            GetExitCodeProcess(pi.hProcess, &made);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
        if (made != 0) return std::printf("cannot make %ls\n", src.c_str()), 2;
    }
    const std::wstring dst = src + L".bmp";
    const PROCESS_MEMORY_COUNTERS before = Memory();
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const double t0 = NowMs();
        if (!ConvertToBitmap(src, dst, 65535, 65535)) return std::printf("conversion failed\n"), 1;
        ms.push_back(NowMs() - t0);
    }
    const PROCESS_MEMORY_COUNTERS after = Memory();
    const Bytes b = ReadAll(dst);
    const double bitmap = b.size() >= 54 ? double(Le32(b, 18)) * Le32(b, 22) * 3 : 1;
    DeleteFileW(dst.c_str());
    std::sort(ms.begin(), ms.end());
    std::printf("picture: %ux%u\n", Le32(b, 18), Le32(b, 22));
    std::printf("convert median: %.1f ms (min %.1f, max %.1f, %d runs)\n", ms[ms.size() / 2], ms.front(), ms.back(), runs);
    std::printf("peak working set growth / decoded bitmap: %.2f (%.1f MB / %.1f MB)\n",
                double(after.PeakWorkingSetSize - before.PeakWorkingSetSize) / bitmap,
                double(after.PeakWorkingSetSize - before.PeakWorkingSetSize) / 1048576.0, bitmap / 1048576.0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    int rc = 2;
    if (mode == L"make" && argc > 2)
        rc = MakePicture(argv[2], GUID_ContainerFormatJpeg, 3840, 2160, Gradient) ? 0 : 1;
    else if (mode == L"time")
        rc = Time(argc > 2 ? std::max(1, _wtoi(argv[2])) : 9, argc > 3 ? argv[3] : L"");
    else if (mode == L"check" && argc > 2)
        rc = Check(argv[2]);
    else
        std::printf("usage: convert_bench make OUT.jpg | time RUNS [PICTURE] | check FOLDER\n");
    CoUninitialize();
    return rc;
}
