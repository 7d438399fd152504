#pragma once

// Runs one step of a sequence whose steps stand alone (start-up, shutdown, a
// menu command, the tick's duties): whatever the step throws is swallowed,
// silently, and the caller goes on with the next step.
template <class F>
void IgnoreErrors(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}
