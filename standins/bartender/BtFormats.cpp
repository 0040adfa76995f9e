#include "standins/bartender/BtFormats.h"

#include "standins/bartender/BtFormat.h"
#include "standins/common/StandinConfig.h"

namespace standin {

namespace {

enum : DISPID { kOpen = 1, kCount, kItem };

std::wstring FullPath(const std::wstring& path) {
    if (path.empty()) return path;
    DWORD n = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return full;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring OpenFailure(const std::wstring& path, const TemplateError& error) {
    std::wstring head = L"BarTender could not open the format \"" + path + L"\": ";
    switch (error.problem) {
        case TemplateProblem::NotFound: return head + L"the file was not found.";
        case TemplateProblem::CannotRead: return head + error.detail + L".";
        case TemplateProblem::NotATemplate: return head + L"the file is not a BarTender format.";
        case TemplateProblem::Malformed: return head + L"the format is damaged (" + error.detail + L").";
        case TemplateProblem::None: break;
    }
    return head + L"unknown error.";
}

}  // namespace

BtFormats::BtFormats(std::shared_ptr<BarTenderState> state)
    : BtObject(L"Formats",
               {{L"Open", kOpen, false},
                {L"Count", kCount, true},
                {L"Item", kItem, true},
                {L"_Default", DISPID_VALUE, true}}),
      state_(std::move(state)) {}

std::shared_ptr<OpenFormat> BtFormats::Open(const std::wstring& path, bool closeOutFirst, const std::wstring& usePrinter) {
    if (ConfigDword(kBarTender, L"OpenFails"))
        throw Fault{kBarTenderError, L"BarTender could not open the format \"" + path + L"\". (scenario OpenFails)"};
    TemplateError error;
    auto label = path.empty() ? std::nullopt : ReadTemplateFile(path, &error);
    if (!label) {
        if (path.empty()) error.problem = TemplateProblem::NotFound;
        throw Fault{kBarTenderError, OpenFailure(path, error)};
    }
    auto format = std::make_shared<OpenFormat>();
    format->fileName = FullPath(path);
    format->printer = usePrinter.empty() ? label->printer : RequirePrinter(usePrinter, label->printer);
    if (format->printer.empty()) format->printer = ConfiguredPrinters({}).front();
    format->copies = label->copies;
    format->serialized = label->serialized;
    for (const Substring& s : label->substrings) format->values.push_back(s.value);
    format->label = std::move(*label);

    if (closeOutFirst && !state_->formats.empty()) state_->Close(state_->formats.front());
    state_->formats.push_back(format);
    return format;
}

void BtFormats::Handle(DISPID id, bool, const CallArgs& args, VARIANT* result) {
    switch (id) {
        case kCount: return SetLongResult(result, static_cast<long>(state_->formats.size()));
        case kItem:
        case DISPID_VALUE: {
            if (!args.has(0)) throw Fault{DISP_E_PARAMNOTFOUND, L"Argument not optional"};
            if (V_VT(&args[0]) == VT_BSTR) {
                std::wstring name = args.Text(0);
                for (const auto& format : state_->formats) {
                    std::wstring fileName = format->fileName.substr(format->fileName.find_last_of(L"\\/") + 1);
                    if (SameText(fileName, name) || SameText(format->fileName, name))
                        return SetNewObjectResult(result, new BtFormat(state_, format));
                }
                throw Fault{DISP_E_BADINDEX, L"No open format is named \"" + name + L"\"."};
            }
            long index = args.Long(0);
            if (index < 1 || static_cast<std::size_t>(index) > state_->formats.size())
                throw Fault{DISP_E_BADINDEX, L"The index is out of range."};
            return SetNewObjectResult(result, new BtFormat(state_, state_->formats[static_cast<std::size_t>(index - 1)]));
        }
        case kOpen: {
            bool closeOutFirst = args.has(1) && args.Bool(1);
            std::wstring usePrinter = args.has(2) ? args.Text(2) : std::wstring();
            return SetNewObjectResult(result, new BtFormat(state_, Open(args.Text(0), closeOutFirst, usePrinter)));
        }
    }
}

}  // namespace standin
