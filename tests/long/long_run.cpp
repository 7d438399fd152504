// The real Win32 layer run long: after hundreds of wallpaper changes and
// transfers the process holds what it held after the first ten.

#include "product.h"
// After windows.h, which product.h brings in.
#include <psapi.h>
#include <winternl.h>

#include "win32/win32_desktop.h"
#include "win32/winhttp_transfer.h"

using namespace e2e;

namespace {

using Resources = std::array<std::uint64_t, 4>;
const char* const kResources[] = {"handles", "GDI objects", "USER objects", "private KiB"};
// Wine answers 0 for all four. There the handles are the values that name
// one, the GDI objects the used entries of the process's own GDI table (24
// bytes each, the type at 14), and the private bytes its anonymous memory,
// which it gives as the commit charge.
Resources Now() {
    const HANDLE self = GetCurrentProcess();
    DWORD handles = 0, flags = 0;
    GetProcessHandleCount(self, &handles);
    PROCESS_MEMORY_COUNTERS_EX m{sizeof m};
    GetProcessMemoryInfo(self, PPROCESS_MEMORY_COUNTERS(&m), sizeof m);
    Resources r = {handles, GetGuiResources(self, GR_GDIOBJECTS), GetGuiResources(self, GR_USEROBJECTS),
                   std::max(m.PrivateUsage, m.PagefileUsage) >> 10};
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) return r;
    for (ULONG_PTR h = 4; h < 1 << 16; h += 4) r[0] += GetHandleInformation(HANDLE(h), &flags);
    const BYTE* table = *reinterpret_cast<const BYTE* const*>(PBYTE(NtCurrentTeb()->ProcessEnvironmentBlock) +
                                                              (sizeof(void*) == 8 ? 0xF8 : 0x94));
    for (int i = 0; table && i < 1 << 16; ++i) r[1] += table[24 * i + 14] != 0;
    return r;
}

// Runs `step` n times; the resources after the tenth and after the last are
// the same, but for a thread or two that the system's pools may add meanwhile.
void ExpectFlat(const char* what, int n, const std::function<void(int)>& step) {
    Resources early = Now();  // the first reading costs memory of its own
    for (int i = 0; i < n; ++i)
        if (step(i), i == 9) early = Now();
    const Resources late = Now();
    std::printf("%s, after 10 and %d:", what, n);
    for (int k = 0; k < 4; ++k) {
        std::printf(" %s %llu %llu", kResources[k], early[k], late[k]);
        EXPECT_LE(late[k], early[k] + (k == 3 ? 2048 : 2)) << what << ", " << kResources[k];
    }
    std::printf("\n");
}

TEST(LongRun, FlatResourcesOver500ChangesAnd200Transfers) {
    // A JPEG, the JPEG turned by its EXIF orientation, a BMP, the JPEG claiming
    // 30000 x 30000, the JPEG cut short and the BMP cut short.
    const fs::path dir = FreshDir(L"长跑");
    const COLORREF last = RGB(40, 180, 90);
    ASSERT_TRUE(WriteJpeg(dir / L"0.jpg", RGB(200, 30, 30)) && WriteJpeg(dir / L"1.jpg", last));
    const std::string jpeg = ReadFile(dir / L"0.jpg");
    std::string huge = jpeg;
    const std::string exif(
        "\xFF\xE1\0\042Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0", 36);
    WriteFile(dir / L"1.jpg", ReadFile(dir / L"1.jpg").insert(2, exif));
    WriteFile(dir / L"2.bmp", SolidBmp(RGB(30, 30, 200)));
    WriteFile(dir / L"3.jpg", huge.replace(huge.find("\xFF\xC0") + 5, 4, "\x75\x30\x75\x30"));
    WriteFile(dir / L"4.jpg", jpeg.substr(0, jpeg.size() / 2));
    WriteFile(dir / L"5.bmp", ReadFile(dir / L"2.bmp").substr(0, 1000));

    Win32Desktop desk;
    const std::wstring bitmap = (dir / L"Tirnaco.bmp").wstring();
    int applied = 0;
    ExpectFlat("wallpaper changes", 500, [&](int i) {
        const bool bmp = i % 6 == 2 || i % 6 == 5;
        const fs::path picture = dir / (std::to_wstring(i % 6) + (bmp ? L".bmp" : L".jpg"));
        if (!(bmp ? desk.CopyBitmap(picture, bitmap) : desk.ConvertToBitmap(picture, bitmap))) return;
        applied += desk.SetDeskWallpaper(L"") && desk.SetDeskWallpaper(bitmap) &&
                   desk.SetRegString(L"Control Panel\\Desktop", L"Wallpaper", bitmap);
    });
    EXPECT_EQ(applied, 251) << "the good pictures are 3 of every 6";
    EXPECT_TRUE(DesktopShows(last));
    PROCESS_MEMORY_COUNTERS peak{sizeof peak};  // the picture too large is refused before it is decoded
    EXPECT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &peak, sizeof peak) &&
                peak.PeakWorkingSetSize < 64 << 20);

    // Transfers from a server on this machine, on the thread's message pump as the window's.
    Server web;
    MessagePump pump([](MSG&) { return false; });
    WinHttpTransfer transfer(30000, pump);
    const std::wstring url = L"http://" + web.base + L"/ok/64.jpg", temp = (dir / L"picture.part").wstring();
    int whole = 0;
    ExpectFlat("transfers", 200, [&](int) {
        const TransferFacts f = transfer.Run(url, temp, 1 << 20, [](auto&) { return true; }, {});
        whole += f.httpStatus == 200 && f.received == 65536 && fs::file_size(temp) == 65536;
    });
    EXPECT_EQ(whole, 200);
}

}  // namespace
