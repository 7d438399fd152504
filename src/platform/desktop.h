#pragma once

#include <string>
#include <vector>

// What the wallpaper rotation needs of the machine.
class Desktop {
public:
    virtual ~Desktop() = default;

    // Makes the bitmap the desktop wallpaper and records it in the user's
    // profile; an empty path takes the wallpaper away. True when the system
    // took it.
    virtual bool SetDeskWallpaper(const std::wstring& path) = 0;
    // The wallpaper's path as the system has it; empty for none.
    virtual std::wstring DeskWallpaper() const = 0;
    // Stores `data` (every character, NULs included) as the text value `name`
    // of the existing key HKEY_CURRENT_USER\`key`; false when the key cannot
    // be opened. The key is never created.
    virtual bool SetRegString(const std::wstring& key, const std::wstring& name,
                              const std::wstring& data) = 0;
    // An ordinary file: not a folder, not hidden, not a system file.
    virtual bool IsOrdinaryFile(const std::wstring& path) const = 0;
    // Whether a file of that name can be written (made, or replaced).
    virtual bool CanWrite(const std::wstring& path) const = 0;
    // A picture made into a 24-bit bitmap no larger than the largest screen,
    // or a bitmap copied when it is whole and the desktop shows it as it is
    // (wallpaper::BmpWhole); dst is replaced only when the new one is whole.
    virtual bool ConvertToBitmap(const std::wstring& picture, const std::wstring& dst) = 0;
    virtual bool CopyBitmap(const std::wstring& bitmap, const std::wstring& dst) = 0;
    // Names of the plain files directly inside a folder, in listing order.
    virtual std::vector<std::wstring> ListFiles(const std::wstring& folder) const = 0;
    // The shell's notification state (QUERY_USER_NOTIFICATION_STATE, as the
    // platform numbers it); 0 when it cannot be asked.
    virtual int NotificationState() const = 0;
};
