#include "win32/message_pump.h"

int MessagePump::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

bool MessagePump::RunWaiting(const std::function<bool()>& stop) {
    MSG msg;
    while (!(stop && stop()) && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Dispatch(msg);
    }
    return true;
}

void MessagePump::Dispatch(MSG& msg) {
    if (filter_ && filter_(msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}
