#include "scheduler/acquisition.h"

#include "base/ignore_errors.h"

void Acquisition::Run() {
    if (sys_.FileExists(form_.AppDir + L"deskurl.ini")) return;
    const bool localOnly = panel_.LocalOnly();
    if (localOnly_ && *localOnly_ != localOnly) rotation_.RearmNotice();
    localOnly_ = localOnly;
    // The online test costs a look at the network; it matters only when the
    // pictures may come from the list server.
    bool online = false;
    if (!localOnly) {
        try {
            online = sys_.Online();
        } catch (...) {
            // A test that cannot be made counts as offline.
        }
    }
    if (online) {
        IgnoreErrors([&] { rotation_.Stop(); });
        IgnoreErrors([&] { sound_.PlayWav("online"); });
        IgnoreErrors(
            [&] { notices_.ShowTrayTip(L"网络连接中，现在开始为你下载新壁纸，请稍候......", L"1"); });
        IgnoreErrors([&] { downloads_.GetWallpaperList(); });
        return;
    }
    if (form_.Listurl.Count() > 0) return;
    rotation_.FindLocalWallpapers();
}
