#pragma once

// The recordings a program carries, read from its file without running it,
// and what the sound server plays, recorded and analysed by tools/audio-check.
// That tool is a Unix program: Wine gives no handle for it, so it reports
// through files in a folder of the caller.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "support/driver.h"

namespace e2e {

// The fmt chunk and samples of a RIFF/WAVE image, read here on their own so
// that a test does not trust the program's parser; nullopt when malformed.
struct WavImage {
    std::uint16_t format_tag = 0, channels = 0, block_align = 0, bits = 0;
    std::uint32_t rate = 0, byte_rate = 0;
    std::span<const std::uint8_t> data;
    double Seconds() const { return byte_rate ? static_cast<double>(data.size()) / byte_rate : 0.0; }
};
std::optional<WavImage> ReadWav(std::span<const std::uint8_t> image);

// A resource of a program file loaded as data (LoadLibraryEx), and the names of a type.
std::span<const std::uint8_t> Resource(HMODULE file, std::wstring_view name, std::wstring_view type);
std::vector<std::wstring> ResourceNames(HMODULE file, std::wstring_view type);

// Whether Windows sees a wave output device (Wine: a sound server it reaches).
bool HaveAudioDevice();
bool RunningUnderWine();

// Local minutes since the epoch; a difference counts the minute boundaries between two moments.
std::int64_t MinuteNow();
// Waits, handling messages, until `minute` has begun and `margin` more has passed.
void WaitForMinute(std::int64_t minute, Millis margin = 300ms);

// The path as a Unix program sees it.
std::wstring UnixArg(const fs::path& path);
// tools/audio-check: E2E_AUDIO_CHECK from the environment, else as built in.
std::string AudioCheckTool(const char* built_in);

// What the default sink plays, as raw 16-bit mono samples in a file of
// `folder` (audio-check record), until Stop(), destruction or a limit.
class Recorder {
public:
    Recorder(std::string tool, const fs::path& folder);
    ~Recorder() { Stop(); }
    // True once samples arrive.
    bool WaitStarted(Millis timeout = 20s);
    // Samples so far: the position of what plays now, give or take some 20 ms.
    std::int64_t Position() const;
    // Ends the recording and waits until the file is complete.
    bool Stop(Millis timeout = 10s);
    // "ok BYTES", "error ..." or the recorder's log.
    std::string Status() const;
    const fs::path& File() const { return raw_; }
    static constexpr int kRate = 22050;

private:
    fs::path raw_;
    bool started_ = false, stopped_ = false;
};

struct CheckResult {
    bool finished = false;  // the report came in time
    int exit_code = -1;
    std::string report;
};
// Runs audio-check with the arguments, its report going to a file of `folder`.
CheckResult RunAudioCheck(const std::string& tool, const fs::path& folder, const std::vector<std::wstring>& args,
                          Millis timeout = 60s);

}  // namespace e2e
