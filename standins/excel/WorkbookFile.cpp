#include "standins/excel/WorkbookFile.h"

#include <atomic>

#include "standins/common/DispatchObject.h"
#include "standins/excel/ExcelObjects.h"
#include "standins/excel/XlsxWorkbook.h"
#include "win/TextConversion.h"

namespace standin {

namespace {

// What the running-object table holds for an open workbook: an object of its own that answers
// IUnknown only. It keeps neither the workbook nor the server alive, as Excel's registration without
// ROTFLAGS_REGISTRATIONKEEPSALIVE does not.
class RunningMark final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

private:
    std::atomic<ULONG> refs_{1};
};

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

// The owner file's content, laid out as Office lays it out: the length of the user's name in a byte
// and the name in the ANSI code page, padded with blanks to 54 bytes; then its length in 16 bits and
// the name in UTF-16; blanks up to 165 bytes.
std::string OwnerRecord() {
    wchar_t name[257] = {};
    DWORD length = 257;
    if (!::GetUserNameW(name, &length)) name[0] = L'\0';
    std::wstring user(name);
    if (user.size() > 53) user.resize(53);
    std::string ansi = win::ToAnsi(user).substr(0, 53);
    std::string record(1, static_cast<char>(ansi.size()));
    record += ansi;
    record.resize(54, ' ');
    record += static_cast<char>(user.size() & 0xFF);
    record += static_cast<char>(user.size() >> 8);
    for (wchar_t c : user) {
        record += static_cast<char>(c & 0xFF);
        record += static_cast<char>(c >> 8);
    }
    while (record.size() < 165) record += ' ';
    return record;
}

[[noreturn]] void CannotAccess(const std::wstring& path) {
    throw Fault{kExcelError, L"Microsoft Excel cannot access the file '" + path + L"'."};
}

}  // namespace

std::wstring OwnerFilePath(const std::wstring& path) {
    std::size_t folder = path.find_last_of(L"\\/") + 1;
    return path.substr(0, folder) + L"~$" + path.substr(folder);
}

WorkbookFile::WorkbookFile(const std::wstring& path, bool readOnly) : path_(path), readOnly_(readOnly) {
    if (!readOnly_) {
        file_.reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD code = file_ ? ERROR_SUCCESS : ::GetLastError();
        if (code == ERROR_SHARING_VIOLATION)
            throw Fault{kExcelError, L"'" + FileName(path) + L"' is locked for editing by another user."};
        // A read-only file, or one on a share this user may only read.
        readOnly_ = code == ERROR_ACCESS_DENIED;
    }
    if (readOnly_)
        file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_) return;
    DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
        code == ERROR_BAD_PATHNAME || code == ERROR_INVALID_DRIVE)
        throw Fault{kExcelError, L"'" + path + L"' could not be found."};
    CannotAccess(path);
}

WorkbookFile::~WorkbookFile() {
    if (registration_) table_->Revoke(registration_);
}

std::string WorkbookFile::Read() const {
    auto bytes = xlsx::ReadWholeFile(file_.get());
    if (!bytes) CannotAccess(path_);
    return std::move(*bytes);
}

void WorkbookFile::Write(const std::string& bytes) const {
    LARGE_INTEGER start{};
    DWORD written = 0;
    if (readOnly_ || !::SetFilePointerEx(file_.get(), start, nullptr, FILE_BEGIN) ||
        !::WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !::SetEndOfFile(file_.get()))
        throw Fault{kExcelError, L"Microsoft Excel cannot save the file '" + path_ + L"'."};
}

void WorkbookFile::Announce() {
    // Neither is needed to read the workbook: Excel opens it all the same when it cannot write them.
    if (!readOnly_) {
        owner_.reset(::CreateFileW(OwnerFilePath(path_).c_str(), GENERIC_WRITE | DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        std::string record = OwnerRecord();
        DWORD written = 0;
        if (owner_) ::WriteFile(owner_.get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    }
    win::ComPtr<IMoniker> moniker;
    if (FAILED(::GetRunningObjectTable(0, table_.put())) || FAILED(::CreateFileMoniker(path_.c_str(), moniker.put())))
        return;
    win::ComPtr<IUnknown> mark;
    mark.reset(new RunningMark);
    if (FAILED(table_->Register(0, mark.get(), moniker.get(), &registration_))) registration_ = 0;
}

}  // namespace standin
