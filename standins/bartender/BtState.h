#pragma once
// What one stand-in BarTender instance holds: its open formats and its window flag. The automation
// objects of the instance share it; a Format and its PrintSetup share the one OpenFormat.
#include <memory>
#include <string>
#include <vector>

#include "standins/bartender/LabelTemplate.h"
#include "standins/common/DispatchObject.h"

namespace standin {

inline constexpr wchar_t kBarTender[] = L"BarTender";

// The code of the stand-in's own failures (an interface-specific error, as BarTender raises them);
// a client sees DISP_E_EXCEPTION with this code and a description.
inline constexpr HRESULT kBarTenderError = static_cast<HRESULT>(0x80040200);

struct OpenFormat {
    std::wstring fileName;  // full path of the template
    LabelTemplate label;
    std::vector<std::wstring> values;  // current substring values, in template order
    std::wstring printer;
    long copies = 1;      // IdenticalCopiesOfLabel
    long serialized = 1;  // NumberSerializedLabels
    bool closed = false;
};

struct BarTenderState {
    std::vector<std::shared_ptr<OpenFormat>> formats;  // in opening order
    bool visible = false;

    void Close(const std::shared_ptr<OpenFormat>& format);
    void CloseAll();
};

// Every call on a closed format fails as it does in BarTender.
void RequireOpen(const OpenFormat& format);

// The printers the stand-in pretends are installed: the switch "Printers" (names separated by ";"
// or "|"), or by default a few label printers and the template's own.
std::vector<std::wstring> ConfiguredPrinters(const std::wstring& templatePrinter);
// The configured spelling of a printer name, compared without regard to case; throws when the
// printer is not there.
std::wstring RequirePrinter(const std::wstring& name, const std::wstring& templatePrinter);

// The print settings the Format and its PrintSetup both answer, get and put alike. A printer must
// be a configured one; a label count a whole number of 1 or more, given as any numeric kind.
enum class PrintSetting { Printer, IdenticalCopies, SerializedLabels };
void HandlePrintSetting(OpenFormat& format, PrintSetting setting, bool put, const CallArgs& args, VARIANT* result);


}  // namespace standin
