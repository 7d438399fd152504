#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/local_time.h"
#include "platform/types.h"

// The picture list: one address or file name per entry, and the position of
// the current picture (-1 for none). Nothing shows it.
struct PictureList {
    std::vector<std::wstring> entries;
    int position = -1;
    bool feed = false;  // the entries are a feed's pictures, named by their own kind

    int Count() const { return static_cast<int>(entries.size()); }
    // The entry at the position; empty when there is none.
    std::wstring Current() const {
        return position >= 0 && position < Count() ? entries[static_cast<std::size_t>(position)]
                                                   : std::wstring();
    }
    void Clear() {
        entries.clear();
        position = -1;
        feed = false;
    }
};

// The window-level state that every subsystem names.
struct FormState {
    std::wstring WinDir;  // each ends in one backslash
    std::wstring AppDir;
    std::wstring DownloadUrl;  // the address of the transfer in progress
    // The file the downloads or the wallpaper change last worked on: the list,
    // a picture being fetched, or the picture now on the desktop.
    std::wstring DownloadFile;
    std::int32_t DownloadPercent = 0;
    LocalTime LastChange;  // the zero date-time until the first change
    LocalTime LastSpeak;
    TrayRecord TrayData;
    PictureList Listurl;
};
