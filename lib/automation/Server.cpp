#include "lib/automation/Server.h"

#include <atomic>

#include "win/ModulePath.h"

namespace labelsupport {

namespace {
HMODULE g_module = nullptr;
std::atomic<long> g_holds{0};
}  // namespace

void SetServerModule(HMODULE module) noexcept { g_module = module; }

std::wstring ServerPath() { return win::ModulePath(g_module); }

void LockServer() noexcept { ++g_holds; }
void UnlockServer() noexcept { --g_holds; }
bool ServerInUse() noexcept { return g_holds.load() != 0; }

}  // namespace labelsupport
