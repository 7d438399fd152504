// The gap between the pieces of a spoken announcement against the gap the
// platform leaves between two sounds that a minimal program plays with two
// sndPlaySoundW calls in a row, both measured in one recording of the sound
// server in one run. Needs a throw-away Wine environment with a sound server
// (bench/speech_gap.sh): it rewrites the program's settings. bench/speech_gaps
// measures the gaps.
//   speech_gap_bench [pairs]
//   speech_gap_bench --pair first.wav second.wav     (the minimal program)
#include <windows.h>
// After windows.h, which it needs.
#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "app/control_ids.h"
#include "sound/speech.h"
#include "support/driver.h"

using namespace e2e;

namespace {

// Mono 8-bit PCM: a tone sweeping from f0 to f1 Hz while its level goes from
// a0 to a1, faded in and out, so that no two stretches of it look alike.
std::string SweepWav(std::uint32_t rate, double seconds, double f0, double f1, double a0, double a1) {
    const auto n = static_cast<std::uint32_t>(seconds * rate);
    std::string out;
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>(v >> (8 * i));
    };
    out += "RIFF";
    put(36 + n + (n & 1), 4);
    out += "WAVEfmt ";
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(rate, 4);
    put(rate, 4);
    put(1, 2);
    put(8, 2);
    out += "data";
    put(n, 4);
    const double fade = 0.005 * rate;
    double phase = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        phase += 2 * std::numbers::pi * (f0 + (f1 - f0) * i / n) / rate;
        const double level = (a0 + (a1 - a0) * i / n) * std::min({1.0, i / fade, (n - i) / fade});
        out += static_cast<char>(std::clamp(std::lround(128 + 127 * level * std::sin(phase)), 0L, 255L));
    }
    if (n & 1) out += static_cast<char>(128);
    return out;
}

int PlayPair(const wchar_t* first, const wchar_t* second) {
    std::vector<std::vector<char>> images;
    for (const wchar_t* file : {first, second}) {
        std::ifstream in(fs::path(file), std::ios::binary);
        images.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (images.back().empty()) return 2;
    }
    for (const auto& image : images)
        sndPlaySoundW(reinterpret_cast<LPCWSTR>(image.data()), SND_NODEFAULT | SND_MEMORY);
    return 0;
}

std::int64_t Samples(const fs::path& raw) {
    std::error_code ec;
    const auto bytes = fs::file_size(raw, ec);
    return ec ? 0 : std::int64_t(bytes / 2);
}

std::string Narrow(std::wstring_view s) {
    std::string out(s.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), int(out.size()), 0, 0));
    return out;
}

int Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "speech_gap_bench: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    return 1;
}

int Run(int pairs) {
    const fs::path work = FreshDir(L"间隔 测试", true), raw = work / L"recording.raw";
    const HMODULE exe =
        LoadLibraryExW((TestDir() / L"qingchuang.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe) return Fail("cannot read the program");
    for (const wchar_t* name :
         {L"TODAY", L"YEAR", L"MONTH", L"DAY", L"WEEK", L"NOW", L"HOUR", L"MINUTE", L"JUST", L"T0",
          L"T1",    L"T2",   L"T3",    L"T4",  L"T5",   L"T6",  L"T7",   L"T8",     L"T9",   L"T10"}) {
        const HRSRC found = FindResourceW(exe, name, L"WAV");
        WriteFile(work / (std::wstring(name) + L".wav"),
                  std::string(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                              SizeofResource(exe, found)));
    }
    // Sweeps in the pieces' format, one getting louder, one softer.
    for (const auto& [name, f0, f1, a0, a1] :
         {std::tuple{L"TONE_A", 400.0, 1200.0, 0.2, 0.9}, std::tuple{L"TONE_B", 1200.0, 500.0, 0.9, 0.2}}) {
        WriteFile(work / (std::wstring(name) + L".wav"), SweepWav(22050, 0.3, f0, f1, a0, a1));
    }

    // What the sound server plays, from here on (tools/audio-check record).
    if (!StartUnixProgram(E2E_AUDIO_CHECK, {L"record", UnixArg(raw), L"--max", L"400"}) ||
        !WaitUntil([&] { return Samples(raw) > 0; }, 20s))
        return Fail("no recording");

    // Only the talking clock may sound: no hourly chime, no signal of a download.
    const wchar_t* key = L"Software\\VB and VBA Program Settings\\ravek\\setting";
    for (const wchar_t* name : {L"justime", L"ppdir"})
        RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_SZ, name[0] == L'j' ? L"0" : L"1", 4);
    const fs::path box = FreshDir(L"晴窗 画匣");
    if (!CopyFileW((TestDir() / L"qingchuang.exe").c_str(), (box / L"qingchuang.exe").c_str(), FALSE))
        return Fail("cannot copy the program");
    const std::int64_t before = MinuteNow();
    Process app(box / L"qingchuang.exe");
    const HWND window = FindTopWindow(app.Pid(), APP_WINDOW_CLASS);
    if (!window) return Fail("the program shows no window");
    // Start-up is done once the program waits for input.
    WaitForInputIdle(app.Handle(), 15000);
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored))
        return Fail("the program does not answer");
    const std::int64_t after = MinuteNow();

    // The baseline while the talking clock's minute rule runs its course.
    std::vector<std::wstring> args = {L"--report", UnixArg(work / L"report.txt"), UnixArg(raw), L"--pieces",
                                      UnixArg(work)};
    for (int i = 0; i < pairs; ++i) {
        const std::int64_t at = Samples(raw);
        Process pair(TestDir() / L"speech_gap_bench.exe",
                     {L"--pair", (work / L"TONE_A.wav").wstring(), (work / L"TONE_B.wav").wstring()});
        if (!pair.WaitExit(30s) || pair.ExitCode() != 0u) return Fail("the minimal program failed");
        args.insert(args.end(), {L"--seq", L"platform@" + std::to_wstring(at) + L"=TONE_A,TONE_B"});
        Pump(300ms);
    }

    Tray tray;
    if (!WaitUntil([&] { return tray.Icons() > 0; })) return Fail("no tray icon");
    WaitForMinute(std::max(before, after) + 2);
    const LocalTime clicked = Now();
    const std::int64_t at = Samples(raw);
    tray.Click();
    std::wstring names;
    for (const auto& piece : ComposeSpeech(clicked))
        names += (names.empty() ? L"" : L",") + std::wstring(piece.begin(), piece.end());
    // Done speaking once the program answers again; it begins within 3 s.
    Pump(3s);
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
    Pump(700ms);
    WriteFile(raw.wstring() + L".stop", "stop\n");
    const fs::path done = raw.wstring() + L".done";
    if (!WaitUntil([&] { return fs::exists(done); }, 10s) || !ReadFile(done).starts_with("ok"))
        return Fail("the recording did not end cleanly");
    PostMessageW(window, WM_COMMAND, ID_MNWALL_0 + 10, 0);
    app.WaitExit(10s);

    args.insert(args.end(), {L"--seq", L"announcement@" + std::to_wstring(at) + L"=" + names, L"--baseline",
                             L"platform"});
    if (!StartUnixProgram(E2E_GAPS, args) ||
        !WaitUntil([&] { return fs::exists(work / L"report.txt"); }, 60s, 100ms))
        return Fail("no report from bench/speech_gaps");
    const std::string report = ReadFile(work / L"report.txt");
    std::printf("gaps between sounds, from one recording of the sound server at 22050 Hz\n");
    std::printf(
        "  platform: %d pairs of sweeps, each pair played by a new process with two sndPlaySoundW calls\n",
        pairs);
    std::printf("  announcement: the %s spoken by the program after a tray click\n",
                Narrow(SpeechText(clicked)).c_str());
    std::fputs(report.substr(0, report.rfind("exit ")).c_str(), stdout);
    return report.ends_with("exit 0\n") ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wstring(argv[1]) == L"--pair") return PlayPair(argv[2], argv[3]);
    const int pairs = argc > 1 ? _wtoi(argv[1]) : 5;
    if (pairs < 1 || pairs > 50) return Fail("pairs: 1 to 50");
    try {
        return Run(pairs);
    } catch (const std::exception& e) {
        return Fail("stopped", e.what());
    }
}
