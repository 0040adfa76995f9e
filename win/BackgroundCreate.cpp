#include "win/BackgroundCreate.h"

#include "win/Dispatch.h"

namespace win {

BackgroundCreate::BackgroundCreate(std::wstring progId)
    : progId_(std::move(progId)),
      created_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      unmarshaled_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (...) {
        hr_ = E_OUTOFMEMORY;
        ::SetEvent(created_.get());
    }
}

BackgroundCreate::~BackgroundCreate() { Finish(); }

void BackgroundCreate::Run() {
    HRESULT init = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IDispatch> object;
        try {
            object = CreateObject(progId_.c_str());
            hr_ = ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, object.get(), stream_.put());
        } catch (const ComError& e) {
            hr_ = e.hr();
        } catch (...) {
            hr_ = E_UNEXPECTED;
        }
        ::SetEvent(created_.get());
        // The marshaled object stays alive in this apartment until the caller holds its own proxy.
        ::WaitForSingleObject(unmarshaled_.get(), INFINITE);
    }
    if (SUCCEEDED(init)) ::CoUninitialize();
}

ComPtr<IDispatch> BackgroundCreate::Take() {
    ::WaitForSingleObject(created_.get(), INFINITE);
    HRESULT hr = hr_;
    ComPtr<IDispatch> object;
    // The call releases the stream, taken from stream_ so that Finish does not see it again.
    if (SUCCEEDED(hr) && stream_)
        hr = ::CoGetInterfaceAndReleaseStream(stream_.release(), IID_IDispatch, object.put_void());
    Finish();
    Check(hr);
    if (!object) throw ComError(E_NOINTERFACE);
    return object;
}

void BackgroundCreate::Finish() {
    ::SetEvent(unmarshaled_.get());
    if (worker_.joinable()) worker_.join();
    // Never taken: release the marshaled reference so the server is not kept alive.
    if (stream_) ::CoReleaseMarshalData(stream_.get());
    stream_.reset();
}

}  // namespace win
