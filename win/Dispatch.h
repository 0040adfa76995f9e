#pragma once
// Late binding: call members of an automation object by name or dispatch id.
//
//   auto book = AsObject(Call(workbooks, L"Open", path));
//   Put(app, L"Visible", false);
//
// Arguments are given in their natural order; a failed call throws ComError. A call that a busy
// server refuses is made again as the thread's CallWatch decides.
#include <oaidl.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "win/CallWatch.h"
#include "win/ComError.h"
#include "win/ComPtr.h"
#include "win/Variant.h"

namespace win {

DISPID IdOf(IDispatch* object, const wchar_t* name);

// One IDispatch::Invoke. args are in natural order; a put passes its value as the last argument.
Variant Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<Variant>& args);

namespace detail {
inline Variant ToArg(Variant&& v) { return std::move(v); }
inline Variant ToArg(const std::wstring& s) { return Variant(std::wstring_view(s)); }
inline Variant ToArg(std::wstring_view s) { return Variant(s); }
inline Variant ToArg(const wchar_t* s) { return Variant(s); }
inline Variant ToArg(bool b) { return Variant(b); }
inline Variant ToArg(short n) { return Variant(static_cast<std::int16_t>(n)); }
inline Variant ToArg(int n) { return Variant(static_cast<std::int32_t>(n)); }
inline Variant ToArg(long n) { return Variant(static_cast<std::int32_t>(n)); }
inline Variant ToArg(double d) { return Variant(d); }

template <typename... A>
std::vector<Variant> Args(A&&... args) {
    std::vector<Variant> out;
    out.reserve(sizeof...(A));
    (out.push_back(ToArg(std::forward<A>(args))), ...);
    return out;
}
}  // namespace detail

// A property read or a method call whose result is used (both flags, as script hosts send them).
template <typename... A>
Variant Call(IDispatch* object, const wchar_t* name, A&&... args) {
    auto list = detail::Args(std::forward<A>(args)...);
    return Invoke(object, IdOf(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, list);
}

template <typename... A>
Variant Get(IDispatch* object, const wchar_t* name, A&&... args) {
    return Call(object, name, std::forward<A>(args)...);
}

template <typename... A>
Variant CallId(IDispatch* object, DISPID id, A&&... args) {
    auto list = detail::Args(std::forward<A>(args)...);
    return Invoke(object, id, DISPATCH_METHOD | DISPATCH_PROPERTYGET, list);
}

template <typename T>
void Put(IDispatch* object, const wchar_t* name, T&& value) {
    auto list = detail::Args(std::forward<T>(value));
    Invoke(object, IdOf(object, name), DISPATCH_PROPERTYPUT, list);
}

// An object whose members are called often: each name is looked up once (every lookup is a round
// trip to an out-of-process server) and its dispatch id reused.
class DispatchCache {
public:
    explicit DispatchCache(ComPtr<IDispatch> object) : object_(std::move(object)) {}

    DISPID IdOf(const wchar_t* name);

    template <typename... A>
    Variant Call(const wchar_t* name, A&&... args) {
        auto list = detail::Args(std::forward<A>(args)...);
        return Invoke(object_.get(), IdOf(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, list);
    }
    template <typename T>
    void Put(const wchar_t* name, T&& value) {
        auto list = detail::Args(std::forward<T>(value));
        Invoke(object_.get(), IdOf(name), DISPATCH_PROPERTYPUT, list);
    }

private:
    ComPtr<IDispatch> object_;
    std::vector<std::pair<std::wstring, DISPID>> ids_;
};

// The object held in a result; throws ComError when it holds none.
ComPtr<IDispatch> AsObject(const Variant& value);

}  // namespace win
