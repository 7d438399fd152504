#pragma once

// Pictures for the tests of the real program: made here, read back, and
// looked for on the desktop.

#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <fstream>

#include "product.h"
#include "wallpaper/bitmap_file.h"

namespace e2e {

using Bytes = std::vector<std::uint8_t>;
inline constexpr UINT kW = 320, kH = 240;

inline Bytes SolidBmp(COLORREF c) {
    const auto header = wallpaper::BmpHeader(kW, kH);
    Bytes b(header.begin(), header.end());
    const std::size_t stride = wallpaper::BmpStride(kW);
    b.resize(b.size() + stride * kH, 0);
    for (UINT y = 0; y < kH; ++y)
        for (UINT x = 0; x < kW; ++x) {
            std::uint8_t* p = &b[54 + y * stride + x * 3];
            p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
        }
    return b;
}

// A JPEG of one colour, made with the system's encoder.
inline bool WriteJpeg(const fs::path& path, COLORREF c) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* f = nullptr;
    IWICStream* s = nullptr;
    IWICBitmapEncoder* e = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* props = nullptr;
    Bytes bmp = SolidBmp(c);
    WICPixelFormatGUID fmt = GUID_WICPixelFormat24bppBGR;
    const UINT stride = static_cast<UINT>(wallpaper::BmpStride(kW));
    bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IWICImagingFactory, reinterpret_cast<void**>(&f))) &&
              SUCCEEDED(f->CreateStream(&s)) &&
              SUCCEEDED(s->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
              SUCCEEDED(f->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &e)) &&
              SUCCEEDED(e->Initialize(s, WICBitmapEncoderNoCache)) &&
              SUCCEEDED(e->CreateNewFrame(&frame, &props)) && SUCCEEDED(frame->Initialize(props)) &&
              SUCCEEDED(frame->SetSize(kW, kH)) && SUCCEEDED(frame->SetPixelFormat(&fmt)) &&
              SUCCEEDED(frame->WritePixels(kH, stride, stride * kH, bmp.data() + 54)) &&
              SUCCEEDED(frame->Commit()) && SUCCEEDED(e->Commit());
    for (IUnknown* u : std::initializer_list<IUnknown*>{props, frame, e, s, f})
        if (u) u->Release();
    return ok;
}

inline Bytes ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline fs::path WindowsDir() {
    wchar_t buf[MAX_PATH];
    return fs::path(std::wstring(buf, GetWindowsDirectoryW(buf, MAX_PATH)));
}

// The raw data of a value of HKCU\Control Panel\Desktop.
inline bool Near(COLORREF want, std::uint32_t rgb, int tol = 24) {
    return std::abs(int(GetRValue(want)) - int(rgb >> 16 & 255)) <= tol &&
           std::abs(int(GetGValue(want)) - int(rgb >> 8 & 255)) <= tol &&
           std::abs(int(GetBValue(want)) - int(rgb & 255)) <= tol;
}

// What the desktop shows in its middle, where a centred or stretched
// wallpaper lies.
inline std::uint32_t DesktopMiddle() {
    const auto img = CaptureScreen({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return img ? img->At(img->width / 2, img->height / 2) : 0xFFFFFFFF;
}

}  // namespace e2e
