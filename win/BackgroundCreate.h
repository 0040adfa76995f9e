#pragma once
// Creates an automation object by class name on a worker thread, so that a slow server start (an
// out-of-process server takes tens of milliseconds to answer even when it runs already) overlaps the
// caller's own start-up work. Take() waits for the result and hands the object to the calling
// thread's apartment; it fails exactly as creating the object there would have.
#include <objbase.h>
#include <oaidl.h>

#include <string>
#include <thread>

#include "win/ComPtr.h"
#include "win/UniqueResource.h"

namespace win {

class BackgroundCreate {
public:
    explicit BackgroundCreate(std::wstring progId);
    ~BackgroundCreate();
    BackgroundCreate(const BackgroundCreate&) = delete;
    BackgroundCreate& operator=(const BackgroundCreate&) = delete;

    // Waits for the creation; throws ComError when it failed. Call it once, from an initialised apartment.
    ComPtr<IDispatch> Take();

private:
    void Run();
    void Finish();

    std::wstring progId_;
    UniqueHandle created_;    // set by the worker when stream_ or hr_ is ready
    UniqueHandle unmarshaled_;  // set by the caller when the worker may let go of its object
    ComPtr<IStream> stream_;  // the object marshaled for the caller's apartment
    HRESULT hr_ = E_PENDING;
    std::thread worker_;
};

}  // namespace win
