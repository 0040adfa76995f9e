#pragma once
// Base of every stand-in automation object: a hand-written IDispatch over a table of members, which
// logs each call (member, kind, arguments, result, HRESULT, time) to the server's call log. Before an
// object sees a call, the base acts on the scenario switches that name calls (see DispatchObject.cpp)
// and refuses puts to properties that take none.
#include <oaidl.h>
#include <windows.h>

#include <atomic>
#include <span>
#include <string>
#include <vector>

#include "win/Variant.h"

namespace standin {

// A failure a member reports to its caller; it reaches the client as DISP_E_EXCEPTION with this code.
struct Fault {
    HRESULT hr;
    std::wstring description;
};

enum class MemberKind {
    Method,    // logged as a call
    Property,  // logged as a get
    Writable,  // a property that takes puts too
};

struct Member {
    const wchar_t* name;
    DISPID id;
    MemberKind kind;
};

// The arguments of one call in natural order, by-reference arguments already dereferenced.
// For a property put, value() is the assigned value and the list holds the indices only.
class CallArgs {
public:
    CallArgs(const DISPPARAMS& params, bool isPut);
    size_t size() const noexcept { return args_.size(); }
    const VARIANT& operator[](size_t i) const { return *args_[i].get(); }
    bool has(size_t i) const noexcept { return i < args_.size() && args_[i].type() != VT_ERROR; }
    const VARIANT& value() const { return *value_.get(); }

    // Typed readers that fail the call with DISP_E_TYPEMISMATCH / DISP_E_PARAMNOTFOUND.
    std::wstring Text(size_t i) const;
    long Long(size_t i) const;
    bool Bool(size_t i) const;
    // The logical value a property put assigns: VT_BOOL or a number.
    bool AssignedLogical() const;

private:
    std::vector<win::Variant> args_;
    win::Variant value_;
};

class DispatchObject : public IDispatch {
public:
    // members: a table that outlives the object.
    DispatchObject(const wchar_t* object, std::span<const Member> members);
    virtual ~DispatchObject();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override;

protected:
    // Handles one call; put: a property put to a Writable member. Sets *result for gets and calls;
    // throws Fault to fail.
    virtual void OnCall(DISPID id, bool put, const CallArgs& args, VARIANT* result) = 0;

private:
    std::atomic<ULONG> refs_{1};
    const wchar_t* object_;
    std::span<const Member> members_;
};

// Hands a newly created object (its one reference) to the client.
void SetNewObjectResult(VARIANT* result, IDispatch* created);
void SetTextResult(VARIANT* result, const std::wstring& text);
void SetBoolResult(VARIANT* result, bool value);
void SetLongResult(VARIANT* result, long value);
// A logical property such as Visible: a put assigns the flag, a get answers it.
void LogicalProperty(bool& flag, bool put, const CallArgs& args, VARIANT* result);

}  // namespace standin
