#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/form_state.h"
#include "app/notices.h"
#include "app/panel.h"
#include "download/file_download.h"
#include "platform/system.h"
#include "platform/transfer.h"
#include "platform/window.h"
#include "wallpaper/rotation.h"

// The acquisition of pictures from the list server: the list fetch, the
// picture queue, and the window's handler of the downloader's progress.
class WallpaperDownloads {
public:
    WallpaperDownloads(Window& ui, System& sys, Transfer& transfer, FormState& form, SettingsPanel& panel,
                       Notices& notices, Rotation& rotation)
        : ui_(ui),
          sys_(sys),
          transfer_(transfer),
          form_(form),
          panel_(panel),
          notices_(notices),
          rotation_(rotation) {}

    // Start-up: the downloader is made and the list's address read once.
    void Create();
    // Shutdown: a download under way is dropped, and nothing starts again.
    // The downloader itself goes with this object: a transfer being dropped
    // may still be on the stack.
    void Release();

    void GetWallpaperList();
    // Reads the list file into the picture list and starts the queue; false
    // when the file cannot be read (it is then removed).
    bool LoadWallpaperList();
    void m_oFileDownload_OnProgress(std::int32_t progress, std::int32_t max, std::int32_t status,
                                    const std::wstring& text);
    void Timer1_Timer();
    void DownloadWallpapers();

private:
    // For this run the pictures are local only, and the user is told.
    void GiveUpOnTheList();

    Window& ui_;
    System& sys_;
    Transfer& transfer_;
    FormState& form_;
    SettingsPanel& panel_;
    Notices& notices_;
    Rotation& rotation_;
    std::unique_ptr<CFileDownload> m_oFileDownload;
    std::wstring listAddress_;
    bool released_ = false;     // the program is ending: nothing starts again
    bool queueing_ = false;     // from the loaded list to the end of the queue
    bool stepping_ = false;     // a queue step runs; its transfer lets timers tick
    long long tipSecond_ = -1;  // when the tip last showed the progress
    int placed_ = 0;            // pictures of this list now in place
};
