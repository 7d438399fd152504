// The wallpaper rotation of the real program: local pictures found and
// shown on the desktop in turn, the bitmap (beside the program where Windows
// refuses it) and the registry values behind them.

#include "product.h"

using namespace e2e;

namespace {

// A value of HKCU\Control Panel\Desktop as UTF-16 text, all its bytes but the
// NUL Wine adds after text stored without one (Windows stores what it is given).
std::wstring DesktopValue(const wchar_t* name) {
    std::wstring value(1024, L'\0');
    DWORD size = DWORD(value.size() * 2);
    if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_ANY | RRF_NOEXPAND, nullptr,
                     value.data(), &size))
        return L"(none)";
    value.resize(size / 2);
    if (value.ends_with(L'\0')) value.pop_back();
    return value;
}

class WallpaperTest : public ProductTest {
protected:
    const fs::path bitmap = [] {
        wchar_t windows[MAX_PATH];
        return fs::path(std::wstring(windows, GetWindowsDirectoryW(windows, MAX_PATH))) / L"Tirnaco.bmp";
    }();
    Product app;
    void SetUp() override {
        ProductTest::SetUp();
        ASSERT_TRUE(WriteSetting(L"ppdir", L"1") && WriteSetting(L"chgtime", L"1"));
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper");
        fs::create_directories(app.Dir() / L"Wallpaper");
    }
    void StartAndWaitForTheList() {
        app.Start();
        EXPECT_TRUE(BalloonShows(L"壁纸装载结束，即将自动为你定时更换壁纸!", 10s))
            << (Balloons().empty() ? L"(none)" : Balloons().front());
    }
};

TEST_F(WallpaperTest, LocalPicturesBecomeTheWallpaperInTurnFromTheNextMinuteOn) {
    const fs::path pics = app.Dir() / L"Wallpaper";
    const std::vector<std::pair<std::wstring, COLORREF>> pictures = {{L"红色 照片.jpg", RGB(220, 30, 30)},
                                                                     {L"b-green.bmp", RGB(30, 200, 40)},
                                                                     {L"Tirnaco2.JPG", RGB(40, 60, 230)}};
    for (const auto& [name, colour] : pictures)
        ASSERT_TRUE(name.ends_with(L".bmp") ? fs::exists(app.Write(L"Wallpaper\\" + name, SolidBmp(colour)))
                                            : WriteJpeg(pics / name, colour));
    app.Write(L"Wallpaper\\notes.txt", "not a picture");
    // In the order the system lists them.
    std::vector<COLORREF> order;
    for (const auto& file : fs::directory_iterator(pics))
        for (const auto& [name, colour] : pictures)
            if (file.path().filename() == name) order.push_back(colour);
    ASSERT_EQ(order.size(), 3u);

    StartAndWaitForTheList();
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(bitmap); }, 75s)) << "no change at the next minute";
    EXPECT_TRUE(DesktopShows(order[0]));
    EXPECT_EQ(fs::file_size(bitmap), 54 + wallpaper::BmpStride(kW) * kH)
        << "not 24-bit, or not the source's size";
    // The registry values, character for character.
    EXPECT_EQ(DesktopValue(L"TileWallpaper"), std::wstring(L"0\0  ", 4));
    EXPECT_EQ(DesktopValue(L"WallpaperStyle"), std::wstring(L"2\0  ", 4));
    const std::wstring path = bitmap.wstring();
    EXPECT_EQ(DesktopValue(L"Wallpaper"), path + L'\0' + std::wstring(255 - path.size() - 1, L' '));

    // The next minute shows the next picture in list order.
    EXPECT_TRUE(DesktopShows(order[1], 70s));

    // Where Windows refuses the bitmap its place, the next goes beside the program.
    const std::string refused = ReadFile(bitmap);
    ASSERT_TRUE(SetFileAttributesW(bitmap.c_str(), FILE_ATTRIBUTE_READONLY));
    const fs::path beside = app.Dir() / L"Tirnaco.bmp";
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(beside); }, 75s));
    EXPECT_TRUE(DesktopShows(order[2]));
    EXPECT_TRUE(DesktopValue(L"Wallpaper").starts_with(beside.wstring()));
    EXPECT_EQ(ReadFile(bitmap), refused);
}

}  // namespace
