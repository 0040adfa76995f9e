#include "lib/automation/ErrorReporting.h"

#include "win/Bstr.h"
#include "win/ComPtr.h"

namespace labelsupport {

namespace {

std::wstring_view Wide(const support::Text& text) noexcept {
    return {reinterpret_cast<const wchar_t*>(text.data()), text.size()};
}

Outcome Described(HRESULT hr, const support::Text& source, const support::Text& description) noexcept {
    try {
        return Outcome{hr, true, source, description};
    } catch (...) {
        return Outcome{hr, false, {}, {}};
    }
}

}  // namespace

HRESULT ErrorHResult(std::int32_t number) noexcept {
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, static_cast<WORD>(number));
}

Outcome CurrentFailure(const char16_t* source) noexcept {
    try {
        throw;
    } catch (const support::RuntimeError& e) {
        const support::Text& from = e.Source();
        return Described(ErrorHResult(e.Number()), from.empty() ? support::Text(source) : from, e.Description());
    } catch (const NullPointer&) {
        return Outcome{E_POINTER};
    } catch (const std::bad_alloc&) {
        const std::int32_t number = support::errors::kOutOfMemory;
        return Described(ErrorHResult(number), source, support::StandardDescription(number));
    } catch (...) {
        return Outcome{E_UNEXPECTED};
    }
}

HRESULT ReportThroughErrorInfo(const Outcome& outcome, REFIID iid) noexcept {
    if (SUCCEEDED(outcome.hr)) return outcome.hr;
    win::ComPtr<IErrorInfo> info;
    if (outcome.described) {
        win::ComPtr<ICreateErrorInfo> create;
        if (SUCCEEDED(::CreateErrorInfo(create.put()))) {
            // The setters copy the strings.
            win::Bstr source = win::MakeBstr(Wide(outcome.source));
            win::Bstr description = win::MakeBstr(Wide(outcome.description));
            create->SetGUID(iid);
            create->SetSource(source.get());
            create->SetDescription(description.get());
            info = create.As<IErrorInfo>();
        }
    }
    ::SetErrorInfo(0, info.get());
    return outcome.hr;
}

HRESULT ReportThroughExcepInfo(const Outcome& outcome, REFIID iid, EXCEPINFO* info) noexcept {
    if (SUCCEEDED(outcome.hr)) return outcome.hr;
    if (!outcome.described || !info) return ReportThroughErrorInfo(outcome, iid);
    *info = EXCEPINFO{};
    info->scode = outcome.hr;
    info->bstrSource = win::MakeBstr(Wide(outcome.source)).release();
    info->bstrDescription = win::MakeBstr(Wide(outcome.description)).release();
    return DISP_E_EXCEPTION;
}

}  // namespace labelsupport
