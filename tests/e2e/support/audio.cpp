#include "support/audio.h"

#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <system_error>

#include "base/local_time.h"

namespace e2e {

namespace fs = std::filesystem;

namespace {

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutId(std::vector<std::uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(id[i]));
}

std::wstring Upper(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = static_cast<wchar_t>(towupper(c));
    return out;
}

// A resource name as the resource functions take it: a string, or #id.
std::wstring ResourceName(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring GetEnv(const wchar_t* name) {
    const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD got = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return value;
}

}  // namespace

// ---- sound images ------------------------------------------------------------

double WavImage::Seconds() const {
    return byte_rate ? static_cast<double>(data.size()) / static_cast<double>(byte_rate) : 0.0;
}

double WavImage::Peak() const {
    double peak = 0;
    if (bits == 8) {
        for (std::uint8_t b : data) peak = std::max(peak, std::abs(b - 128.0) / 128.0);
    } else if (bits == 16) {
        for (std::size_t i = 0; i + 1 < data.size(); i += 2)
            peak = std::max(peak, std::abs(static_cast<std::int16_t>(Le16(data, i)) / 32768.0));
    }
    return peak;
}

std::optional<WavImage> ReadWav(std::span<const std::uint8_t> image) {
    if (image.size() < 12 || std::memcmp(image.data(), "RIFF", 4) != 0 ||
        std::memcmp(image.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    const std::uint64_t end = std::uint64_t{Le32(image, 4)} + 8;
    if (end > image.size()) return std::nullopt;
    WavImage w;
    bool have_format = false, have_data = false;
    for (std::uint64_t pos = 12; pos + 8 <= end;) {
        const std::uint32_t size = Le32(image, pos + 4);
        const std::uint64_t body = pos + 8;
        if (body + size > end) return std::nullopt;
        if (std::memcmp(image.data() + pos, "fmt ", 4) == 0 && size >= 16) {
            w.format_tag = Le16(image, body);
            w.channels = Le16(image, body + 2);
            w.rate = Le32(image, body + 4);
            w.byte_rate = Le32(image, body + 8);
            w.block_align = Le16(image, body + 12);
            w.bits = Le16(image, body + 14);
            have_format = true;
        } else if (std::memcmp(image.data() + pos, "data", 4) == 0) {
            w.data = image.subspan(body, size);
            have_data = true;
        }
        pos = body + size + (size & 1);
    }
    if (!have_format || !have_data) return std::nullopt;
    return w;
}

std::vector<std::uint8_t> SweepWav(std::uint32_t rate, double seconds, double f0, double f1, double a0,
                                   double a1) {
    const auto n = static_cast<std::uint32_t>(seconds * rate);
    const double fade = 0.005 * rate;
    std::vector<std::uint8_t> out;
    PutId(out, "RIFF");
    Put32(out, 36 + n + (n & 1));
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, rate);
    Put32(out, rate);
    Put16(out, 1);
    Put16(out, 8);
    PutId(out, "data");
    Put32(out, n);
    double phase = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
        const double f = f0 + (f1 - f0) * i / n;
        phase += 2 * std::numbers::pi * f / rate;
        const double level = (a0 + (a1 - a0) * i / n) * std::min({1.0, i / fade, (n - i) / fade});
        out.push_back(static_cast<std::uint8_t>(
            std::clamp(std::lround(128 + 127 * level * std::sin(phase)), 0L, 255L)));
    }
    if (n & 1) out.push_back(128);
    return out;
}

ResourceFile::ResourceFile(const fs::path& file)
    : module_(
          LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

ResourceFile::~ResourceFile() {
    if (module_) FreeLibrary(module_);
}

std::span<const std::uint8_t> ResourceFile::Find(std::wstring_view name, std::wstring_view type) const {
    if (!module_) return {};
    const std::wstring n(name), t(type);
    return Locked(FindResourceW(module_, n.c_str(), t.c_str()));
}

std::span<const std::uint8_t> ResourceFile::Find(std::wstring_view name, std::wstring_view type,
                                                 LANGID language) const {
    if (!module_) return {};
    const std::wstring n(name), t(type);
    return Locked(FindResourceExW(module_, t.c_str(), n.c_str(), language));
}

std::span<const std::uint8_t> ResourceFile::Locked(HRSRC res) const {
    if (!res) return {};
    HGLOBAL data = LoadResource(module_, res);
    const DWORD size = SizeofResource(module_, res);
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

std::vector<std::wstring> ResourceFile::Names(std::wstring_view type) const {
    std::vector<std::wstring> names;
    if (!module_) return names;
    const std::wstring t(type);
    EnumResourceNamesW(
        module_, t.c_str(),
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) -> BOOL CALLBACK {
            reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(ResourceName(name));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    return names;
}

std::vector<LANGID> ResourceFile::Languages(std::wstring_view name, std::wstring_view type) const {
    std::vector<LANGID> languages;
    if (!module_) return languages;
    const std::wstring n = Upper(name), t(type);
    EnumResourceLanguagesW(
        module_, t.c_str(), n.c_str(),
        [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR out) -> BOOL CALLBACK {
            reinterpret_cast<std::vector<LANGID>*>(out)->push_back(language);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// ---- playback ----------------------------------------------------------------

bool HaveAudioDevice() { return waveOutGetNumDevs() > 0; }

PlayResult PlaySync(std::span<const std::uint8_t> image) {
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    const BOOL ok = sndPlaySoundW(reinterpret_cast<LPCWSTR>(image.data()), SND_NODEFAULT | SND_MEMORY);
    QueryPerformanceCounter(&t1);
    return {ok != FALSE, static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart)};
}

// ---- the wall clock ------------------------------------------------------------

std::int64_t MinuteNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MinuteSerial(MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
}

void WaitForMinute(std::int64_t minute, Millis margin) {
    while (MinuteNow() < minute) Pump(20ms);
    Pump(margin);
}

// ---- the Unix side ---------------------------------------------------------------

std::optional<std::string> UnixPath(const fs::path& path) {
    using Fn = char*(CDECL*)(LPCWSTR);
    static const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return std::nullopt;
    char* unix_path = fn(fs::absolute(path).c_str());
    if (!unix_path) return std::nullopt;
    std::string out(unix_path);
    HeapFree(GetProcessHeap(), 0, unix_path);
    return out;
}

fs::path DosPath(const std::string& unix_path) {
    using Fn = WCHAR*(CDECL*)(LPCSTR);
    static const auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (!fn) return {};
    WCHAR* dos = fn(unix_path.c_str());
    if (!dos) return {};
    fs::path out(dos);
    HeapFree(GetProcessHeap(), 0, dos);
    return out;
}

std::wstring UnixArg(const fs::path& path) {
    const auto unix_path = UnixPath(path);
    return unix_path ? Widen(*unix_path) : path.wstring();
}

bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args) {
    const fs::path exe = DosPath(unix_exe);
    if (exe.empty()) return false;
    std::wstring cmd = QuoteArg(exe.wstring());
    for (const auto& a : args) cmd += L" " + QuoteArg(a);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    // Wine runs a file that is no Windows program as a Unix one and hands back
    // no handles for it.
    const BOOL ok =
        CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return ok != FALSE;
}

std::string AudioCheckTool(const char* built_in) {
    const std::wstring from_env = GetEnv(L"E2E_AUDIO_CHECK");
    return from_env.empty() ? std::string(built_in ? built_in : "") : Narrow(from_env);
}

Recorder::Recorder(std::string tool, const fs::path& folder, int rate)
    : raw_(folder / L"recording.raw"),
      ready_(folder / L"recording.ready"),
      stop_(folder / L"recording.stop"),
      done_(folder / L"recording.raw.done"),
      rate_(rate) {
    started_ = StartUnixProgram(tool, {L"record", UnixArg(raw_), L"--rate", std::to_wstring(rate), L"--ready",
                                       UnixArg(ready_), L"--stop", UnixArg(stop_), L"--max", L"400"});
}

Recorder::~Recorder() { Stop(); }

bool Recorder::WaitStarted(Millis timeout) {
    if (!started_) return false;
    return WaitUntil([&] { return fs::exists(ready_) || fs::exists(done_); }, timeout) &&
           fs::exists(ready_) && !fs::exists(done_);
}

std::int64_t Recorder::Position() const {
    std::error_code ec;
    const auto size = fs::file_size(raw_, ec);
    return ec ? 0 : static_cast<std::int64_t>(size / 2);
}

bool Recorder::Stop(Millis timeout) {
    if (!started_) return false;
    if (!stopped_) {
        stopped_ = true;
        std::ofstream(stop_) << "stop\n";
    }
    return WaitUntil([&] { return fs::exists(done_); }, timeout) && ReadText(done_).starts_with("ok");
}

std::string Recorder::Status() const {
    if (!started_) return "the recorder could not be started";
    if (fs::exists(done_)) return ReadText(done_);
    const std::string log = ReadText(raw_.wstring() + L".log");
    return log.empty() ? "no word from the recorder" : log;
}

CheckResult RunAudioCheck(const std::string& tool, const fs::path& folder,
                          const std::vector<std::wstring>& args, Millis timeout) {
    static std::atomic<int> counter = 0;
    const fs::path report = folder / (L"report-" + std::to_wstring(++counter) + L".txt");
    std::vector<std::wstring> all = {L"--report", UnixArg(report)};
    all.insert(all.end(), args.begin(), args.end());
    CheckResult result;
    if (!StartUnixProgram(tool, all)) {
        result.report = "cannot start " + tool;
        return result;
    }
    // The report appears complete, renamed into place, with "exit N" last.
    result.finished = WaitUntil([&] { return fs::exists(report); }, timeout, 100ms);
    if (!result.finished) {
        result.report = "no report from " + tool + " within " + std::to_string(timeout.count() / 1000) + " s";
        return result;
    }
    result.report = ReadText(report);
    const auto last = result.report.rfind("exit ");
    if (last != std::string::npos) {
        result.exit_code = std::atoi(result.report.c_str() + last + 5);
        result.report.erase(last);
    }
    return result;
}

}  // namespace e2e
