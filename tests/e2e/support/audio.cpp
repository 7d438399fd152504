#include "support/audio.h"

#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/local_time.h"

namespace e2e {

namespace {

std::uint32_t Le(std::span<const std::uint8_t> b, size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
    return v;
}

std::string ReadText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Wine runs a file that is no Windows program as a Unix one; it hands back no
// handle for it, so its end is not observable.
bool StartUnixProgram(const std::string& unix_exe, const std::vector<std::wstring>& args) {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    static const auto to_dos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    WCHAR* exe = to_dos ? to_dos(unix_exe.c_str()) : nullptr;
    if (!exe) return false;
    std::wstring command = QuoteArg(exe);
    HeapFree(GetProcessHeap(), 0, exe);
    for (const auto& a : args) command += L" " + QuoteArg(a);
    // Its standard streams on NUL: nothing of it gets mixed into the test's output.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {sizeof startup};
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    const bool ok = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    return ok;
}

}  // namespace

std::optional<WavImage> ReadWav(std::span<const std::uint8_t> image) {
    if (image.size() < 12 || std::memcmp(image.data(), "RIFF", 4) || std::memcmp(image.data() + 8, "WAVE", 4))
        return std::nullopt;
    const std::uint64_t end = std::uint64_t{Le(image, 4, 4)} + 8;
    if (end > image.size()) return std::nullopt;
    WavImage w;
    bool have_format = false, have_data = false;
    for (std::uint64_t pos = 12, size = 0; pos + 8 <= end; pos += 8 + size + (size & 1)) {
        size = Le(image, pos + 4, 4);
        if (pos + 8 + size > end) return std::nullopt;
        if (!std::memcmp(image.data() + pos, "fmt ", 4) && size >= 16) {
            w.format_tag = Le(image, pos + 8, 2);
            w.channels = Le(image, pos + 10, 2);
            w.rate = Le(image, pos + 12, 4);
            w.byte_rate = Le(image, pos + 16, 4);
            w.block_align = Le(image, pos + 20, 2);
            w.bits = Le(image, pos + 22, 2);
            have_format = true;
        } else if (!std::memcmp(image.data() + pos, "data", 4)) {
            w.data = image.subspan(pos + 8, size);
            have_data = true;
        }
    }
    if (!have_format || !have_data) return std::nullopt;
    return w;
}

std::span<const std::uint8_t> Resource(HMODULE file, std::wstring_view name, std::wstring_view type) {
    const HRSRC found = FindResourceW(file, std::wstring(name).c_str(), std::wstring(type).c_str());
    const HGLOBAL data = found ? LoadResource(file, found) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(file, found)};
}

std::vector<std::wstring> ResourceNames(HMODULE file, std::wstring_view type) {
    std::vector<std::wstring> names;
    EnumResourceNamesW(
        file, std::wstring(type).c_str(),
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR out) -> BOOL CALLBACK {
            reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(IS_INTRESOURCE(name) ? L"#" : name);
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names));
    return names;
}

bool HaveAudioDevice() { return waveOutGetNumDevs() > 0; }

bool RunningUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

std::int64_t MinuteNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return MinuteSerial(MakeTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond));
}

void WaitForMinute(std::int64_t minute, Millis margin) {
    while (MinuteNow() < minute) Pump(20ms);
    Pump(margin);
}

std::wstring UnixArg(const fs::path& path) {
    using ToUnix = char*(CDECL*)(LPCWSTR);
    static const auto to_unix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix_path = to_unix ? to_unix(fs::absolute(path).c_str()) : nullptr;
    if (!unix_path) return path.wstring();
    const std::wstring out = Widen(unix_path);
    HeapFree(GetProcessHeap(), 0, unix_path);
    return out;
}

std::string AudioCheckTool(const char* built_in) {
    const char* from_env = std::getenv("E2E_AUDIO_CHECK");
    return from_env && *from_env ? from_env : built_in ? built_in : "";
}

Recorder::Recorder(std::string tool, const fs::path& folder) : raw_(folder / L"recording.raw") {
    started_ = StartUnixProgram(tool, {L"record", UnixArg(raw_), L"--rate", std::to_wstring(kRate), L"--ready",
                                       UnixArg(folder / L"recording.ready"), L"--stop",
                                       UnixArg(folder / L"recording.stop"), L"--max", L"400"});
}

bool Recorder::WaitStarted(Millis timeout) {
    const fs::path ready = raw_.parent_path() / L"recording.ready", done = raw_.wstring() + L".done";
    return started_ && WaitUntil([&] { return fs::exists(ready) || fs::exists(done); }, timeout) &&
           !fs::exists(done);
}

std::int64_t Recorder::Position() const {
    std::error_code ec;
    const auto size = fs::file_size(raw_, ec);
    return ec ? 0 : static_cast<std::int64_t>(size / 2);
}

bool Recorder::Stop(Millis timeout) {
    if (!started_) return false;
    if (!stopped_) std::ofstream(raw_.parent_path() / L"recording.stop") << "stop\n";
    stopped_ = true;
    const fs::path done = raw_.wstring() + L".done";
    return WaitUntil([&] { return fs::exists(done); }, timeout) && ReadText(done).starts_with("ok");
}

std::string Recorder::Status() const {
    if (!started_) return "the recorder could not be started";
    if (fs::exists(raw_.wstring() + L".done")) return ReadText(raw_.wstring() + L".done");
    const std::string log = ReadText(raw_.wstring() + L".log");
    return log.empty() ? "no word from the recorder" : log;
}

CheckResult RunAudioCheck(const std::string& tool, const fs::path& folder, const std::vector<std::wstring>& args,
                          Millis timeout) {
    static int counter = 0;
    const fs::path report = folder / (L"report-" + std::to_wstring(++counter) + L".txt");
    std::vector<std::wstring> all = {L"--report", UnixArg(report)};
    all.insert(all.end(), args.begin(), args.end());
    CheckResult result;
    if (!StartUnixProgram(tool, all)) {
        result.report = "cannot start " + tool;
        return result;
    }
    // The report appears whole, with "exit N" last.
    result.finished = WaitUntil([&] { return fs::exists(report); }, timeout, 100ms);
    result.report = result.finished ? ReadText(report) : "no report from " + tool;
    const auto last = result.report.rfind("exit ");
    if (last != std::string::npos) {
        result.exit_code = std::atoi(result.report.c_str() + last + 5);
        result.report.erase(last);
    }
    return result;
}

}  // namespace e2e
