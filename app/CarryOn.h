#pragma once
// Carry-on mode of the automation handlers: a step that fails is skipped without a message and the
// handler goes on with the next one. Whatever the step would have assigned keeps its old value,
// because the assignment is the last thing the step does.
namespace app {

template <typename Step>
bool CarryOn(Step&& step) noexcept {
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace app
