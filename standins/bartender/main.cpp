// Stand-in for the BarTender automation server ("BarTender.Application"), for tests and the demo.
#include <windows.h>

#include "standins/bartender/BtApplication.h"
#include "standins/common/LocalServer.h"

namespace {
// {3EB93486-E727-4135-974A-D1E2F37D1107}: the stand-in's own class id.
constexpr CLSID kClsid = {0x3eb93486, 0xe727, 0x4135, {0x97, 0x4a, 0xd1, 0xe2, 0xf3, 0x7d, 0x11, 0x07}};
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    standin::ServerInfo info{L"BarTender.Application", kClsid, L"BarTender stand-in (tests and demo)",
                             standin::kBarTender, [] { return static_cast<IDispatch*>(new standin::BtApplication()); },
                             nullptr};
    return standin::LocalServer::Run(info, commandLine ? commandLine : L"");
}
