// The wallpaper rotation of the real program: local pictures found and
// shown on the desktop in turn, the bitmap and the registry values behind
// them, and bad pictures that change nothing.

// windows.h comes first.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <cstring>
#include <fstream>
#include <map>

#include "pictures.h"

using namespace e2e;

namespace {

Bytes DesktopValue(const wchar_t* name) {
    DWORD type = 0, size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                     nullptr, &size) != ERROR_SUCCESS)
        return {};
    Bytes b(size);
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                 b.data(), &size);
    b.resize(size);
    return b;
}

Bytes Utf16(const std::wstring& s) {
    Bytes b(s.size() * 2);
    std::memcpy(b.data(), s.data(), b.size());
    return b;
}

// The value holds exactly these characters; Wine adds a NUL after text
// stored without one, Windows stores what it is given.
bool Holds(const wchar_t* name, const std::wstring& text) {
    Bytes value = DesktopValue(name);
    if (value.size() == text.size() * 2 + 2 && value[value.size() - 1] == 0 && value[value.size() - 2] == 0)
        value.resize(value.size() - 2);
    return value == Utf16(text);
}

// The pictures of the folder in the order the system lists them.
std::vector<std::wstring> Listed(const fs::path& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder / L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring n = fd.cFileName, end = n.size() >= 3 ? n.substr(n.size() - 3) : n;
        for (auto& ch : end) ch = towupper(ch);
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && (end == L"JPG" || end == L"BMP"))
            names.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

class WallpaperTest : public ProductTest {
protected:
    void SetUp() override {
        ProductTest::SetUp();
        ASSERT_TRUE(WriteSetting(L"ppdir", L"1"));
        ASSERT_TRUE(WriteSetting(L"chgtime", L"1"));
        const fs::path bmp = WindowsDir() / L"Tirnaco.bmp";
        SetFileAttributesW(bmp.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove(bmp);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper");
    }
    void TearDown() override {
        SetFileAttributesW((WindowsDir() / L"Tirnaco.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
        ProductTest::TearDown();
    }
};

const std::map<std::wstring, COLORREF> kColours = {{L"红色 照片.jpg", RGB(220, 30, 30)},
                                                   {L"b-green.bmp", RGB(30, 200, 40)},
                                                   {L"Tirnaco2.JPG", RGB(40, 60, 230)}};

TEST_F(WallpaperTest, LocalPicturesBecomeTheWallpaperInTurnFromTheNextMinuteOn) {
    Product app;
    const fs::path pics = app.Dir() / L"Wallpaper";
    fs::create_directories(pics);
    for (const auto& [name, colour] : kColours) {
        if (name.ends_with(L".bmp")) {
            const Bytes b = SolidBmp(colour);
            app.Box().Write(L"Wallpaper\\" + name, std::string(b.begin(), b.end()));
        } else {
            ASSERT_TRUE(WriteJpeg(pics / name, colour));
        }
    }
    app.Box().Write(L"Wallpaper\\notes.txt", "not a picture");
    const auto order = Listed(pics);
    ASSERT_EQ(order.size(), 3u);

    app.Start();
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"壁纸装载结束，即将自动为你定时更换壁纸!"); }, 10s))
        << (Balloons().empty() ? "(none)" : Narrow(Balloons().front()));
    const fs::path bitmap = WindowsDir() / L"Tirnaco.bmp";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(bitmap); }, 75s)) << "no change at the next minute";
    const COLORREF first = kColours.at(order[0]);
    EXPECT_TRUE(WaitUntil([&] { return Near(first, DesktopMiddle()); }, 5s)) << std::hex << DesktopMiddle();
    SaveScreenshot(nullptr, L"wallpaper-first");

    // The bitmap: a bottom-up 24-bit picture of the source's size and colour.
    const Bytes bmp = ReadAll(bitmap);
    ASSERT_GE(bmp.size(), 54u + wallpaper::BmpStride(kW) * kH);
    EXPECT_TRUE(bmp[0] == 'B' && bmp[1] == 'M' && bmp[28] == 24);
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(&bmp[18]), int(kW));
    EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(&bmp[22]), int(kH));
    const std::uint8_t* mid = &bmp[54 + (kH / 2) * wallpaper::BmpStride(kW) + (kW / 2) * 3];
    EXPECT_TRUE(Near(first, std::uint32_t(mid[2]) << 16 | mid[1] << 8 | mid[0]));
    // The registry values, character for character.
    EXPECT_TRUE(Holds(L"TileWallpaper", std::wstring(L"0\0  ", 4)));
    EXPECT_TRUE(Holds(L"WallpaperStyle", std::wstring(L"2\0  ", 4)));
    const std::wstring path = bitmap.wstring();
    EXPECT_TRUE(Holds(L"Wallpaper", path + L'\0' + std::wstring(255 - path.size() - 1, L' ')));

    // A local picture is not kept; Cancel in the settings brings the second greeting.
    PostCommand(app.Window(), ID_MNWALL_0 + 2);
    EXPECT_EQ(app.AnswerBox(IDOK), L"   当前壁纸原本属于本地图片，不需要收藏!   ");
    app.OpenPanel();
    Click(app.Ctl(ID_CMDOK_0 + 1));
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"呵呵，我又躲到这里了，祝你开心! "); }, 5s));

    // The next minute shows the next picture in list order.
    const COLORREF second = kColours.at(order[1]);
    EXPECT_TRUE(WaitUntil([&] { return Near(second, DesktopMiddle()); }, 70s)) << std::hex << DesktopMiddle();
    SaveScreenshot(nullptr, L"wallpaper-second");
    app.Quit();
}

TEST_F(WallpaperTest, BadPicturesKeepTheLastGoodWallpaperAndTheProgramSmall) {
    Product app;
    fs::create_directories(app.Dir() / L"Wallpaper");
    // 30000 x 30000 claimed by a JPEG frame header, cut short, empty, not a picture, a bad BMP header.
    const std::string huge =
        std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\x75\x30\x75\x30\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01",
                    21) +
        std::string(2000, '\x55');
    app.Box().Write(L"Wallpaper\\huge.jpg", huge);
    app.Box().Write(L"Wallpaper\\cut.jpg", huge.substr(0, 7));
    app.Box().Write(L"Wallpaper\\empty.jpg", "");
    app.Box().Write(L"Wallpaper\\page.jpg", "<html>not found</html>");
    app.Box().Write(L"Wallpaper\\bad.bmp", "BM\x10\x00\x00\x00garbage");
    // The last good wallpaper, from an earlier run.
    const COLORREF good = RGB(200, 40, 200);
    const Bytes b = SolidBmp(good);
    std::ofstream(WindowsDir() / L"Tirnaco.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), b.size());

    app.Start();
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"壁纸装载结束，即将自动为你定时更换壁纸!"); }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return !DesktopValue(L"Wallpaper").empty(); }, 75s)) << "nothing applied";
    EXPECT_TRUE(WaitUntil([&] { return Near(good, DesktopMiddle()); }, 5s)) << std::hex << DesktopMiddle();
    EXPECT_EQ(ReadAll(WindowsDir() / L"Tirnaco.bmp"), b);
    PROCESS_MEMORY_COUNTERS pmc{};
    ASSERT_TRUE(GetProcessMemoryInfo(app.Proc().Handle(), &pmc, sizeof pmc));
    EXPECT_LT(pmc.PeakWorkingSetSize, 64u << 20) << "peak working set";
    EXPECT_TRUE(app.Proc().Running());
    app.Quit();
}

TEST_F(WallpaperTest, AnEmptyFolderIsWatchedAndTheBitmapGoesBesideTheProgramWhenWindowsRefusesIt) {
    // The Windows directory's bitmap cannot be replaced.
    const fs::path locked = WindowsDir() / L"Tirnaco.bmp";
    const Bytes old = SolidBmp(RGB(0, 0, 0));
    std::ofstream(locked, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), old.size());
    ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    Product app;
    app.Start();
    const std::wstring searching = L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ";
    EXPECT_TRUE(WaitUntil([&] { return BalloonShows(searching); }, 10s));
    const COLORREF colour = RGB(250, 200, 0);
    ASSERT_TRUE(WriteJpeg(app.Dir() / L"Wallpaper" / L"dropped.jpg", colour));
    EXPECT_TRUE(WaitUntil([] { return BalloonShows(L"壁纸装载结束，即将自动为你定时更换壁纸!"); }, 10s));
    const fs::path beside = app.Dir() / L"Tirnaco.bmp";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(beside); }, 75s));
    EXPECT_TRUE(WaitUntil([&] { return Near(colour, DesktopMiddle()); }, 5s)) << std::hex << DesktopMiddle();
    const Bytes value = DesktopValue(L"Wallpaper");
    EXPECT_EQ(Bytes(value.begin(), value.begin() + std::min(value.size(), beside.wstring().size() * 2)),
              Utf16(beside.wstring()));
    EXPECT_EQ(ReadAll(locked), old);
    SaveScreenshot(nullptr, L"wallpaper-beside-program");
    app.Quit();
}

}  // namespace
