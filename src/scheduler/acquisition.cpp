#include "scheduler/acquisition.h"

#include "base/step.h"

void Acquisition::Run() {
    if (sys_.FileExists(form_.AppDir + L"deskurl.ini")) return;
    const int localOnly = panel_.Check(1);
    if (localOnly != localOnly_ && localOnly_ != -1) rotation_.RearmNotice();
    localOnly_ = localOnly;
    // The online test costs a look at the network; it matters only when the
    // pictures may come from the list server.
    bool online = false;
    if (localOnly == 0) {
        try {
            online = sys_.Online();
        } catch (...) {
            // A test that cannot be made counts as offline.
        }
    }
    if (online) {
        Step([&] { rotation_.Stop(); });
        Step([&] { sound_.PlayWav("online"); });
        Step([&] { tray_.ShowTrayTip(L"网络连接中，现在开始为你下载新壁纸，请稍候......", L"1"); });
        Step([&] { downloads_.GetWallpaperList(); });
        return;
    }
    if (form_.Listurl.Count() > 0) return;
    rotation_.FindLocalWallpapers();
}
