#pragma once

// Recording fakes of the platform interfaces for the native unit tests.

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "app/layout.h"
#include "frmmain.h"

constexpr int Check1(int i) { return ID_CHECK1_0 + i; }
constexpr int Text1(int i) { return ID_TEXT1_0 + i; }
constexpr int Labday(int i) { return ID_LABDAY_0 + i; }

// A recording as the program's are made, mono PCM: two silent 16-bit samples.
inline std::vector<std::uint8_t> Silence() {
    static constexpr char b[] =
        "RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x40\x1f\0\0\x80\x3e\0\0\2\0\x10\0data\4\0\0\0\0\0\0\0";
    return {b, b + sizeof b - 1};
}

struct FakeControl {
    int value = 0;
    std::wstring text;
    bool enabled = true;
};

struct MsgBoxCall {
    std::wstring text;
    int style;
    std::wstring title;
};

struct TrayCall {
    int action;
    TrayRecord record;
};

class FakeWindow : public Window {
public:
    std::map<int, FakeControl> controls;
    int focus = 0, tabsPosted = 0, shownWithFocus = 0, popups = 0;
    WindowState state = WindowState::Normal;
    bool visible = false, unloaded = false;
    std::map<Timer, int> timers;  // running timers and their periods
    std::vector<MsgBoxCall> boxes;
    std::vector<TrayCall> tray;
    bool trayShown = false;  // what the shell would show
    bool shellReady = true;  // false: the shell refuses every call, as before Explorer is up
    std::vector<std::wstring> opened;
    // What runs while a box stands open, and while the logic lets other messages run.
    std::function<void()> duringBox, duringEvents;

    int GetValue(int id) const override { return Get(id).value; }
    void SetValue(int id, int v) override { controls[id].value = v; }
    std::wstring GetText(int id) const override { return Get(id).text; }
    void SetText(int id, const std::wstring& t) override { controls[id].text = t; }
    bool IsEnabled(int id) const override { return Get(id).enabled; }
    void SetEnabled(int id, bool e) override { controls[id].enabled = e; }
    void SetBackColor(int, SysColor) override {}
    void SetUnderline(int, bool) override {}
    int GetFocus() const override { return focus; }
    void SetFocus(int id) override { focus = id; }
    void PostTab() override { ++tabsPosted; }
    WindowState GetWindowState() const override { return state; }
    void SetWindowState(WindowState s) override { state = s; }
    void Show(int f) override { visible = true, shownWithFocus = f; }
    void Hide() override { visible = false; }
    void ScreenSize(int& w, int& h) const override { w = 1024, h = 768; }
    void WindowSize(int& w, int& h) const override { w = 360, h = 250; }
    void MoveTo(int, int) override {}
    void Unload() override { unloaded = true; }
    void SetTimer(Timer t, int period) override { timers[t] = period; }
    void KillTimer(Timer t) override { timers.erase(t); }
    void DoEvents() override {
        if (duringEvents) duringEvents();
    }
    int MsgBox(const std::wstring& text, int style, const std::wstring& title) override {
        boxes.push_back({text, style, title});
        if (duringBox) duringBox();
        return mb::kAnswerOk;
    }
    bool NotifyIcon(int action, const TrayRecord& r) override {
        tray.push_back({action, r});
        if (!shellReady || (action == tray_action::kAdd) == trayShown) return false;
        trayShown = action != tray_action::kDelete;
        return true;
    }
    void PopupMenu() override { ++popups; }
    void ShellOpen(const std::wstring& target) override { opened.push_back(target); }
    // How many balloons showed this text.
    int Balloons(const std::wstring& text) const {
        return static_cast<int>(
            std::ranges::count(tray, text, [](const TrayCall& c) { return c.record.szInfo; }));
    }

private:
    const FakeControl& Get(int id) const {
        static const FakeControl none;
        auto it = controls.find(id);
        return it == controls.end() ? none : it->second;
    }
};

struct Played {
    std::string name;  // upper-case resource name, or "<image>" for one made by the program
    std::uint32_t flags;
    std::vector<std::uint8_t> image;
};

class FakeSystem : public System {
public:
    LocalTime now = MakeTime(2008, 12, 20, 14, 5, 9);
    std::map<std::wstring, std::wstring> registry;                   // "app\\section\\key" -> value
    std::vector<std::wstring> saves;                                 // keys in write order
    std::set<std::wstring> files, folders, undeletable, unreadable;  // full paths, as given
    std::map<std::wstring, std::string> contents;                    // bytes of files that have them
    std::set<std::wstring> failing;  // calls or setting keys that throw, as a platform error would
    std::vector<std::pair<std::wstring, std::wstring>> copies;
    bool failCopies = false, online = false;
    std::wstring exe = L"C:\\Program Files\\晴窗\\qingchuang.exe";
    int trims = 0;
    std::vector<std::wstring> started;
    std::map<std::wstring, std::wstring> shortNames;        // long path -> 8.3 name
    std::map<std::string, std::vector<std::uint8_t>> wavs;  // upper-case name -> image
    std::vector<Played> played;
    std::vector<std::string> shutdownCalls;

    void MayFail(const std::wstring& what) const {
        if (failing.count(what)) throw std::runtime_error("platform error");
    }
    static std::wstring Key(const std::wstring& a, const std::wstring& s, const std::wstring& k) {
        return a + L"\\" + s + L"\\" + k;
    }
    LocalTime Now() const override { return now; }
    std::wstring FormatTimeOfDay(const LocalTime& t) const override {
        return std::to_wstring(t.hour) + L"时" + std::to_wstring(t.minute) + L"分" +
               std::to_wstring(t.second);
    }
    std::optional<std::wstring> GetSetting(const std::wstring& a, const std::wstring& s,
                                           const std::wstring& k) const override {
        MayFail(k);
        auto it = registry.find(Key(a, s, k));
        return it == registry.end() ? std::nullopt : std::optional(it->second);
    }
    bool SaveSetting(const std::wstring& a, const std::wstring& s, const std::wstring& k,
                     const std::wstring& v) override {
        registry[Key(a, s, k)] = v;
        saves.push_back(k);
        return true;
    }
    bool FileExists(const std::wstring& p) const override { return files.count(p) != 0; }
    bool PathExists(const std::wstring& p) const override { return files.count(p) || folders.count(p); }
    bool RemoveFile(const std::wstring& p) override { return !undeletable.count(p) && files.erase(p) != 0; }
    bool CreateFolder(const std::wstring& p) override { return !PathExists(p) && folders.insert(p).second; }
    bool CopyFileTo(const std::wstring& from, const std::wstring& to) override {
        copies.push_back({from, to});
        return !failCopies && files.count(from) && !PathExists(to) && files.insert(to).second;
    }
    bool MoveReplace(const std::wstring& from, const std::wstring& to) override {
        if (!files.erase(from)) return false;
        files.insert(to);
        contents[to] = contents[from];
        contents.erase(from);
        return true;
    }
    std::optional<std::string> ReadFile(const std::wstring& p, std::uint64_t limit) const override {
        auto it = contents.find(p);
        if (!files.count(p) || unreadable.count(p) || it == contents.end() || it->second.size() > limit)
            return std::nullopt;
        return it->second;
    }
    // Bytes as Latin-1: each byte one character.
    std::wstring FromAnsi(std::string_view b) const override {
        return std::wstring(reinterpret_cast<const unsigned char*>(b.data()),
                            reinterpret_cast<const unsigned char*>(b.data() + b.size()));
    }
    // No document is whole here: the feeds' rules are tried on documents built by hand.
    std::optional<XmlDocument> ParseXml(std::string_view, const XmlLimits&) const override { return {}; }
    bool Online() const override {
        MayFail(L"Online");
        return online;
    }
    std::optional<int> PlatformId() const override { return 2; }
    void GetShutdownPrivilege() override { shutdownCalls.push_back("privilege"); }
    bool RequestShutdown(unsigned flags) override {
        shutdownCalls.push_back("exit " + std::to_string(flags));
        return true;
    }
    bool AnotherInstanceRunning() override { return false; }
    std::wstring WindowsDirectory() const override {
        MayFail(L"WindowsDirectory");
        return L"C:\\windows";
    }
    std::wstring ExecutablePath() const override { return exe; }
    void TrimWorkingSet() override { ++trims; }
    std::wstring AnsiSafePath(const std::wstring& p) const override {
        auto it = shortNames.find(p);
        return it == shortNames.end() ? p : it->second;
    }
    bool StartProcess(const std::wstring& cmd) override {
        started.push_back(cmd);
        return true;
    }
    std::span<const std::uint8_t> FindWav(std::string_view name) const override {
        std::string up(name);
        for (auto& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto it = wavs.find(up);
        return it == wavs.end() ? std::span<const std::uint8_t>() : it->second;
    }
    // Named by the resource it is, when it is one.
    void PlayImage(std::span<const std::uint8_t> image, std::uint32_t flags) override {
        std::string name = "<image>";
        for (auto& [n, img] : wavs)
            if (img.data() == image.data() && img.size() == image.size()) name = n;
        played.push_back({name, flags, {image.begin(), image.end()}});
    }
};

// The desktop: which bitmap it shows, what the registry holds, the files
// of the picture folder and which of them decode.
class FakeDesktop : public Desktop {
public:
    std::vector<std::wstring> applied;  // every SetDeskWallpaper, "" for clearing
    std::map<std::wstring, std::wstring> values;
    std::set<std::wstring> ordinary;                        // ordinary files, full paths
    std::map<std::wstring, std::wstring> bitmapOf;          // bitmap path -> the picture it was made from
    std::set<std::wstring> undecodable, refused, uncopied;  // pictures not decoded, refused, not copied
    std::vector<std::wstring> folder;                       // names in the picture folder, in listing order
    std::wstring shown;                                     // the wallpaper's path
    int state = 1;  // the shell's notification state: nothing in front

    bool SetDeskWallpaper(const std::wstring& path) override {
        applied.push_back(path);
        if (!path.empty() && refused.count(bitmapOf[path])) return false;
        shown = path;
        return true;
    }
    std::wstring DeskWallpaper() const override { return shown; }
    bool SetRegString(const std::wstring& key, const std::wstring& name, const std::wstring& data) override {
        values[key + L"\\" + name] = data;
        return true;
    }
    bool IsOrdinaryFile(const std::wstring& path) const override { return ordinary.count(path) != 0; }
    bool CanWrite(const std::wstring&) const override { return true; }
    bool ConvertToBitmap(const std::wstring& picture, const std::wstring& dst) override {
        if (!ordinary.count(picture) || undecodable.count(picture)) return false;
        ordinary.insert(dst);
        bitmapOf[dst] = picture;
        return true;
    }
    bool CopyBitmap(const std::wstring& bitmap, const std::wstring& dst) override {
        return !uncopied.count(bitmap) && ConvertToBitmap(bitmap, dst);
    }
    std::vector<std::wstring> ListFiles(const std::wstring&) const override { return folder; }
    int NotificationState() const override { return state; }
};

// A web that answers from a map of addresses to bodies, into the fake
// system's files; everything else fails.
class FakeTransfer : public Transfer {
public:
    explicit FakeTransfer(FakeSystem& sys) : sys_(sys) {}
    std::map<std::wstring, std::string> served;
    std::vector<std::wstring> requested, temps;
    std::function<void()> during;               // what runs while the transfer waits
    std::function<void(TransferFacts&)> spoil;  // what then befalls the answer
    TransferFacts Run(const std::wstring& url, const std::wstring& temp, std::uint64_t,
                      const std::function<bool(const std::wstring&)>&,
                      const std::function<void(const TransferReport&)>& report) override {
        requested.push_back(url), temps.push_back(temp);
        TransferFacts f;
        f.started = true;
        if (during) during();
        auto it = served.find(url);
        f.failed = it == served.end();
        if (!f.failed) {
            f.httpStatus = 200;
            f.received = f.length.emplace(it->second.size());
            f.head.assign(it->second.begin(),
                          it->second.begin() + std::min<std::size_t>(16, it->second.size()));
            sys_.files.insert(temp);
            sys_.contents[temp] = it->second;
            report({f.received, f.received, 3, L""});
        }
        if (spoil) spoil(f);
        return f;
    }
    void Abort() override {}

private:
    FakeSystem& sys_;
};

// The program on recording fakes, its window in its design state (texts,
// checked, disabled), as the real window has it when Form_Load runs.
struct FakeApp {
    FakeWindow ui;
    FakeSystem sys;
    FakeDesktop desk;
    FakeTransfer web{sys};
    Frmmain frm{ui, sys, desk, web};
    FakeApp() {
        for (const ControlSpec& c : Controls()) ui.controls[c.id] = {c.checked ? 1 : 0, c.text, !c.disabled};
    }
    void Store(const std::wstring& key, const std::wstring& value) {
        sys.registry[FakeSystem::Key(L"ravek", L"setting", key)] = value;
    }
};
