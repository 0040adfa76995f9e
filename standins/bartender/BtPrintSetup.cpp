#include "standins/bartender/BtPrintSetup.h"

namespace standin {

namespace {
enum : DISPID { kPrinter = 1, kIdenticalCopies, kSerializedLabels };
}  // namespace

BtPrintSetup::BtPrintSetup(std::shared_ptr<OpenFormat> format)
    : BtObject(L"PrintSetup",
               {{L"Printer", kPrinter, true},
                {L"IdenticalCopiesOfLabel", kIdenticalCopies, true},
                {L"NumberSerializedLabels", kSerializedLabels, true}},
               {kPrinter, kIdenticalCopies, kSerializedLabels}),
      format_(std::move(format)) {}

void BtPrintSetup::Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) {
    RequireOpen(*format_);
    switch (id) {
        case kPrinter: return HandlePrintSetting(*format_, PrintSetting::Printer, put, args, result);
        case kIdenticalCopies: return HandlePrintSetting(*format_, PrintSetting::IdenticalCopies, put, args, result);
        case kSerializedLabels: return HandlePrintSetting(*format_, PrintSetting::SerializedLabels, put, args, result);
    }
}

}  // namespace standin
