// Self-test of the end-to-end harness: the Wine prefix (desktop, tray, fonts)
// and the driver library, without the product. The program starts a copy of
// itself with --harness-child as the program under test, so every call goes
// across processes as it does with the product.

// clang-format off
// The Windows headers need windows.h (from driver.h) before them.
#include "support/driver.h"
#include <mmsystem.h>
#include <shellapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

using namespace e2e;
namespace fs = std::filesystem;

namespace child {

constexpr wchar_t kClass[] = L"E2eHarnessWindow";
constexpr wchar_t kSwitch[] = L"--harness-child";
constexpr int kEdit = 101;
constexpr int kShow = 102;
constexpr int kCheck = 103;
constexpr int kResult = 104;
constexpr int kDisabled = 105;
constexpr int kHidden = 106;
constexpr int kWorkDir = 107;
constexpr COLORREF kBackground = RGB(0x20, 0x80, 0xC0);
constexpr int kExitCode = 7;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case kShow: {
            const std::wstring text = Text(GetDlgItem(hwnd, kEdit));
            const int answer = MessageBoxW(hwnd, text.c_str(), L"提示", MB_OKCANCEL);
            SetDlgItemTextW(hwnd, kResult,
                            answer == IDOK       ? L"IDOK"
                            : answer == IDCANCEL ? L"IDCANCEL"
                                                 : L"?");
            return 0;
        }
        case IDOK:  // Return, through IsDialogMessage
            SetDlgItemTextW(hwnd, kResult, L"enter");
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(kExitCode);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int Run(const wchar_t* title) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(kBackground);
    wc.lpszClassName = kClass;
    if (!RegisterClassExW(&wc)) {
        return 2;
    }
    const HWND hwnd = CreateWindowExW(0, kClass, title, WS_OVERLAPPEDWINDOW, 40, 40, 460, 260, nullptr,
                                      nullptr, instance, nullptr);
    if (!hwnd) {
        return 3;
    }
    const auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, int id, int x, int y, int w) {
        const HWND control = CreateWindowExW(
            cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, text, WS_CHILD | style, x, y, w, 24,
            hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        return control;
    };
    const HWND edit = add(L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kEdit, 10, 10, 260);
    add(L"BUTTON", L"显示", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kShow, 280, 10, 80);
    add(L"BUTTON", L"选项", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, kCheck, 10, 44, 120);
    add(L"STATIC", L"", WS_VISIBLE, kResult, 10, 78, 200);
    add(L"BUTTON", L"禁用", WS_VISIBLE | WS_DISABLED | BS_PUSHBUTTON, kDisabled, 280, 44, 80);
    add(L"STATIC", L"hidden", 0, kHidden, 10, 112, 100);
    wchar_t dir[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, dir);
    add(L"STATIC", dir, WS_VISIBLE, kWorkDir, 10, 146, 420);

    ShowWindow(hwnd, SW_SHOWNORMAL);
    SetFocus(edit);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace child

namespace {

constexpr wchar_t kChinese[] = L"晴窗画匣";

// A title that needs every quoting rule: blanks, quotes, backslashes.
const std::wstring kTitle = L"晴窗 \"画\" 匣\\ 窗口\\";

class ChildWindow : public testing::Test {
protected:
    void SetUp() override {
        const fs::path exe = box_.Copy(ExePath());
        process_ = Process::Start(exe, {child::kSwitch, kTitle}, box_.Dir());
        window_ = FindTopWindow(process_.Pid(), child::kClass);
        ASSERT_NE(window_, nullptr) << "no window of the child process";
        ASSERT_TRUE(WaitUntil([&] { return Visible(window_); }));
        edit_ = WaitControl(window_, child::kEdit);
        ASSERT_NE(edit_, nullptr);
    }

    void TearDown() override {
        if (process_.Running()) {
            Close(window_);
            process_.WaitExit(5s);
        }
    }

    HWND Item(int id) const { return Control(window_, id); }

    Sandbox box_;  // outlives the process that runs from it
    Process process_;
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
};

TEST_F(ChildWindow, StartsWithArgumentsAndWorkingDirectoryIntact) {
    EXPECT_EQ(Text(window_), kTitle);
    EXPECT_EQ(ProcessOf(window_), process_.Pid());
    const std::wstring dir = Text(Item(child::kWorkDir));
    std::error_code ec;
    EXPECT_TRUE(fs::equivalent(fs::path(dir), box_.Dir(), ec)) << Narrow(dir);
    EXPECT_NE(box_.Dir().wstring().find(L"测试 文件夹"), std::wstring::npos);
}

TEST_F(ChildWindow, ChineseTextRoundTripsThroughAnEdit) {
    ASSERT_TRUE(SetText(edit_, kChinese));
    EXPECT_EQ(Text(edit_), kChinese);

    ASSERT_TRUE(SetText(edit_, L""));
    ASSERT_TRUE(SetFocusTo(edit_));
    ASSERT_TRUE(TypeText(edit_, std::wstring(kChinese) + L" ok"));
    EXPECT_TRUE(WaitUntil([&] { return Text(edit_) == std::wstring(kChinese) + L" ok"; }))
        << Narrow(Text(edit_));
}

TEST_F(ChildWindow, ClickTogglesACheckBox) {
    const HWND check = Item(child::kCheck);
    ASSERT_EQ(CheckState(check), BST_UNCHECKED);
    ASSERT_TRUE(Click(check));
    EXPECT_TRUE(WaitUntil([&] { return CheckState(check) == BST_CHECKED; }));
    ASSERT_TRUE(Click(check));
    EXPECT_TRUE(WaitUntil([&] { return CheckState(check) == BST_UNCHECKED; }));
}

TEST_F(ChildWindow, ReportsEnabledVisibleAndMinimized) {
    EXPECT_TRUE(Enabled(Item(child::kShow)));
    EXPECT_FALSE(Enabled(Item(child::kDisabled)));
    EXPECT_FALSE(Visible(Item(child::kHidden)));
    EXPECT_TRUE(Visible(window_));
    EXPECT_FALSE(Minimized(window_));
    const RECT rect = WindowRect(window_);
    EXPECT_EQ(rect.right - rect.left, 460);
    EXPECT_EQ(rect.bottom - rect.top, 260);

    PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return Minimized(window_); }));
    PostMessageW(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !Minimized(window_); }));
}

TEST_F(ChildWindow, KeysMoveFocusAndReachTheWindow) {
    ASSERT_TRUE(SetFocusTo(edit_));
    EXPECT_EQ(FocusOf(window_), edit_);
    ASSERT_TRUE(PressKey(edit_, VK_TAB));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(window_) == Item(child::kShow); }));

    ASSERT_TRUE(SetFocusTo(edit_));
    ASSERT_TRUE(PressKey(edit_, VK_RETURN));
    EXPECT_TRUE(WaitUntil([&] { return Text(Item(child::kResult)) == L"enter"; }))
        << Narrow(Text(Item(child::kResult)));
}

TEST_F(ChildWindow, FindsReadsAndAnswersAMessageBox) {
    ASSERT_TRUE(SetText(edit_, kChinese));
    ASSERT_TRUE(Click(Item(child::kShow)));
    const HWND box = FindMessageBox(process_.Pid(), kTimeout, L"提示");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), kChinese);
    EXPECT_FALSE(PressButton(box, IDYES)) << "a button the box does not have";
    ASSERT_TRUE(PressButton(box, IDCANCEL));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_TRUE(WaitUntil([&] { return Text(Item(child::kResult)) == L"IDCANCEL"; }));

    ASSERT_TRUE(Click(Item(child::kShow)));
    const HWND again = FindMessageBox(process_.Pid());
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(PressButton(again, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return Text(Item(child::kResult)) == L"IDOK"; }));
}

TEST_F(ChildWindow, CloseEndsTheProcessWithItsExitCode) {
    ASSERT_TRUE(Close(window_));
    ASSERT_TRUE(process_.WaitExit());
    EXPECT_EQ(process_.ExitCode(), DWORD{child::kExitCode});
    EXPECT_TRUE(TopWindows(process_.Pid()).empty());
}

TEST_F(ChildWindow, KillEndsTheProcess) {
    process_.Kill(42);
    EXPECT_FALSE(process_.Running());
    EXPECT_EQ(process_.ExitCode(), DWORD{42});
}

// ---- screenshots ------------------------------------------------------------

// Unix path of a Windows path, through Wine's own export.
std::string UnixPath(const fs::path& path) {
    using Fn = char*(CDECL*)(const wchar_t*);
    const auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix_path = fn ? fn(path.c_str()) : nullptr;
    if (!unix_path) {
        return {};
    }
    std::string out = unix_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return out;
}

// Runs a Unix program (Wine starts ELF files too) and returns its output.
std::optional<std::string> RunUnix(const std::wstring& program, const std::vector<std::wstring>& args,
                                   const Sandbox& box) {
    const fs::path out_path = box.Dir() / L"out.txt";
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::wstring command = QuoteArg(program);
    for (const auto& arg : args) {
        command += L' ' + QuoteArg(arg);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION info = {};
    const BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(out);
    if (!started) {
        return std::nullopt;
    }
    WaitForSingleObject(info.hProcess, 30000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    // The Unix child may still flush after Wine saw it end.
    std::string text;
    WaitUntil(
        [&] {
            std::error_code ec;
            if (fs::file_size(out_path, ec) == 0) {
                return false;
            }
            const HANDLE in = CreateFileW(out_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
            if (in == INVALID_HANDLE_VALUE) {
                return false;
            }
            char buffer[4096];
            DWORD n = 0;
            text.clear();
            while (ReadFile(in, buffer, sizeof buffer, &n, nullptr) && n > 0) {
                text.append(buffer, n);
            }
            CloseHandle(in);
            return !text.empty();
        },
        5s);
    return text;
}

TEST_F(ChildWindow, ScreenshotShowsTheWindowAndIsAValidPng) {
    SetForegroundWindow(window_);
    Pump(300ms);
    const auto image = CaptureWindow(window_);
    ASSERT_TRUE(image.has_value());
    const RECT rect = WindowRect(window_);
    EXPECT_EQ(image->width, rect.right - rect.left);
    EXPECT_EQ(image->height, rect.bottom - rect.top);

    // A point of bare client area, below the last control.
    POINT point = {300, 200};
    ClientToScreen(window_, &point);
    const int x = point.x - rect.left;
    const int y = point.y - rect.top;
    const std::uint32_t want = (GetRValue(child::kBackground) << 16) | (GetGValue(child::kBackground) << 8) |
                               GetBValue(child::kBackground);
    EXPECT_EQ(image->At(x, y), want);

    const fs::path png = SaveScreenshot(window_, L"harness_window");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(SaveScreenshot(nullptr, L"harness_desktop").empty());
    if (!RunningUnderWine()) {
        GTEST_SKIP() << "ImageMagick check needs Wine";
    }
    const std::string unix_png = UnixPath(png);
    ASSERT_FALSE(unix_png.empty());
    const auto info =
        RunUnix(L"Z:\\usr\\bin\\identify",
                {L"-format", L"%m %w %h %[pixel:p{" + std::to_wstring(x) + L"," + std::to_wstring(y) + L"}]",
                 Widen(unix_png)},
                box_);
    ASSERT_TRUE(info.has_value()) << "could not run identify";
    EXPECT_EQ(*info, "PNG " + std::to_string(image->width) + " " + std::to_string(image->height) +
                         " srgb(32,128,192)");
}

// ---- PNG encoding -----------------------------------------------------------

std::uint32_t Big32(const std::vector<std::uint8_t>& b, size_t at) {
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

// Undoes the zlib stored blocks of the IDAT chunk, checking lengths on the way.
std::vector<std::uint8_t> InflateStored(const std::vector<std::uint8_t>& png) {
    std::vector<std::uint8_t> out;
    size_t at = 8;
    while (at + 8 <= png.size()) {
        const std::uint32_t length = Big32(png, at);
        const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        if (type == "IDAT") {
            size_t p = at + 8 + 2;  // past the zlib header
            for (bool last = false; !last;) {
                last = png.at(p) & 1;
                const unsigned n = png.at(p + 1) | (png.at(p + 2) << 8);
                const unsigned n_complement = png.at(p + 3) | (png.at(p + 4) << 8);
                EXPECT_EQ(n ^ 0xFFFF, n_complement);
                out.insert(out.end(), png.begin() + static_cast<std::ptrdiff_t>(p + 5),
                           png.begin() + static_cast<std::ptrdiff_t>(p + 5 + n));
                p += 5 + n;
            }
        }
        at += 12 + length;
    }
    return out;
}

TEST(Png, EncodesRgbRowsWithFilterBytes) {
    Image image{2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0x123456}};
    const auto png = EncodePng(image);
    ASSERT_GT(png.size(), 8u + 25 + 12);
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<std::uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    // IHDR: 2 x 2, 8-bit RGB, and the well-known CRC of an empty IEND.
    EXPECT_EQ(Big32(png, 16), 2u);
    EXPECT_EQ(Big32(png, 20), 2u);
    EXPECT_EQ(png[24], 8);
    EXPECT_EQ(png[25], 2);
    EXPECT_EQ(std::vector<std::uint8_t>(png.end() - 12, png.end()),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    EXPECT_EQ(InflateStored(png),
              (std::vector<std::uint8_t>{0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0x12, 0x34, 0x56}));
}

TEST(Png, SplitsLargeImagesIntoSeveralStoredBlocks) {
    Image image{300, 200, std::vector<std::uint32_t>(300 * 200)};
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        image.pixels[i] = static_cast<std::uint32_t>(i * 2654435761u) & 0xFFFFFF;
    }
    const auto raw = InflateStored(EncodePng(image));
    ASSERT_EQ(raw.size(), 200u * (1 + 300 * 3));
    const size_t row = 1 + 300 * 3;
    const std::uint32_t p = image.At(123, 150);
    EXPECT_EQ(raw[150 * row], 0);
    EXPECT_EQ(raw[150 * row + 1 + 123 * 3], (p >> 16) & 0xFF);
    EXPECT_EQ(raw[150 * row + 1 + 123 * 3 + 2], p & 0xFF);
}

TEST(Png, RejectsAnImageWhoseSizeDoesNotMatchItsPixels) {
    EXPECT_TRUE(EncodePng(Image{}).empty());
    EXPECT_TRUE(EncodePng(Image{3, 3, std::vector<std::uint32_t>(8)}).empty());
    EXPECT_FALSE(WritePng(Image{}, ArtifactDir() / L"never.png"));
}

// ---- text and command lines ---------------------------------------------------

TEST(Text, Utf8AndUtf16RoundTrip) {
    EXPECT_EQ(Widen("\xE6\x99\xB4\xE7\xAA\x97\xE7\x94\xBB\xE5\x8C\xA3"), kChinese);
    EXPECT_EQ(Narrow(kChinese), "\xE6\x99\xB4\xE7\xAA\x97\xE7\x94\xBB\xE5\x8C\xA3");
    EXPECT_EQ(Narrow(Widen("plain ascii")), "plain ascii");
    EXPECT_EQ(Widen(""), L"");
    // A broken sequence becomes U+FFFD and the rest survives.
    EXPECT_EQ(Widen("a\xE6\x99z"), L"a\xFFFDz");
}

TEST(CommandLine, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(QuoteArg(L"plain"), L"plain");
    EXPECT_EQ(QuoteArg(L""), L"\"\"");
    EXPECT_EQ(QuoteArg(L"a b"), L"\"a b\"");
    EXPECT_EQ(QuoteArg(L"C:\\dir\\"), L"C:\\dir\\");
    EXPECT_EQ(QuoteArg(L"C:\\my dir\\"), L"\"C:\\my dir\\\\\"");
    EXPECT_EQ(QuoteArg(L"say \"hi\""), L"\"say \\\"hi\\\"\"");

    int argc = 0;
    const std::wstring line =
        L"prog " + QuoteArg(kTitle) + L" " + QuoteArg(L"") + L" " + QuoteArg(L"x\\\\\"y");
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_EQ(argc, 4);
    EXPECT_EQ(argv[1], kTitle);
    EXPECT_EQ(argv[2], std::wstring());
    EXPECT_EQ(argv[3], std::wstring(L"x\\\\\"y"));
    LocalFree(argv);
}

// ---- sandbox and processes -----------------------------------------------------

TEST(Sandbox, HoldsFilesInAChineseFolderAndRemovesThemAll) {
    fs::path root;
    {
        Sandbox box;
        root = box.Dir().parent_path();
        EXPECT_EQ(box.Dir().filename().wstring(), L"测试 文件夹");
        const fs::path written = box.Write(L"子目录\\设置.ini", "[a]\r\nb=1\r\n");
        EXPECT_EQ(fs::file_size(written), 10u);
        const fs::path copied = box.Copy(ExePath(), L"副本.exe");
        EXPECT_EQ(fs::file_size(copied), fs::file_size(ExePath()));
        EXPECT_THROW(box.Copy(ExeDir() / L"no such file"), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(root));
}

TEST(Sandbox, WithProductCopiesTheProductAndTheNamedFiles) {
    if (!fs::exists(ProductPath())) {
        GTEST_SKIP() << "no product beside the test";
    }
    const Sandbox box = Sandbox::WithProduct({ExePath().filename().wstring()});
    EXPECT_TRUE(fs::exists(box.Exe()));
    EXPECT_EQ(box.Exe().parent_path(), box.Dir());
    EXPECT_TRUE(fs::exists(box.Dir() / ExePath().filename()));
    EXPECT_THROW(Sandbox::WithProduct({L"no such file.wav"}), std::runtime_error);
}

TEST(ProcessStart, FailsLoudlyForAMissingProgram) {
    const Sandbox box;
    EXPECT_THROW(Process::Start(box.Dir() / L"缺少.exe"), std::runtime_error);
    Process none;
    EXPECT_FALSE(none.Running());
    EXPECT_FALSE(none.ExitCode().has_value());
    EXPECT_FALSE(none.WaitExit(10ms));
}

// ---- registry -------------------------------------------------------------------

class Registry : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(settings_.Delete()); }
    void TearDown() override { EXPECT_TRUE(settings_.Delete()); }

    VbSettings settings_{L"E2eHarness " + std::to_wstring(GetCurrentProcessId())};
};

TEST_F(Registry, WritesAndReadsTypedValues) {
    ASSERT_TRUE(settings_.WriteString(L"设置", L"标题", kChinese));
    ASSERT_TRUE(settings_.WriteDword(L"设置", L"count", 0x12345678));
    ASSERT_TRUE(settings_.WriteBinary(L"设置", L"blob", {0, 1, 2, 0xFF}));

    const auto text = settings_.Read(L"设置", L"标题");
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->type, DWORD{REG_SZ});
    EXPECT_EQ(text->String(), kChinese);
    EXPECT_FALSE(text->Dword().has_value());

    const auto count = settings_.Read(L"设置", L"count");
    ASSERT_TRUE(count.has_value());
    EXPECT_EQ(count->Dword(), DWORD{0x12345678});
    EXPECT_EQ(count->String(), L"");

    const auto blob = settings_.Read(L"设置", L"blob");
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, DWORD{REG_BINARY});
    EXPECT_EQ(blob->data, (std::vector<std::uint8_t>{0, 1, 2, 0xFF}));

    auto names = settings_.Names(L"设置");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"blob", L"count", L"标题"}));
    EXPECT_FALSE(settings_.Read(L"设置", L"missing").has_value());
    EXPECT_FALSE(settings_.Read(L"其他", L"标题").has_value());
}

TEST_F(Registry, DeletesASectionOrTheWholeApplication) {
    ASSERT_TRUE(settings_.WriteString(L"one", L"a", L"1"));
    ASSERT_TRUE(settings_.WriteString(L"two", L"b", L"2"));
    ASSERT_TRUE(settings_.Delete(L"one"));
    EXPECT_FALSE(settings_.Exists(L"one"));
    EXPECT_TRUE(settings_.Exists(L"two"));
    ASSERT_TRUE(settings_.Delete());
    EXPECT_FALSE(settings_.Exists());
    EXPECT_TRUE(settings_.Delete()) << "deleting what is gone is fine";
}

// ---- the prefix: shared desktop, tray, fonts, DPI --------------------------------

struct TrayOwner {
    HWND hwnd = nullptr;
    std::vector<LPARAM> callbacks;
};

constexpr UINT kTrayCallback = WM_APP + 1;

LRESULT CALLBACK TrayOwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTrayCallback) {
        reinterpret_cast<TrayOwner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))->callbacks.push_back(lp);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(Prefix, NotificationAreaTakesAnIconAndRelaysClicks) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TrayOwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"E2eTrayOwner";
    RegisterClassExW(&wc);
    TrayOwner owner;
    owner.hwnd = CreateWindowExW(0, wc.lpszClassName, L"tray owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(owner.hwnd, nullptr);
    SetWindowLongPtrW(owner.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));

    const size_t before = TrayIcons().size();
    NOTIFYICONDATAW data = {};
    data.cbSize = sizeof data;
    data.hWnd = owner.hwnd;
    data.uID = 1;
    data.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    data.uCallbackMessage = kTrayCallback;
    data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wcscpy_s(data.szTip, kChinese);
    // The shell may still be starting, as at logon.
    EXPECT_TRUE(WaitUntil([&] { return Shell_NotifyIconW(NIM_ADD, &data) != FALSE; }, kTimeout, 500ms));
    EXPECT_NE(FindWindowW(L"Shell_TrayWnd", nullptr), nullptr);

    std::vector<TrayIcon> icons;
    EXPECT_TRUE(WaitUntil([&] { return (icons = TrayIcons()).size() == before + 1; }));
    if (!icons.empty()) {
        ASSERT_TRUE(ClickTrayIcon(icons.back()));
        ASSERT_TRUE(PostTrayMouse(icons.back(), WM_LBUTTONDBLCLK));
        ASSERT_TRUE(ClickTrayIcon(icons.back(), true));
        EXPECT_TRUE(WaitUntil([&] { return owner.callbacks.size() >= 5; }));
        EXPECT_EQ(owner.callbacks, (std::vector<LPARAM>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK,
                                                        WM_RBUTTONDOWN, WM_RBUTTONUP}));
    }

    data.uFlags = NIF_INFO;
    wcscpy_s(data.szInfo, L"晴窗画匣提醒");
    wcscpy_s(data.szInfoTitle, L"提醒");
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data));
    EXPECT_TRUE(WaitUntil([&] { return TrayBalloonText() == std::wstring(L"晴窗画匣提醒"); }))
        << Narrow(TrayBalloonText().value_or(L"(none)"));

    EXPECT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_TRUE(WaitUntil([&] { return TrayIcons().size() == before; }));
    EXPECT_FALSE(TrayBalloonText().has_value());
    DestroyWindow(owner.hwnd);
}

// Each character drawn alone into a small bitmap, as black-on-white bytes.
std::vector<std::uint8_t> Glyph(HDC dc, wchar_t c) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 40;
    info.bmiHeader.biHeight = -40;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all = {0, 0, 40, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TextOutW(dc, 4, 4, &c, 1);
    GdiFlush();
    std::vector<std::uint8_t> out(40 * 40);
    const auto* px = static_cast<const std::uint32_t*>(bits);
    for (size_t i = 0; i < out.size(); ++i) {
        out[i] = (px[i] & 0xFF) < 128 ? 1 : 0;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    return out;
}

class FontLink : public testing::TestWithParam<const wchar_t*> {};

TEST_P(FontLink, DrawsDistinctChineseGlyphs) {
    const HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW font = {};
    font.lfHeight = -24;
    font.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(font.lfFaceName, GetParam());
    const HFONT handle = CreateFontIndirectW(&font);
    const HGDIOBJ old = SelectObject(dc, handle);

    // A private-use character has no glyph anywhere: it shows what "missing" looks like.
    const auto missing = Glyph(dc, L'\xE000');
    std::vector<std::vector<std::uint8_t>> glyphs;
    for (const wchar_t c : std::wstring(kChinese)) {
        glyphs.push_back(Glyph(dc, c));
        EXPECT_NE(glyphs.back(), missing) << "no glyph for U+" << std::hex << int(c);
        EXPECT_GT(std::count(glyphs.back().begin(), glyphs.back().end(), 1), 20);
    }
    for (size_t i = 0; i < glyphs.size(); ++i) {
        for (size_t j = i + 1; j < glyphs.size(); ++j) {
            EXPECT_NE(glyphs[i], glyphs[j]) << i << " and " << j << " look the same";
        }
    }
    SelectObject(dc, old);
    DeleteObject(handle);
    DeleteDC(dc);
}

INSTANTIATE_TEST_SUITE_P(Faces, FontLink,
                         testing::Values(L"Tahoma", L"MS Shell Dlg", L"MS Shell Dlg 2",
                                         L"Microsoft Sans Serif", L"SimSun", L"宋体", L"Microsoft YaHei"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                             std::string name;
                             for (const char c : Narrow(info.param)) {
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name + "_" + std::to_string(info.index);
                         });

std::wstring Env(const wchar_t* name) {
    wchar_t value[64] = {};
    const DWORD n = GetEnvironmentVariableW(name, value, 64);
    return n > 0 && n < 64 ? value : L"";
}

TEST(Prefix, DpiFollowsLogPixels) {
    DWORD wanted = 96;
    DWORD size = sizeof wanted;
    RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                 &wanted, &size);
    if (!Env(L"WINE_ENV_DPI").empty()) {
        EXPECT_EQ(wanted, static_cast<DWORD>(_wtoi(Env(L"WINE_ENV_DPI").c_str())));
    }
    SetProcessDPIAware();
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetDeviceCaps(screen, LOGPIXELSY)), wanted);
    ReleaseDC(nullptr, screen);
}

// A short 16-bit mono tone as a RIFF WAVE file.
std::vector<std::uint8_t> Tone() {
    constexpr std::uint32_t rate = 8000;
    constexpr std::uint32_t samples = rate / 5;
    std::vector<std::uint8_t> wav;
    const auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    };
    const auto tag = [&](const char* t) { wav.insert(wav.end(), t, t + 4); };
    tag("RIFF");
    put(36 + samples * 2, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(rate, 4);
    put(rate * 2, 4);
    put(2, 2);
    put(16, 2);
    tag("data");
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        put(static_cast<std::uint16_t>((i / 8) % 2 ? 8000 : -8000), 2);
    }
    return wav;
}

TEST(Prefix, PlaysSoundIntoTheNullSinkWhenAudioIsOn) {
    if (Env(L"WINE_ENV_AUDIO") != L"1") {
        GTEST_SKIP() << "environment started without --audio";
    }
    // Loaded here so that the support library needs no sound library at link time.
    const HMODULE winmm = LoadLibraryW(L"winmm.dll");
    ASSERT_NE(winmm, nullptr);
    using Count = UINT(WINAPI*)();
    using Play = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
    const auto count =
        reinterpret_cast<Count>(reinterpret_cast<void*>(GetProcAddress(winmm, "waveOutGetNumDevs")));
    const auto play = reinterpret_cast<Play>(reinterpret_cast<void*>(GetProcAddress(winmm, "PlaySoundW")));
    ASSERT_TRUE(count && play);
    EXPECT_GT(count(), 0u);
    const auto wav = Tone();
    EXPECT_TRUE(play(reinterpret_cast<LPCWSTR>(wav.data()), nullptr, SND_MEMORY | SND_SYNC | SND_NODEFAULT));
    FreeLibrary(winmm);
}

}  // namespace

// Our own main instead of gtest_main's: the same program is the child.
int main(int argc, char** argv) {
    int wargc = 0;
    wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &wargc);
    if (wargv && wargc >= 2 && std::wstring(wargv[1]) == child::kSwitch) {
        const int code = child::Run(wargc >= 3 ? wargv[2] : L"harness");
        LocalFree(wargv);
        return code;
    }
    LocalFree(wargv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
