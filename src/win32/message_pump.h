#pragma once

#include <windows.h>

#include <functional>

// The thread's one message pump: the main loop, and the nested loops that
// keep messages flowing while the logic waits (DoEvents, a transfer). Every
// message is offered to the filter first (the window's keys), then
// translated and dispatched.
class MessagePump {
public:
    // True when the filter handled the message, which is then not dispatched.
    using Filter = std::function<bool(MSG&)>;

    explicit MessagePump(Filter filter) : filter_(std::move(filter)) {}
    MessagePump(const MessagePump&) = delete;
    MessagePump& operator=(const MessagePump&) = delete;

    // Until WM_QUIT; returns its exit code.
    int Run();
    // The messages waiting now, until `stop` says so. False when WM_QUIT came:
    // it is posted again for Run, which ends the program.
    bool RunWaiting(const std::function<bool()>& stop = {});

private:
    void Dispatch(MSG& msg);

    Filter filter_;
};
