#pragma once
// Carry-on mode of the automation handlers: a step that fails is skipped without a message and the
// handler goes on with the next one. Whatever the step would have assigned keeps its old value,
// because the assignment is the last thing the step does.
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <utility>

#include "win/Dispatch.h"

namespace app {

// The value of a conversion inside a guarded step; a conversion that gave nothing fails the step.
template <typename T>
T Required(std::optional<T> value) {
    if (!value) throw std::invalid_argument("conversion failed");
    return *std::move(value);
}

// Runs a step in carry-on mode: true when it ran.
template <typename Step>
bool CarryOn(Step&& step) noexcept {
    return SUCCEEDED(win::ResultOf(std::forward<Step>(step)));
}

}  // namespace app
