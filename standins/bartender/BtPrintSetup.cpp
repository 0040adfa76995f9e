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
        case kPrinter:
            if (put) return AssignPrinter(*format_, args);
            return SetTextResult(result, format_->printer);
        case kIdenticalCopies:
            if (put) {
                format_->copies = AssignedCount(args, L"IdenticalCopiesOfLabel");
                return;
            }
            return SetLongResult(result, format_->copies);
        case kSerializedLabels:
            if (put) {
                format_->serialized = AssignedCount(args, L"NumberSerializedLabels");
                return;
            }
            return SetLongResult(result, format_->serialized);
    }
}

}  // namespace standin
