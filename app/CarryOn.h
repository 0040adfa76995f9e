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

// CarryOn for a step whose failure the handler looks at: S_OK when it ran, else the automation error's
// code (E_FAIL for a failure of another kind).
template <typename Step>
HRESULT CarryOnResult(Step&& step) noexcept {
    try {
        step();
        return S_OK;
    } catch (const win::ComError& e) {
        return FAILED(e.hr()) ? e.hr() : E_FAIL;
    } catch (...) {
        return E_FAIL;
    }
}

// Runs a step in carry-on mode: true when it ran.
template <typename Step>
bool CarryOn(Step&& step) noexcept {
    return SUCCEEDED(CarryOnResult(std::forward<Step>(step)));
}

}  // namespace app
