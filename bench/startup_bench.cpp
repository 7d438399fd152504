// Start-up time and peak working set of the product against a minimal
// one-window program, both started the same way, alternately, in one run.
//   startup_bench [runs] [settle-ms]
// settle-ms: how long after the window appears the peak is read (300 by
// default); a few seconds take in what a start does next, such as the
// downloads from a list server.
// windows.h comes first.
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::wstring Beside(const wchar_t* name) {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring dir(buf, n);
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

HWND FindOwnWindow(DWORD pid, const wchar_t* cls) {
    struct Q {
        DWORD pid;
        const wchar_t* cls;
        HWND found;
    } q{pid, cls, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL CALLBACK {
            auto* q = reinterpret_cast<Q*>(lp);
            DWORD p = 0;
            GetWindowThreadProcessId(h, &p);
            wchar_t c[64];
            if (p == q->pid && GetClassNameW(h, c, 64) && lstrcmpW(c, q->cls) == 0) {
                q->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&q));
    return q.found;
}

struct Sample {
    double ms;
    double peakKb;
};

// Time from CreateProcess to the program's window existing, hidden, with
// the program idle in its message loop.
bool RunOnce(const std::wstring& exe, const wchar_t* cls, DWORD settleMs, Sample& out) {
    std::wstring dir = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
        return false;
    WaitForInputIdle(pi.hProcess, 20000);
    HWND w = nullptr;
    for (int i = 0; i < 20000 && !(w = FindOwnWindow(pi.dwProcessId, cls)); ++i) Sleep(1);
    QueryPerformanceCounter(&t1);
    Sleep(settleMs);  // let the start-up finish its last steps before reading the peak
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(pi.hProcess, &pmc, sizeof pmc);
    if (w) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    out.ms = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
    out.peakKb = static_cast<double>(pmc.PeakWorkingSetSize) / 1024.0;
    return w != nullptr;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 7;
    const DWORD settleMs = argc > 2 ? static_cast<DWORD>(std::max(0, _wtoi(argv[2]))) : 300;
    const std::wstring product = Beside(L"qingchuang.exe");
    const std::wstring minimal = Beside(L"minimal_window.exe");
    std::vector<double> pt, pm, mt, mm;
    for (int i = 0; i < runs; ++i) {
        Sample a{}, b{};
        if (!RunOnce(minimal, L"MinimalBenchWindow", settleMs, a) ||
            !RunOnce(product, L"Frmmain", settleMs, b)) {
            std::fprintf(stderr, "startup_bench: a program did not start\n");
            return 1;
        }
        mt.push_back(a.ms);
        mm.push_back(a.peakKb);
        pt.push_back(b.ms);
        pm.push_back(b.peakKb);
    }
    const double tRatio = Median(pt) / Median(mt), mRatio = Median(pm) / Median(mm);
    std::printf("start-up: product %.1f ms, minimal %.1f ms, ratio %.2f (goal <= 1.20)\n", Median(pt),
                Median(mt), tRatio);
    std::printf("peak working set: product %.0f KiB, minimal %.0f KiB, ratio %.2f (goal <= 1.30)\n",
                Median(pm), Median(mm), mRatio);
    return 0;
}
