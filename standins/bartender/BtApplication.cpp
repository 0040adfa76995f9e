#include "standins/bartender/BtApplication.h"

#include "standins/bartender/BtFormats.h"
#include "standins/common/LocalServer.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {
enum : DISPID { kName = 1, kVersion, kVisible, kFormats, kQuit };
}  // namespace

BtApplication::BtApplication()
    : BtObject(L"Application",
               {{L"Name", kName, true},
                {L"Version", kVersion, true},
                {L"Visible", kVisible, true},
                {L"Formats", kFormats, true},
                {L"Quit", kQuit, false}},
               {kVisible}),
      state_(std::make_shared<BarTenderState>()) {}

void BtApplication::Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) {
    switch (id) {
        case kName: return SetTextResult(result, L"BarTender");
        case kVersion:
            if (ConfigDword(kBarTender, L"VersionFails")) throw Fault{E_FAIL, L"version unavailable"};
            return SetTextResult(result, ConfigString(kBarTender, L"Version", L"10.1"));
        case kVisible:
            if (put) {
                state_->visible = AssignedLogical(args);
                return;
            }
            return SetBoolResult(result, state_->visible);
        case kFormats: return SetNewObjectResult(result, new BtFormats(state_));
        case kQuit:
            // The save option, when given, must be one; the stand-in never saves a template either way.
            if (args.has(0)) args.Long(0);
            state_->CloseAll();
            LocalServer::RequestExit();
            return;
    }
}

}  // namespace standin
