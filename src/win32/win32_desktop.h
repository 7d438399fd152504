#pragma once

#include "platform/desktop.h"
#include "win32/com_library.h"

class Win32Desktop : public Desktop {
public:
    bool SetDeskWallpaper(const std::wstring& path) override;
    std::wstring DeskWallpaper() const override;
    bool SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& data) override;
    bool IsOrdinaryFile(const std::wstring& path) const override;
    bool CanWrite(const std::wstring& path) const override;
    bool ConvertToBitmap(const std::wstring& picture, const std::wstring& dst) override;
    bool CopyBitmap(const std::wstring& bitmap, const std::wstring& dst) override;
    std::vector<std::wstring> ListFiles(const std::wstring& folder) const override;
    int NotificationState() const override;

private:
    ComLibrary com_;  // the picture decoders are COM objects
};
