#include "scheduler/acquisition.h"

void Acquisition::Run() {
    if (sys_.FileExists(form_.AppDir + L"deskurl.ini")) return;
    const int localOnly = panel_.Check(1);
    if (localOnly != localOnly_ && localOnly_ != -1) rotation_.RearmNotice();
    localOnly_ = localOnly;
    bool online = false;
    try {
        online = sys_.Online();
    } catch (...) {
        // A test that cannot be made counts as offline.
    }
    // The list server comes with the downloader; until then an online
    // machine that may download waits here.
    if (online && localOnly == 0) return;
    if (form_.Listurl.Count() > 0) return;
    rotation_.FindLocalWallpapers();
}
