#include "standins/bartender/BtApplication.h"

#include "standins/common/LocalServer.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {
enum : DISPID { kVersion = 1, kVisible, kQuit };
}

BtApplication::BtApplication()
    : DispatchObject(kBarTender, L"Application",
                     {{L"Version", kVersion, true}, {L"Visible", kVisible, true}, {L"Quit", kQuit, false}}) {}

void BtApplication::OnCall(DISPID id, WORD flags, const CallArgs& args, VARIANT* result) {
    bool put = flags & DISPATCH_PROPERTYPUT;
    switch (id) {
        case kVersion:
            if (put) throw Fault{DISP_E_MEMBERNOTFOUND, L"Version is read-only"};
            if (ConfigDword(kBarTender, L"VersionFails")) throw Fault{E_FAIL, L"version unavailable"};
            return SetTextResult(result, ConfigString(kBarTender, L"Version", L"10.1"));
        case kVisible:
            if (put) {
                auto on = win::ToInt32(args.value());
                if (!on) throw Fault{DISP_E_TYPEMISMATCH, L"Visible wants a logical value"};
                visible_ = *on != 0;
                return;
            }
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = visible_ ? VARIANT_TRUE : VARIANT_FALSE;
            return;
        case kQuit:
            args.Long(0);  // the save option is required
            LocalServer::RequestExit();
            return;
    }
}

}  // namespace standin
