#pragma once

// The program started from a fresh folder whose name has Chinese characters
// and a blank, and ended (or killed) when the test is done; its settings, what
// it plays and pictures for it to show.

#include <gtest/gtest.h>

#include <map>

#include "app/control_ids.h"
#include "support/driver.h"
#include "wallpaper/bitmap_file.h"
// wininet.h cannot stand beside winhttp.h, which the long run uses.
extern "C" __declspec(dllimport) BOOL WINAPI InternetGetConnectedStateExW(LPDWORD, LPWSTR, DWORD, DWORD);

namespace e2e {

inline int Check(int i) { return ID_CHECK1_0 + i; }
inline int Text1(int i) { return ID_TEXT1_0 + i; }
inline constexpr int kSettingsItem = ID_MNWALL_0, kKeepItem = ID_MNWALL_0 + 2, kQuitItem = ID_MNWALL_0 + 10;
inline const fs::path kBuilt = TestDir() / L"qingchuang.exe";

class Product {
public:
    Product() { CopyFileW(kBuilt.c_str(), Exe().c_str(), FALSE); }
    ~Product() {
        if (process_ && process_->Running()) Quit();
    }
    fs::path Dir() const { return dir_; }
    fs::path Exe() const { return dir_ / L"qingchuang.exe"; }
    fs::path Write(const std::wstring& name, std::string_view bytes) const {
        return WriteFile(dir_ / name, bytes);
    }
    Process& Proc() { return *process_; }
    HWND Window() const { return window_; }
    HWND Ctl(int id) const { return GetDlgItem(window_, id); }
    bool Answers(Millis timeout = 10s) const {
        DWORD_PTR r = 0;
        return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, UINT(timeout.count()), &r);
    }
    bool Command(int id) const { return PostMessageW(window_, WM_COMMAND, id, 0); }

    // Start-up is over once the window answers again: it lets go of the
    // window only when done, and the steps after the icon take milliseconds.
    void Start() {
        process_.emplace(Exe());
        window_ = FindTopWindow(process_->Pid(), APP_WINDOW_CLASS);
        ASSERT_NE(window_, nullptr) << "no main window";
        WaitForInputIdle(process_->Handle(), 15000);
        ASSERT_TRUE(Answers()) << "the window hangs";
        Pump(300ms);
    }
    // The settings command of the menu; the window is ready once the first tick has filled the calendar.
    void OpenPanel() {
        ASSERT_TRUE(Command(kSettingsItem));
        ASSERT_TRUE(WaitUntil([&] {
            const std::wstring month = Text(Ctl(ID_LABDAY_0));
            return IsWindowVisible(window_) && !month.empty() && month != L"2007年12月";
        })) << "the settings window did not open";
    }
    void Quit() {
        Command(kQuitItem);
        EXPECT_TRUE(process_->WaitExit(10s)) << "the program did not end after quit";
    }
    // Waits for the program's message box with this title and presses the
    // button as a click would (the dialog hears of it by WM_COMMAND); the
    // box's message.
    std::wstring AnswerBox(int button, const std::wstring& title = L"提示", Millis timeout = kTimeout) {
        HWND box = nullptr;
        if (!WaitUntil(
                [&] { return Text(box = FindTopWindow(process_->Pid(), L"#32770", true, 0ms)) == title; },
                timeout))
            return L"(no message box titled " + title + L")";
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(GetDlgItem(box, button)));
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5s)) << "the box stays";
        return text;
    }

private:
    fs::path dir_ = FreshDir(L"晴窗 画匣");
    std::optional<Process> process_;
    HWND window_ = nullptr;
};

// The settings store.
inline const std::wstring kAppKey = L"Software\\VB and VBA Program Settings\\ravek",
                          kKey = kAppKey + L"\\setting";
inline bool WriteSetting(const std::wstring& name, DWORD type, const void* data, DWORD size) {
    return !RegSetKeyValueW(HKEY_CURRENT_USER, kKey.c_str(), name.c_str(), type, data, size);
}
inline bool WriteSetting(const std::wstring& name, const std::wstring& text) {
    return WriteSetting(name, REG_SZ, text.c_str(), DWORD((text.size() + 1) * sizeof(wchar_t)));
}
// Every value by name but the list server the tests give the program: its type and, for REG_SZ, the text.
inline std::map<std::wstring, std::pair<DWORD, std::wstring>> ProgramSettings() {
    std::map<std::wstring, std::pair<DWORD, std::wstring>> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey.c_str(), 0, KEY_QUERY_VALUE, &key)) return values;
    std::vector<wchar_t> name(16384), data(1 << 21);
    for (DWORD i = 0, name_size, data_size, type; name_size = 16384, data_size = 1 << 22,
               !RegEnumValueW(key, i, name.data(), &name_size, 0, &type, LPBYTE(data.data()), &data_size);
         ++i) {
        std::wstring text(data.data(), type == REG_SZ ? data_size / sizeof(wchar_t) : 0);
        while (!text.empty() && text.back() == L'\0') text.pop_back();
        values[std::wstring(name.data(), name_size)] = {type, text};
    }
    RegCloseKey(key);
    values.erase(L"listhost");
    return values;
}

// tools/fault-server on 127.0.0.1, serving the files of its folder; over TLS
// with a certificate of tests/e2e/certs, named.
struct Server {
    fs::path dir = FreshDir(L"server", true);
    std::wstring base, cert;
    explicit Server(const std::wstring& tls = L"")
        : cert(tls.empty() ? L"" : E2E_CERTS L"/" + tls + L".pem") {
        Start();
    }
    ~Server() { WriteFile(dir / L"stop", "stop"); }
    // Started, again on the port it had; true once it listens.
    bool Start() {
        fs::remove(dir / L"stop");
        StartUnixProgram(E2E_FAULT_SERVER, {UnixArg(dir), base.empty() ? L"0" : base.substr(10), cert});
        const bool up = WaitUntil([&] { return fs::exists(dir / L"port"); }, 20s);
        base = L"127.0.0.1:" + std::to_wstring(std::stoi("0" + ReadFile(dir / L"port")));
        return up;
    }
    bool Stop() {
        WriteFile(dir / L"stop", "stop");
        return WaitUntil([&] { return !fs::exists(dir / L"port"); });
    }
    // The paths asked for, one a line.
    std::string Log() const { return ReadFile(dir / L"requests.log"); }
    bool Asked(const std::string& path) const {
        return ("\n" + Log()).find("\n" + path + "\n") != std::string::npos;
    }
};

// Each test starts from an empty settings store. Online,
// the program asks its list server: here one that refuses at once, so that no
// test reaches beyond this machine.
class ProductTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppKey.c_str());
        ASSERT_TRUE(WriteSetting(L"listhost", L"127.0.0.1:1"));
    }
};
// The stories of the online start, which the program takes only with a default route.
class OnlineTest : public ProductTest {
protected:
    void SetUp() override {
        DWORD flags = 0;
        if (!InternetGetConnectedStateExW(&flags, nullptr, 0, 0)) GTEST_SKIP() << "no default route here";
        ProductTest::SetUp();
    }
};

// A recording of the program, as it holds it.
inline std::string Recording(const std::wstring& name) {
    const HMODULE m = LoadLibraryExW(kBuilt.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const HRSRC found = FindResourceW(m, name.c_str(), L"WAV");
    const HGLOBAL data = found ? LoadResource(m, found) : nullptr;
    std::string bytes =
        data ? std::string(static_cast<const char*>(LockResource(data)), SizeofResource(m, found)) : "";
    FreeLibrary(m);
    return bytes;
}

// What the sound server plays, recorded from construction on by parec (with a
// short latency: its default lags two seconds) and checked by tools/audio-check,
// a Unix program that reports through files in a folder of ours.
class Listener {
public:
    Listener() {
        started_ =
            StartUnixProgram("/usr/bin/timeout", {L"400", L"/usr/bin/parec", L"--device=@DEFAULT_MONITOR@",
                                                  L"--raw", L"--format=s16le", L"--rate=22050",
                                                  L"--channels=1", L"--latency-msec=20", UnixArg(raw_)}) &&
            WaitUntil([&] { return Position() > 0; }, 20s);
    }
    // Samples so far, 22050 a second: the position of what plays now, give or take some 20 ms.
    std::int64_t Position() const {
        std::error_code ec;
        const auto bytes = fs::file_size(raw_, ec);
        return ec ? 0 : std::int64_t(bytes / 2);
    }
    // Once they have surely ended, "" when these recordings
    // of the program sounded one after another without gap, whole and alone,
    // beginning within `late` after the position `from`; else why not.
    std::string Heard(const std::vector<std::wstring>& names, std::int64_t from, Millis late = 3s) {
        if (!started_) return "nothing was recorded";
        std::wstring joined;
        for (const auto& name : names) {
            WriteFile(dir_ / (name + L".wav"), Recording(name));
            joined += (joined.empty() ? L"" : L" ") + name;
        }
        const fs::path report = dir_ / L"report.txt", kept = TestDir() / L"e2e-artifacts";
        fs::create_directories(kept);
        // The report appears whole, with "exit N" last.
        if (!StartUnixProgram(E2E_AUDIO_CHECK, {UnixArg(raw_), UnixArg(report), UnixArg(dir_), joined,
                                                std::to_wstring(from), std::to_wstring(late.count() / 1000.0),
                                                UnixArg(kept / (L"heard-" + names[0] + L".wav"))}) ||
            !WaitUntil([&] { return fs::exists(report); }, 180s))
            return "no report from audio-check";
        return ReadFile(report).ends_with("exit 0\n") ? "" : ReadFile(report);
    }

private:
    fs::path dir_ = FreshDir(L"声音", true), raw_ = dir_ / L"recording.raw";
    bool started_ = false;
};

// Pictures of one colour, kW x kH, whose rows need no padding.
inline constexpr UINT kW = 320, kH = 240;
static_assert(kW % 4 == 0);
inline std::string SolidBmp(COLORREF c) {
    const auto header = wallpaper::BmpHeader(kW, kH);
    std::string b(header.begin(), header.end());
    for (UINT i = 0; i < kW * kH; ++i) b += {char(GetBValue(c)), char(GetGValue(c)), char(GetRValue(c))};
    return b;
}
// A JPEG, made by libjpeg's cjpeg from the bitmap, once it has written the end of the picture.
inline bool WriteJpeg(const fs::path& path, COLORREF c) {
    const fs::path dir = FreshDir(L"jpeg", true), jpeg = dir / L"out.jpg";
    return StartUnixProgram("/usr/bin/cjpeg",
                            {L"-outfile", UnixArg(jpeg), UnixArg(WriteFile(dir / L"in.bmp", SolidBmp(c)))}) &&
           WaitUntil([&] { return ReadFile(jpeg).ends_with("\xFF\xD9"); }) &&
           CopyFileW(jpeg.c_str(), path.c_str(), FALSE);
}
// Whether the desktop shows the colour (give or take 24 in each channel) in
// its middle, where a centred or stretched wallpaper lies, within `timeout`.
// One pixel: the stories beside this one need the CPU more than a whole screen.
inline bool DesktopShows(COLORREF c, Millis timeout = 5s) {
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
    return WaitUntil(
        [&] {
            const Image image = CaptureScreen({x, y, x + 1, y + 1});
            auto within = [&](int shift) {  // COLORREF is 0xBBGGRR, a pixel 0xRRGGBB
                return std::abs(int(c >> shift & 255) - int(image.At(0, 0) >> (16 - shift) & 255)) <= 24;
            };
            return image.width && within(0) && within(8) && within(16);
        },
        timeout, 200ms);
}

}  // namespace e2e
