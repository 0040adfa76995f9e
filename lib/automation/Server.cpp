#include "lib/automation/Server.h"

#include <atomic>

#include "win/GrowBuffer.h"

namespace labelsupport {

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_holds{0};
}  // namespace

void SetServerModule(HMODULE module) noexcept { g_module = module; }
HMODULE ServerModule() noexcept { return g_module; }

std::wstring ServerPath() {
    auto path = win::GrowAndRetry<wchar_t>(
        [](wchar_t* buffer, std::size_t capacity) -> std::optional<std::size_t> {
            const DWORD n = ::GetModuleFileNameW(g_module, buffer, static_cast<DWORD>(capacity));
            if (n == 0) return 0;
            if (n >= capacity) return std::nullopt;  // truncated
            return n;
        },
        MAX_PATH, 1u << 16);
    return path.value_or(std::wstring());
}

void LockServer() noexcept { ++g_holds; }
void UnlockServer() noexcept { --g_holds; }
bool ServerInUse() noexcept { return g_holds.load() != 0; }

}  // namespace labelsupport
