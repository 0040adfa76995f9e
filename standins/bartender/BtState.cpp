#include "standins/bartender/BtState.h"

#include <algorithm>

#include "standins/common/StandinConfig.h"
#include "win/Variant.h"

namespace standin {

namespace {

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

std::wstring Trim(const std::wstring& text) {
    std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    return text.substr(first, text.find_last_not_of(L" \t") - first + 1);
}

}  // namespace

void BarTenderState::Close(const std::shared_ptr<OpenFormat>& format) {
    format->closed = true;
    formats.erase(std::remove(formats.begin(), formats.end(), format), formats.end());
}

void BarTenderState::CloseAll() {
    for (auto& format : formats) format->closed = true;
    formats.clear();
}

void RequireOpen(const OpenFormat& format) {
    if (format.closed) throw Fault{kBarTenderError, L"The format has been closed."};
}

std::vector<std::wstring> ConfiguredPrinters(const std::wstring& templatePrinter) {
    std::vector<std::wstring> printers;
    std::wstring list = ConfigString(kBarTender, L"Printers");
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(L";|", start);
        if (end == std::wstring::npos) end = list.size();
        std::wstring name = Trim(list.substr(start, end - start));
        if (!name.empty()) printers.push_back(name);
        start = end + 1;
    }
    if (!printers.empty()) return printers;
    printers = {L"Zebra ZT410", L"Zebra GK888t", L"TSC TTP-244 Pro", L"Microsoft Print to PDF"};
    if (!templatePrinter.empty() &&
        std::none_of(printers.begin(), printers.end(), [&](const std::wstring& p) { return SameText(p, templatePrinter); }))
        printers.push_back(templatePrinter);
    return printers;
}

std::wstring RequirePrinter(const std::wstring& name, const std::wstring& templatePrinter) {
    for (const std::wstring& printer : ConfiguredPrinters(templatePrinter))
        if (SameText(printer, name)) return printer;
    throw Fault{kBarTenderError, L"The printer \"" + name + L"\" was not found."};
}

namespace {

void AssignPrinter(OpenFormat& format, const CallArgs& args) {
    if (V_VT(&args.value()) != VT_BSTR) throw Fault{DISP_E_TYPEMISMATCH, L"The printer name must be text."};
    format.printer = RequirePrinter(*win::ToText(args.value()), format.label.printer);
}

long AssignedCount(const CallArgs& args, const wchar_t* what) {
    const VARIANT& value = args.value();
    switch (V_VT(&value)) {
        case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_INT: case VT_UINT:
        case VT_I8: case VT_UI8: case VT_R4: case VT_R8: case VT_DECIMAL: case VT_CY:
            break;
        default:
            throw Fault{DISP_E_TYPEMISMATCH, std::wstring(what) + L" must be a number."};
    }
    auto count = win::ToInt32(value);
    auto exact = win::ToDouble(value);
    if (!count || !exact) throw Fault{DISP_E_OVERFLOW, std::wstring(what) + L" is out of range."};
    if (*exact != static_cast<double>(*count)) throw Fault{kBarTenderError, std::wstring(what) + L" must be a whole number."};
    if (*count < 1) throw Fault{kBarTenderError, std::wstring(what) + L" must be 1 or more."};
    return *count;
}

}  // namespace

void HandlePrintSetting(OpenFormat& format, PrintSetting setting, bool put, const CallArgs& args, VARIANT* result) {
    switch (setting) {
        case PrintSetting::Printer:
            if (put) return AssignPrinter(format, args);
            return SetTextResult(result, format.printer);
        case PrintSetting::IdenticalCopies:
            if (put) {
                format.copies = AssignedCount(args, L"IdenticalCopiesOfLabel");
                return;
            }
            return SetLongResult(result, format.copies);
        case PrintSetting::SerializedLabels:
            if (put) {
                format.serialized = AssignedCount(args, L"NumberSerializedLabels");
                return;
            }
            return SetLongResult(result, format.serialized);
    }
}

}  // namespace standin
