#include "win32/picture_convert.h"

#include <objbase.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <vector>

#include "wallpaper/bitmap_file.h"
#include "wallpaper/picture_info.h"
#include "win32/com_ptr.h"
#include "win32/handles.h"

using namespace wallpaper;

namespace {

// Enough of a file to know its kind, size and orientation.
constexpr DWORD kSniffBytes = 256 * 1024;

std::vector<std::uint8_t> ReadHead(const std::wstring& path) {
    const File file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::vector<std::uint8_t> head(kSniffBytes);
    DWORD total = 0, got = 0;
    while (total < kSniffBytes &&
           ::ReadFile(file.get(), head.data() + total, kSniffBytes - total, &got, nullptr) && got > 0)
        total += got;
    head.resize(total);
    return head;
}

// ole32 is loaded by whoever set up COM on this thread; start-up need not
// load it for us.
HRESULT CreateFactory(ComPtr<IWICImagingFactory>& factory) {
    using CreateFn = HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    const auto create = ProcAddress<CreateFn>(::GetModuleHandleW(L"ole32.dll"), "CoCreateInstance");
    if (!create) return E_FAIL;
    return create(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                  factory.put_void());
}

struct FileImage {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};

// The whole BMP file in memory, rows written straight into place.
bool Decode(const std::wstring& src, int orientation, std::uint32_t maxW, std::uint32_t maxH,
            FileImage& out) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CreateFactory(factory))) return false;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(factory->CreateDecoderFromFilename(src.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())))
        return false;
    UINT w = 0, h = 0;
    if (FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0) return false;
    // A frame may differ from the size its header claimed.
    if (TooLarge(PictureInfo{PictureKind::Bmp, w, h, 1})) return false;

    IWICBitmapSource* source = frame.get();
    WICPixelFormatGUID format{};
    if (FAILED(source->GetPixelFormat(&format))) return false;
    // Converted before scaling, so the scaler need not know palettes; alpha is
    // dropped. Wine converts only a few formats straight to 24-bit (no
    // palettes, no grey), but nearly all to 32-bit: the others go through that.
    ComPtr<IWICFormatConverter> to32, to24;
    auto convert = [&](ComPtr<IWICFormatConverter>& c, REFWICPixelFormatGUID to) {
        if (FAILED(factory->CreateFormatConverter(c.put())) ||
            FAILED(
                c->Initialize(source, to, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
            return false;
        source = c.get();
        return true;
    };
    const GUID straight[] = {GUID_WICPixelFormat24bppRGB, GUID_WICPixelFormat32bppBGR,
                             GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormat32bppPBGRA};
    if (!IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
        const bool direct = std::any_of(std::begin(straight), std::end(straight),
                                        [&](const GUID& g) { return IsEqualGUID(format, g) != 0; });
        if (!direct && !convert(to32, GUID_WICPixelFormat32bppBGRA)) return false;
        if (!convert(to24, GUID_WICPixelFormat24bppBGR)) return false;
    }
    // The screen's limits as the stored, unturned picture sees them.
    const PixelSize limit = OrientedSize({maxW, maxH}, orientation);
    const PixelSize stored = FitWithin(w, h, limit.width, limit.height);
    ComPtr<IWICBitmapScaler> scaler;
    if (stored != PixelSize{w, h}) {
        if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(source, stored.width, stored.height, WICBitmapInterpolationModeFant)))
            return false;
        source = scaler.get();
    }

    const PixelSize shown = OrientedSize(stored, orientation);
    const std::size_t stride = BmpStride(shown.width);
    out.size = kBmpHeaderSize + stride * shown.height;
    // Left uninitialised: every byte is written below.
    try {
        out.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(out.size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const auto header = BmpHeader(shown.width, shown.height);
    std::memcpy(out.bytes.get(), header.data(), header.size());
    std::uint8_t* const pixels = out.bytes.get() + kBmpHeaderSize;
    for (std::uint32_t y = 0; y < shown.height; ++y)
        std::memset(pixels + y * stride + 3 * std::size_t{shown.width}, 0,
                    stride - 3 * std::size_t{shown.width});

    // Turned pictures go through one row; upright rows are copied in place.
    const UINT rowBytes = 3 * stored.width;
    std::vector<std::uint8_t> row;
    for (std::uint32_t y = 0; y < stored.height; ++y) {
        const WICRect rc{0, static_cast<INT>(y), static_cast<INT>(stored.width), 1};
        const RowPlacement at = PlaceRow(stored, orientation, y);
        if (at.step == 3) {
            if (FAILED(source->CopyPixels(&rc, rowBytes, rowBytes, pixels + at.first))) return false;
            continue;
        }
        row.resize(rowBytes);
        if (FAILED(source->CopyPixels(&rc, rowBytes, rowBytes, row.data()))) return false;
        for (std::uint32_t x = 0; x < stored.width; ++x)
            std::memcpy(pixels + at.first + std::int64_t{x} * at.step, row.data() + 3 * std::size_t{x}, 3);
    }
    return true;
}

// Puts a finished temporary file in dst's place, or removes it.
bool Replace(const std::wstring& tmp, const std::wstring& dst, bool ok) {
    if (ok && ::MoveFileExW(tmp.c_str(), dst.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    ::DeleteFileW(tmp.c_str());
    return false;
}

bool WriteReplacing(const std::wstring& dst, const std::uint8_t* data, std::size_t size) {
    if (size > MAXDWORD) return false;
    const std::wstring tmp = dst + L".tmp";
    File file(
        ::CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    const bool ok =
        ::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    file.reset();  // closed before it can be moved
    return Replace(tmp, dst, ok);
}

}  // namespace

bool ConvertToBitmap(const std::wstring& src, const std::wstring& dst, std::uint32_t maxW,
                     std::uint32_t maxH) {
    const auto info = SniffPicture(ReadHead(src));
    // Some decoders decode the whole picture as soon as they are made.
    if (!info || TooLarge(*info)) return false;
    FileImage image;
    // The decoder and its buffers are gone before the file is written.
    if (!Decode(src, AppliedOrientation(*info), maxW, maxH, image)) return false;
    return WriteReplacing(dst, image.bytes.get(), image.size);
}

bool CopyBitmapFile(const std::wstring& src, const std::wstring& dst) {
    WIN32_FILE_ATTRIBUTE_DATA fa;
    if (!::GetFileAttributesExW(src.c_str(), GetFileExInfoStandard, &fa)) return false;
    const std::uint64_t size = std::uint64_t{fa.nFileSizeHigh} << 32 | fa.nFileSizeLow;
    if (!BmpWhole(ReadHead(src), size)) return false;
    const std::wstring tmp = dst + L".tmp";
    bool ok = ::CopyFileW(src.c_str(), tmp.c_str(), FALSE) != 0;
    // A read-only copy could not be replaced the next time.
    if (ok) ok = ::SetFileAttributesW(tmp.c_str(), FILE_ATTRIBUTE_NORMAL) != 0;
    return Replace(tmp, dst, ok);
}
