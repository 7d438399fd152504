#pragma once

#include "platform/system.h"
#include "win32/handles.h"

// What the logic needs of the machine, by concern: system_time.cpp,
// system_settings.cpp (the registry), system_files.cpp, system_online.cpp,
// system_shutdown.cpp, system_process.cpp, system_xml.cpp, and system_sound.cpp (the
// recordings in the resources and playing them).
class Win32System : public System {
public:
    LocalTime Now() const override;
    std::wstring FormatTimeOfDay(const LocalTime& t) const override;
    std::optional<std::wstring> GetSetting(const std::wstring& app, const std::wstring& section,
                                           const std::wstring& key) const override;
    bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override;
    bool FileExists(const std::wstring& path) const override;
    bool PathExists(const std::wstring& path) const override;
    bool RemoveFile(const std::wstring& path) override;
    bool CreateFolder(const std::wstring& path) override;
    bool CopyFileTo(const std::wstring& from, const std::wstring& to) override;
    bool MoveReplace(const std::wstring& from, const std::wstring& to) override;
    std::optional<std::string> ReadFile(const std::wstring& path, std::uint64_t limit) const override;
    std::wstring FromAnsi(std::string_view bytes) const override;
    std::optional<XmlDocument> ParseXml(std::string_view bytes, const XmlLimits& limits) const override;
    bool Online() const override;
    std::optional<int> PlatformId() const override;
    void GetShutdownPrivilege() override;
    bool RequestShutdown(unsigned flags) override;
    bool AnotherInstanceRunning() override;
    std::wstring WindowsDirectory() const override;
    std::wstring ExecutablePath() const override;
    void TrimWorkingSet() override;
    std::wstring AnsiSafePath(const std::wstring& path) const override;
    bool StartProcess(const std::wstring& commandLine) override;
    std::span<const std::uint8_t> FindWav(std::string_view name) const override;
    void PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) override;

private:
    Handle instanceMutex_;
    // Loaded at the first online test, so that start-up does not pay for it.
    mutable Module wininet_;
    // Loaded at the first XML document.
    mutable Module xmllite_, shlwapi_;
    // Loaded at the first sound, so that start-up does not pay for it.
    Module winmm_;
    using PlaySoundFn = BOOL(WINAPI*)(LPCWSTR, UINT);
    PlaySoundFn sndPlaySound_ = nullptr;
};
