#pragma once

// Runs one step of a sequence whose steps stand alone (start-up, shutdown, a
// menu command, the tick's duties): a step that fails is skipped, silently,
// and the caller goes on with the next.
template <class F>
void Step(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}
