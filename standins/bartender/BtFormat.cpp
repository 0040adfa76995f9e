#include "standins/bartender/BtFormat.h"

#include "standins/bartender/BtPrintSetup.h"
#include "standins/bartender/LabelPicture.h"
#include "standins/bartender/PrintOutput.h"
#include "standins/common/LocalServer.h"
#include "standins/common/StandinConfig.h"
#include "win/Variant.h"

namespace standin {

namespace {

enum : DISPID {
    kName = 1,
    kFileName,
    kPrinter,
    kIdenticalCopies,
    kSerializedLabels,
    kPrintSetup,
    kSetNamedSubStringValue,
    kGetNamedSubStringValue,
    kPrintOut,
    kClose,
};

// BarTender's save options of Close.
enum : long { kSaveChanges = 0, kDoNotSaveChanges = 1, kPromptSave = 2 };

}  // namespace

BtFormat::BtFormat(std::shared_ptr<BarTenderState> state, std::shared_ptr<OpenFormat> format)
    : BtObject(L"Format",
               {{L"Name", kName, true},
                {L"FileName", kFileName, true},
                {L"Printer", kPrinter, true},
                {L"IdenticalCopiesOfLabel", kIdenticalCopies, true},
                {L"NumberSerializedLabels", kSerializedLabels, true},
                {L"PrintSetup", kPrintSetup, true},
                {L"SetNamedSubStringValue", kSetNamedSubStringValue, false},
                {L"GetNamedSubStringValue", kGetNamedSubStringValue, false},
                {L"PrintOut", kPrintOut, false},
                {L"Close", kClose, false}},
               {kPrinter, kIdenticalCopies, kSerializedLabels}),
      state_(std::move(state)),
      format_(std::move(format)) {}

std::size_t BtFormat::Substring(const CallArgs& args) const {
    std::wstring name = args.Text(0);
    int index = format_->label.Find(name);
    if (index < 0) throw Fault{kBarTenderError, L"The named sub-string \"" + name + L"\" was not found in the format."};
    return static_cast<std::size_t>(index);
}

void BtFormat::PrintOut() {
    // The client sees its call fail as it does when BarTender crashes while printing.
    if (ConfigDword(kBarTender, L"DieInPrintOut")) LocalServer::Crash(3);
    if (ConfigDword(kBarTender, L"PrintOutFails"))
        throw Fault{kBarTenderError, L"The print job could not be sent to the printer \"" + format_->printer +
                                         L"\". (scenario PrintOutFails)"};

    PrintRecord record;
    record.templatePath = format_->fileName;
    record.printer = format_->printer;
    record.copies = format_->copies;
    record.serialized = format_->serialized;
    for (std::size_t i = 0; i < format_->label.substrings.size(); ++i)
        record.substrings.emplace_back(format_->label.substrings[i].name, format_->values[i]);

    std::wstring folder = ConfigString(kBarTender, L"OutputFolder");
    if (!folder.empty()) {
        std::wstring problem;
        auto png = RenderLabelPng(format_->label, format_->values, record.labels(), &problem);
        std::optional<std::wstring> image;
        if (png) image = SaveLabelImage(folder, *png, &problem);
        if (!image) throw Fault{kBarTenderError, L"The label could not be printed: " + problem};
        record.images.push_back(*image);
    }
    std::wstring log = ConfigString(kBarTender, L"PrintLog");
    if (!log.empty() && !AppendPrintRecord(log, record))
        throw Fault{kBarTenderError, L"The label could not be printed: the print log cannot be written."};
}

void BtFormat::Handle(DISPID id, bool put, const CallArgs& args, VARIANT* result) {
    RequireOpen(*format_);
    switch (id) {
        case kName: {
            const std::wstring& path = format_->fileName;
            return SetTextResult(result, path.substr(path.find_last_of(L"\\/") + 1));
        }
        case kFileName: return SetTextResult(result, format_->fileName);
        case kPrinter: return HandlePrintSetting(*format_, PrintSetting::Printer, put, args, result);
        case kIdenticalCopies: return HandlePrintSetting(*format_, PrintSetting::IdenticalCopies, put, args, result);
        case kSerializedLabels: return HandlePrintSetting(*format_, PrintSetting::SerializedLabels, put, args, result);
        case kPrintSetup: return SetNewObjectResult(result, new BtPrintSetup(format_));
        case kSetNamedSubStringValue: {
            std::size_t index = Substring(args);
            if (!args.has(1)) throw Fault{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
            auto value = win::ToText(args[1]);
            if (!value) throw Fault{DISP_E_TYPEMISMATCH, L"The value must be text."};
            format_->values[index] = *value;
            return;
        }
        case kGetNamedSubStringValue: return SetTextResult(result, format_->values[Substring(args)]);
        case kPrintOut:
            // Neither a status window nor a print dialog is ever shown; the options only have to be logical.
            for (std::size_t i = 0; i < 2; ++i)
                if (args.has(i) && !win::ToInt32(args[i])) throw Fault{DISP_E_TYPEMISMATCH, L"A logical value is expected."};
            PrintOut();
            return SetLongResult(result, 0);
        case kClose: {
            long option = args.has(0) ? args.Long(0) : kPromptSave;
            if (option != kSaveChanges && option != kDoNotSaveChanges && option != kPromptSave)
                throw Fault{E_INVALIDARG, L"The save option must be 0, 1 or 2."};
            // Nothing was ever written: the stand-in closes without saving whatever the option says.
            state_->Close(format_);
            return;
        }
    }
}

}  // namespace standin
