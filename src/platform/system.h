#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/local_time.h"
#include "platform/xml.h"

// What the program's logic needs of the machine, beyond its window.
class System {
public:
    virtual ~System() = default;

    virtual LocalTime Now() const = 0;
    // The time of day in the user's time format (hours, minutes, seconds).
    virtual std::wstring FormatTimeOfDay(const LocalTime& t) const = 0;

    // Per-user settings: text values under application and section.
    // Absent, unreadable or non-text values read as nullopt.
    virtual std::optional<std::wstring> GetSetting(const std::wstring& app, const std::wstring& section,
                                                   const std::wstring& key) const = 0;
    virtual bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                             const std::wstring& value) = 0;

    // Files. Paths are full paths with backslashes.
    virtual bool FileExists(const std::wstring& path) const = 0;  // a file, not a folder
    virtual bool PathExists(const std::wstring& path) const = 0;  // anything of that name
    virtual bool RemoveFile(const std::wstring& path) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;
    virtual bool CopyFileTo(const std::wstring& from, const std::wstring& to) = 0;
    // Puts `from` in the place of `to`, replacing it.
    virtual bool MoveReplace(const std::wstring& from, const std::wstring& to) = 0;
    // The file's bytes, or nullopt when it cannot be read or holds more than `limit`.
    virtual std::optional<std::string> ReadFile(const std::wstring& path, std::uint64_t limit) const = 0;
    // Text in the system's ANSI code page.
    virtual std::wstring FromAnsi(std::string_view bytes) const = 0;
    // The elements of a whole, well-formed XML document (its encoding as XML
    // finds it); nullopt for anything else, a document type among them.
    virtual std::optional<XmlDocument> ParseXml(std::string_view bytes, const XmlLimits& limits) const = 0;

    // Whether the machine has a connection to the Internet.
    virtual bool Online() const = 0;

    // Shutting the machine down: the platform identifier of the version
    // record (0, 1 the older family, 2 NT), nullopt when the call fails; the
    // shutdown privilege of this process; the request with its flags.
    virtual std::optional<int> PlatformId() const = 0;
    virtual void GetShutdownPrivilege() = 0;
    virtual bool RequestShutdown(unsigned flags) = 0;

    // Process.
    virtual bool AnotherInstanceRunning() = 0;
    // The Windows directory without a trailing backslash; empty on failure.
    virtual std::wstring WindowsDirectory() const = 0;
    // Full path of the program's executable.
    virtual std::wstring ExecutablePath() const = 0;
    virtual void TrimWorkingSet() = 0;
    // A name of the path that a program reading its command line in the
    // system's ANSI code page can open: the path itself when every character
    // survives that code page, else its short name where the volume has one.
    virtual std::wstring AnsiSafePath(const std::wstring& path) const = 0;
    // Starts a command line as a new process with a normal, focused window.
    virtual bool StartProcess(const std::wstring& commandLine) = 0;

    // Sounds: the complete WAV image of a resource, looked up without regard
    // to case; empty when there is none. Images stay valid for the run.
    virtual std::span<const std::uint8_t> FindWav(std::string_view name) const = 0;
    // Plays a WAV image from memory with the given play flags.
    virtual void PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) = 0;
};
