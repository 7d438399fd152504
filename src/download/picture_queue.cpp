#include "download/picture_queue.h"

#include "app/layout.h"
#include "app/settings.h"
#include "base/ignore_errors.h"
#include "download/feed.h"
#include "download/http_rules.h"
#include "download/wallpaper_list.h"
#include "wallpaper/naming.h"

namespace {
constexpr int kListAttempts = 20;
}

// A build's own list, by its address or its list server's host, for when
// the settings name none; without either the daily-picture archive serves.
#ifndef LIST_URL
#define LIST_URL L""
#endif
#ifndef LIST_HOST
#define LIST_HOST L""
#endif

void WallpaperDownloads::Create() {
    IgnoreErrors([&] {
        listAddress_ = download::ListAddress(
            sys_.GetSetting(settings::kApp, settings::kSection, settings::kListUrl),
            sys_.GetSetting(settings::kApp, settings::kSection, settings::kListHost), LIST_URL, LIST_HOST);
    });
    IgnoreErrors([&] {
        m_oFileDownload = std::make_unique<CFileDownload>(transfer_, sys_);
        m_oFileDownload->OnProgress = [this](std::int32_t p, std::int32_t m, std::int32_t s,
                                             const std::wstring& t) {
            m_oFileDownload_OnProgress(p, m, s, t);
        };
    });
}

void WallpaperDownloads::Release() {
    released_ = true;
    if (m_oFileDownload) IgnoreErrors([&] { m_oFileDownload->AbortDownloading(); });
    IgnoreErrors([&] { ui_.KillTimer(Timer::Timer1); });
}

void WallpaperDownloads::GetWallpaperList() {
    form_.DownloadUrl = listAddress_;
    form_.DownloadFile = form_.AppDir + L"deskurl.ini";
    form_.DownloadPercent = 0;
    for (int attempt = 0; attempt < kListAttempts; ++attempt) {
        if (released_ || !m_oFileDownload) return;  // the program is ending
        IgnoreErrors([&] { m_oFileDownload->StartDownloading(form_.DownloadUrl, form_.DownloadFile); });
        IgnoreErrors([&] { ui_.DoEvents(); });
        if (released_) return;
        if (sys_.FileExists(form_.DownloadFile) && LoadWallpaperList()) return;
    }
    GiveUpOnTheList();
}

void WallpaperDownloads::GiveUpOnTheList() {
    IgnoreErrors([&] { panel_.SetLocalOnly(); });
    IgnoreErrors(
        [&] { notices_.ShowTrayTip(L"壁纸列表经多次尝试无法下载，程序将寻找使用本地的壁纸! ", L"1"); });
}

bool WallpaperDownloads::LoadWallpaperList() {
    form_.Listurl.Clear();
    const auto bytes = sys_.ReadFile(form_.DownloadFile, CFileDownload::kListLimit);
    const bool feed = bytes && download::LooksLikeXml(*bytes);
    std::optional<std::vector<std::wstring>> entries;
    if (feed) {
        int width = 0, height = 0;
        IgnoreErrors([&] { ui_.ScreenSize(width, height); });
        if (const auto doc = sys_.ParseXml(*bytes, download::kFeedLimits))
            entries = download::FeedPictures(*doc, listAddress_, width, height);
    } else if (bytes) {
        // Lists made today are UTF-8; older ones are in the system's code page.
        entries = download::ParseList(download::IsUtf8(*bytes) || bytes->rfind("\xEF\xBB\xBF", 0) == 0
                                          ? download::FromUtf8(*bytes)
                                          : sys_.FromAnsi(*bytes));
    }
    if (!entries) {
        // Unread, it would keep the acquisition waiting for the rest of the run;
        // a feed that is no XML or of no known form is as good as unread.
        sys_.RemoveFile(form_.DownloadFile);
        return false;
    }
    form_.Listurl.entries = std::move(*entries);
    form_.Listurl.feed = feed;
    // The queue starts with the transfer that brought the list.
    form_.DownloadPercent = 100;
    rotation_.RearmNotice();
    queueing_ = true;
    placed_ = 0;
    ui_.SetTimer(Timer::Timer1, TimerPeriodMs(Timer::Timer1));
    return true;
}

void WallpaperDownloads::m_oFileDownload_OnProgress(std::int32_t progress, std::int32_t max, std::int32_t,
                                                    const std::wstring&) {
    form_.DownloadPercent = max != 0 ? Percent(progress, max) : 0;
}

void WallpaperDownloads::Timer1_Timer() {
    // A tick during a transfer (whose loop lets timers run) starts nothing.
    if (!queueing_ || stepping_ || released_ || !m_oFileDownload || m_oFileDownload->Busy()) return;
    // Each step follows the transfer before it at once: a tick's wait
    // between pictures would make the queue many times slower than the
    // transfers themselves. The window's messages run during each transfer.
    while (queueing_ && !released_ && form_.DownloadPercent == 100) DownloadWallpapers();
}

void WallpaperDownloads::DownloadWallpapers() {
    PictureList& list = form_.Listurl;
    if (list.position >= list.Count() - 1) {
        queueing_ = false;
        IgnoreErrors([&] { ui_.KillTimer(Timer::Timer1); });
        IgnoreErrors([&] { notices_.SetProgress(L""); });
        if (placed_ == 0) {
            // Nothing to show: as when the list could not be had, so that
            // the local pictures are looked for instead.
            list.Clear();
            sys_.RemoveFile(form_.AppDir + L"deskurl.ini");
            GiveUpOnTheList();
            return;
        }
        IgnoreErrors([&] { notices_.ShowTrayTip(L"壁纸下载结束，现在开始为你定时更换壁纸!", L"1"); });
        IgnoreErrors([&] { form_.LastChange = sys_.Now(); });
        IgnoreErrors([&] { rotation_.ChangeWallpaper(); });
        IgnoreErrors([&] { rotation_.Start(); });
        IgnoreErrors([&] { sys_.TrimWorkingSet(); });
        return;
    }
    stepping_ = true;
    ++list.position;
    IgnoreErrors([&] { form_.DownloadUrl = list.Current(); });
    IgnoreErrors([&] {
        form_.DownloadFile = wallpaper::EntryFile(form_.AppDir, list.position, form_.DownloadUrl, list.feed);
    });
    form_.DownloadPercent = 0;
    // The tip at most once a second: each change of it is a call to the shell.
    IgnoreErrors([&] {
        const LocalTime now = sys_.Now();
        const long long second = MinuteSerial(now) * 60 + now.second;
        if (second == tipSecond_) return;
        tipSecond_ = second;
        notices_.SetProgress(L"正在下载壁纸 " + std::to_wstring(list.position) + L"/" +
                             std::to_wstring(list.Count()));
    });
    IgnoreErrors([&] {
        if (m_oFileDownload->StartDownloading(form_.DownloadUrl, form_.DownloadFile,
                                              CFileDownload::Content::Picture, CFileDownload::kPictureLimit))
            ++placed_;
    });
    // One picture that fails must not hold the rest: the queue moves on once
    // the transfer has returned, and the picture keeps its place.
    form_.DownloadPercent = 100;
    stepping_ = false;
}
