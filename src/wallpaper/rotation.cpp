#include "wallpaper/rotation.h"

#include <random>

#include "app/layout.h"
#include "base/ignore_errors.h"
#include "base/web_address.h"
#include "wallpaper/naming.h"

namespace {
constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr const wchar_t* kBitmapName = L"Tirnaco.bmp";
// Timer2's period far from a change, and how many seconds before it the
// timer goes back to its own pace.
constexpr int kRestingPeriodMs = 1000;
constexpr long long kPacedSeconds = 2;
}  // namespace

void Rotation::Start() {
    running_ = true;
    period_ = 0;
    Pace(TimerPeriodMs(Timer::Timer2));
}

void Rotation::Stop() {
    ui_.KillTimer(Timer::Timer2);
    running_ = false;
}

void Rotation::Pace(int periodMs) {
    if (!running_ || periodMs == period_) return;
    period_ = periodMs;
    ui_.SetTimer(Timer::Timer2, periodMs);
}

void Rotation::Timer2_Timer() {
    if (changing_) return;
    const LocalTime now = sys_.Now();
    // A clock set back would hold the pictures until it passed the last
    // change again: the interval counts from now instead.
    if (MinuteSerial(now) < MinuteSerial(form_.LastChange)) form_.LastChange = now;
    // Ten wake-ups a second cost a resting program more than all else: far
    // from the change, the timer ticks once a second, the last seconds at its
    // own pace, so the change comes at the same moment.
    const long long left =
        (MinuteSerial(form_.LastChange) + wallpaper::IntervalMinutes(panel_.IntervalText())) * 60 -
        (MinuteSerial(now) * 60 + now.second);
    Pace(left > kPacedSeconds ? kRestingPeriodMs : TimerPeriodMs(Timer::Timer2));
    if (!wallpaper::ChangeDue(form_.LastChange, now, panel_.IntervalText())) return;
    // Nobody sees a new picture behind a game or a film, and the change
    // would stutter it: it waits and comes at the first tick after.
    if (wallpaper::FullScreenBusy(desk_.NotificationState())) return;
    form_.LastChange = now;
    ChangeWallpaper();
}

void Rotation::ChangeWallpaper() {
    if (changing_) return;
    changing_ = true;
    PictureList& list = form_.Listurl;
    IgnoreErrors([&] {
        // Reseeded from the time of day at every change.
        const LocalTime now = sys_.Now();
        std::mt19937 gen(static_cast<unsigned>(now.hour * 3600 + now.minute * 60 + now.second));
        const double r = std::uniform_real_distribution<double>(0.0, 1.0)(gen);
        list.position = wallpaper::NextPosition(list.position, list.Count(), panel_.RandomOrder(), r);
    });
    IgnoreErrors([&] {
        form_.DownloadFile = wallpaper::EntryFile(form_.AppDir, list.position, list.Current(), list.feed);
    });
    std::wstring bitmap;
    IgnoreErrors([&] { bitmap = BitmapPath(); });
    // A picture that cannot be made into the bitmap leaves the last good one,
    // which is applied again.
    bool made = false, shown = false;
    IgnoreErrors([&] { made = list.position >= 0 && MakeBitmap(form_.DownloadFile, bitmap); });
    IgnoreErrors([&] { ui_.DoEvents(); });
    IgnoreErrors([&] { shown = SetWallpaper(bitmap); });
    if (made && shown) IgnoreErrors([&] { shown_ = {list.Current(), form_.DownloadFile}; });
    // A refused bitmap has taken the last good one's place: that is made again.
    if (made && !shown && shown_)
        IgnoreErrors([&] {
            if (MakeBitmap(shown_->second, bitmap)) SetWallpaper(bitmap);
        });
    IgnoreErrors([&] { sys_.TrimWorkingSet(); });
    changing_ = false;
}

// A bitmap the desktop cannot show as it is goes through the decoder.
bool Rotation::MakeBitmap(const std::wstring& picture, const std::wstring& bitmap) {
    return (wallpaper::IsBitmapFile(picture) && desk_.CopyBitmap(picture, bitmap)) ||
           desk_.ConvertToBitmap(picture, bitmap);
}

bool Rotation::SetWallpaper(const std::wstring& path) {
    if (!desk_.IsOrdinaryFile(path)) return false;
    const std::wstring before = desk_.DeskWallpaper();
    desk_.SetDeskWallpaper(L"");
    if (!desk_.SetDeskWallpaper(path)) {
        desk_.SetDeskWallpaper(before);  // not a blank desktop
        return false;
    }
    SetRegString(L"TileWallpaper", L"0", 4);
    SetRegString(L"WallpaperStyle", L"2", 4);
    SetRegString(L"Wallpaper", path, 255);
    return true;
}

void Rotation::SetRegString(const std::wstring& name, const std::wstring& text, int count) {
    // A key that cannot be opened is left alone: the picture shows all the same.
    IgnoreErrors([&] { desk_.SetRegString(kDesktopKey, name, wallpaper::RegistryText(text, count)); });
}

std::wstring Rotation::BitmapPath() const {
    // Since Vista a program without elevation may not write into the
    // Windows directory; the bitmap then lives beside the program.
    const std::wstring system = form_.WinDir + kBitmapName;
    return desk_.CanWrite(system) ? system : form_.AppDir + kBitmapName;
}

void Rotation::FindLocalWallpapers() {
    if (noticeDue_) {
        IgnoreErrors([&] {
            notices_.ShowTrayTip(L"网络未连接或你已设置为使用本地壁纸，程序将寻找使用本地的壁纸! ", L"1");
        });
        noticeDue_ = false;
    }
    IgnoreErrors([&] {
        for (const std::wstring& name : desk_.ListFiles(form_.AppDir + L"Wallpaper\\"))
            if (wallpaper::IsLocalPicture(name)) form_.Listurl.entries.push_back(name);
    });
    if (form_.Listurl.Count() == 0) return;
    IgnoreErrors([&] { form_.LastChange = sys_.Now(); });
    IgnoreErrors([&] { Start(); });
    IgnoreErrors([&] { notices_.ShowTrayTip(L"壁纸装载结束，即将自动为你定时更换壁纸!", L"1"); });
    noticeDue_ = true;
}

void Rotation::KeepCurrentWallpaper() {
    const PictureList& list = form_.Listurl;
    // The picture on the desktop: one that could not be made into the bitmap
    // left the last good one there.
    const std::wstring entry = shown_ ? shown_->first : list.Current();
    if (!IsWebAddress(entry)) {
        ui_.MsgBox(L"   当前壁纸原本属于本地图片，不需要收藏!   ", mb::kOk + mb::kInformation, L"提示");
        return;
    }
    // Until a picture has been worked on, DownloadFile names the list.
    const std::wstring source = shown_ ? shown_->second
                                : wallpaper::LastFour(form_.DownloadFile) != L".ini"
                                    ? form_.DownloadFile
                                    : wallpaper::EntryFile(form_.AppDir, list.position, entry, list.feed);
    const std::wstring target =
        wallpaper::KeepCopyTarget(form_.AppDir, list.feed ? wallpaper::FeedExtension(entry) : entry,
                                  [&](const std::wstring& p) { return sys_.PathExists(p); });
    // Name the target only when the copy is really there.
    if (!target.empty() && !source.empty() && sys_.CopyFileTo(source, target))
        ui_.MsgBox(L"  当前壁纸已被成功保存到" + target + L"   ", mb::kOk + mb::kInformation, L"提示");
    else
        ui_.MsgBox(L"  当前壁纸保存失败，请检查壁纸目录是否可写!   ", mb::kOk + mb::kInformation, L"提示");
}
