#include "standins/bartender/BarTenderObjects.h"

#include <memory>

#include "standins/bartender/LabelPicture.h"
#include "standins/bartender/LabelTemplate.h"
#include "standins/bartender/PrintOutput.h"
#include "standins/common/CallLog.h"
#include "standins/common/DispatchObject.h"
#include "standins/common/LocalServer.h"
#include "standins/common/OpenDocuments.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {

using enum MemberKind;

struct OpenFormat : Document {
    LabelTemplate label;
    std::vector<std::wstring> values;  // the substrings' current values, in template order
    std::wstring printer;
    long copies = 1;      // IdenticalCopiesOfLabel
    long serialized = 1;  // NumberSerializedLabels
};
using Format = std::shared_ptr<OpenFormat>;

struct BarTenderState {
    OpenDocuments<OpenFormat> formats;
    bool visible = false;
};
using State = std::shared_ptr<BarTenderState>;

// The configured spelling of an installed printer; throws when there is no such printer.
std::wstring InstalledPrinter(const std::wstring& name, const std::wstring& templatePrinter) {
    for (const wchar_t* printer : {L"Zebra ZT410", L"Zebra GK888t", L"TSC TTP-244 Pro", L"Microsoft Print to PDF"})
        if (SameText(printer, name)) return printer;
    if (!templatePrinter.empty() && SameText(templatePrinter, name)) return templatePrinter;
    throw Fault{kBarTenderError, L"The printer \"" + name + L"\" was not found."};
}

long LabelCount(const CallArgs& args) {
    auto count = win::ToInt32(args.value());
    if (!count || *count < 1) throw Fault{kBarTenderError, L"A label count must be a whole number of 1 or more."};
    return *count;
}

class FormatObject : public DispatchObject {
    enum : DISPID { kSetNamedSubStringValue = 1, kPrinter, kIdenticalCopies, kSerializedLabels, kPrintOut, kClose };
    static constexpr Member kMembers[] = {{L"SetNamedSubStringValue", kSetNamedSubStringValue, Method},
                                          {L"Printer", kPrinter, Writable},
                                          {L"IdenticalCopiesOfLabel", kIdenticalCopies, Writable},
                                          {L"NumberSerializedLabels", kSerializedLabels, Writable},
                                          {L"PrintOut", kPrintOut, Method}, {L"Close", kClose, Method}};

public:
    FormatObject(State state, Format format)
        : DispatchObject(L"Format", kMembers), state_(std::move(state)), format_(std::move(format)) {}

protected:
    void OnCall(DISPID id, bool put, const CallArgs& args, VARIANT* result) override {
        if (format_->closed) throw Fault{kBarTenderError, L"The format has been closed."};
        switch (id) {
            case kSetNamedSubStringValue: {
                std::wstring name = args.Text(0);
                int index = format_->label.Find(name);
                if (index < 0)
                    throw Fault{kBarTenderError,
                                L"The named sub-string \"" + name + L"\" was not found in the format."};
                format_->values[static_cast<std::size_t>(index)] = args.Text(1);
                return;
            }
            case kPrinter:
                if (!put) return SetTextResult(result, format_->printer);
                if (V_VT(&args.value()) != VT_BSTR) throw Fault{DISP_E_TYPEMISMATCH, L"The printer name must be text."};
                format_->printer = InstalledPrinter(win::ToText(args.value()).value_or(L""), format_->label.printer);
                return;
            case kIdenticalCopies:
                if (!put) return SetLongResult(result, format_->copies);
                format_->copies = LabelCount(args);
                return;
            case kSerializedLabels:
                if (!put) return SetLongResult(result, format_->serialized);
                format_->serialized = LabelCount(args);
                return;
            case kPrintOut:
                // Neither a status window nor a print dialog is ever shown.
                PrintOut();
                return SetLongResult(result, 0);
            case kClose:
                // The save option is checked, but the stand-in closes without saving whatever it says.
                if (args.has(0)) args.Long(0);
                return state_->formats.Close(format_);
        }
    }

private:
    void PrintOut() {
        // The client sees its call fail as it does when BarTender crashes while printing.
        if (ConfigDword(kBarTender, L"DieInPrintOut")) LocalServer::Crash(3);
        if (ConfigDword(kBarTender, L"PrintOutFails"))
            throw Fault{kBarTenderError, L"The print job could not be sent to the printer \"" + format_->printer +
                                             L"\". (scenario PrintOutFails)"};
        PrintRecord record{format_->path, format_->printer, format_->copies, format_->serialized};
        for (std::size_t i = 0; i < format_->values.size(); ++i)
            record.substrings.emplace_back(format_->label.substrings[i].name, format_->values[i]);
        std::wstring problem;
        if (std::wstring folder = ConfigString(kBarTender, L"OutputFolder"); !folder.empty()) {
            auto png = RenderLabelPng(format_->label, format_->values, record.labels(), &problem);
            auto image = png ? SaveLabelImage(folder, *png, &problem) : std::nullopt;
            if (!image) throw Fault{kBarTenderError, L"The label could not be printed: " + problem};
            record.images.push_back(*image);
        }
        std::wstring log = ConfigString(kBarTender, L"PrintLog");
        if (!log.empty() && !AppendLine(log, PrintRecordJson(record)))
            throw Fault{kBarTenderError, L"The label could not be printed: the print log cannot be written."};
    }

    State state_;
    Format format_;
};

// Formats.Open: reads the template; printer, when given, replaces the template's own.
Format Open(BarTenderState& state, const std::wstring& path, const std::wstring& printer) {
    std::wstring refusal = L"BarTender could not open the format \"" + path + L"\"";
    if (ConfigDword(kBarTender, L"OpenFails")) throw Fault{kBarTenderError, refusal + L". (scenario OpenFails)"};
    TemplateError error;
    auto label = ReadTemplateFile(path, &error);
    switch (error.problem) {
        case TemplateProblem::None: break;
        case TemplateProblem::NotFound: throw Fault{kBarTenderError, refusal + L": the file was not found."};
        case TemplateProblem::NotATemplate:
            throw Fault{kBarTenderError, refusal + L": the file is not a BarTender format."};
        case TemplateProblem::Malformed:
            throw Fault{kBarTenderError, refusal + L": the format is damaged (" + error.detail + L")."};
        case TemplateProblem::CannotRead: throw Fault{kBarTenderError, refusal + L": " + error.detail + L"."};
    }
    auto format = std::make_shared<OpenFormat>();
    format->path = FullPath(path);
    format->printer = printer.empty() ? label->printer : InstalledPrinter(printer, label->printer);
    if (format->printer.empty()) format->printer = L"Zebra ZT410";
    format->copies = label->copies;
    format->serialized = label->serialized;
    for (const Substring& s : label->substrings) format->values.push_back(s.value);
    format->label = std::move(*label);
    state.formats.Add(format);
    return format;
}

class FormatsObject : public DispatchObject {
    static constexpr Member kMembers[] = {{L"Open", 1, Method}};

public:
    explicit FormatsObject(State state) : DispatchObject(L"Formats", kMembers), state_(std::move(state)) {}

protected:
    void OnCall(DISPID, bool, const CallArgs& args, VARIANT* result) override {
        Format format = Open(*state_, args.Text(0), args.has(2) ? args.Text(2) : std::wstring());
        SetNewObjectResult(result, new FormatObject(state_, format));
    }

private:
    State state_;
};

class ApplicationObject : public DispatchObject {
    enum : DISPID { kVersion = 1, kVisible, kFormats, kQuit };
    static constexpr Member kMembers[] = {{L"Version", kVersion, Property}, {L"Visible", kVisible, Writable},
                                          {L"Formats", kFormats, Property}, {L"Quit", kQuit, Method}};

public:
    ApplicationObject() : DispatchObject(L"Application", kMembers), state_(std::make_shared<BarTenderState>()) {}

protected:
    void OnCall(DISPID id, bool put, const CallArgs& args, VARIANT* result) override {
        switch (id) {
            case kVersion:
                if (ConfigDword(kBarTender, L"VersionFails")) throw Fault{E_FAIL, L"version unavailable"};
                return SetTextResult(result, ConfigString(kBarTender, L"Version", L"10.1"));
            case kVisible: return LogicalProperty(state_->visible, put, args, result);
            case kFormats: return SetNewObjectResult(result, new FormatsObject(state_));
            case kQuit:
                // The save option is checked; the stand-in never saves a template either way.
                if (args.has(0)) args.Long(0);
                state_->formats.CloseAll();
                return LocalServer::RequestExit();
        }
    }

private:
    State state_;
};

}  // namespace

IDispatch* NewBarTenderApplication() { return new ApplicationObject(); }

}  // namespace standin
