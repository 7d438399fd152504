#pragma once

// Sound for the end-to-end tests: the recordings a program carries, read
// from its file without running it; playback timing; and what the sound
// server really plays, recorded and analysed by tools/audio-check. That tool
// is a Unix program: started through Wine, which gives no handle for it, it
// reports through files in a folder of the test.

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/driver.h"

namespace e2e {

// ---- sound images ------------------------------------------------------------

// The fmt chunk and samples of a RIFF/WAVE image, read here on their own so
// that a test does not trust the program's parser.
struct WavImage {
    std::uint16_t format_tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byte_rate = 0;
    std::uint16_t block_align = 0;
    std::uint16_t bits = 0;
    std::span<const std::uint8_t> data;

    // Playing time of the samples.
    double Seconds() const;
    // Largest distance of a sample from silence, as a fraction of full scale.
    double Peak() const;
};

// Nullopt when the image is not RIFF/WAVE, a chunk runs past its end or the
// fmt or data chunk is missing.
std::optional<WavImage> ReadWav(std::span<const std::uint8_t> image);

// Mono 8-bit PCM at `rate`: a tone sweeping from f0 to f1 Hz while its level
// goes from a0 to a1 (of full scale), faded in and out: no two stretches of
// it look alike, in detail or in outline.
std::vector<std::uint8_t> SweepWav(std::uint32_t rate, double seconds, double f0, double f1, double a0 = 0.8,
                                   double a1 = 0.8);

// A program file loaded as data: its resources, none of its code.
class ResourceFile {
public:
    explicit ResourceFile(const std::filesystem::path& file);
    ~ResourceFile();
    ResourceFile(const ResourceFile&) = delete;
    ResourceFile& operator=(const ResourceFile&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    // The bytes of the resource; empty when there is none.
    std::span<const std::uint8_t> Find(std::wstring_view name, std::wstring_view type) const;
    std::span<const std::uint8_t> Find(std::wstring_view name, std::wstring_view type, LANGID language) const;
    // Names of all resources of the type (upper case, as stored), and the
    // languages one of them is stored in.
    std::vector<std::wstring> Names(std::wstring_view type) const;
    std::vector<LANGID> Languages(std::wstring_view name, std::wstring_view type) const;

private:
    std::span<const std::uint8_t> Locked(HRSRC res) const;
    HMODULE module_ = nullptr;
};

// ---- playback ----------------------------------------------------------------

// Whether Windows sees a wave output device (Wine: a sound server it reaches).
bool HaveAudioDevice();

struct PlayResult {
    bool ok = false;  // what sndPlaySoundW returned
    double seconds = 0;
};

// sndPlaySoundW(image, SND_NODEFAULT | SND_MEMORY): synchronous, from memory.
PlayResult PlaySync(std::span<const std::uint8_t> image);

// ---- the wall clock, in minutes -------------------------------------------------

// Local minutes since the epoch, seconds cut off (a difference counts the
// minute boundaries between two moments).
std::int64_t MinuteNow();
// Sleeps, handling messages, until `minute` has begun and `margin` more has passed.
void WaitForMinute(std::int64_t minute, Millis margin = 300ms);

// ---- the Unix side ---------------------------------------------------------------

// Wine's names for the same file; nullopt or empty outside Wine.
std::optional<std::string> UnixPath(const std::filesystem::path& path);
std::filesystem::path DosPath(const std::string& unix_path);
// The Unix path as an argument for a Unix program (the path as it is outside Wine).
std::wstring UnixArg(const std::filesystem::path& path);

// Starts a Unix program with the arguments, its standard streams on NUL.
// False when Wine cannot start it; the program's end is not observable.
bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args);

// Where tools/audio-check is, as built into the test (E2E_AUDIO_CHECK) or from
// the environment variable of that name.
std::string AudioCheckTool(const char* built_in);

// What the sound server's default sink plays, recorded as raw 16-bit mono
// samples into a file of `folder` (tools/audio-check record). The recording
// ends on Stop(), on destruction, when the folder goes away or after a limit.
class Recorder {
public:
    Recorder(std::string tool, const std::filesystem::path& folder, int rate = 22050);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // True once samples arrive; false after the timeout or when the recorder
    // failed (Status() tells why).
    bool WaitStarted(Millis timeout = 20s);
    // Samples recorded so far: the position of what plays now, give or take
    // the server's latency of some 20 ms.
    std::int64_t Position() const;
    // Ends the recording and waits until the file is complete.
    bool Stop(Millis timeout = 10s);
    // The recorder's last word: "ok BYTES", "error ..." or its log.
    std::string Status() const;

    const std::filesystem::path& File() const { return raw_; }
    int Rate() const { return rate_; }
    std::int64_t Samples(double seconds) const { return static_cast<std::int64_t>(seconds * rate_); }

private:
    std::filesystem::path raw_, ready_, stop_, done_;
    int rate_;
    bool started_ = false;
    bool stopped_ = false;
};

struct CheckResult {
    bool finished = false;  // the tool wrote its report in time
    int exit_code = -1;     // 0 when every check held
    std::string report;
};

// Runs tools/audio-check with the arguments, its report going to a file of
// `folder`, and waits for it.
CheckResult RunAudioCheck(const std::string& tool, const std::filesystem::path& folder,
                          const std::vector<std::wstring>& args, Millis timeout = 60s);

}  // namespace e2e
