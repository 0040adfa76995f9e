#include "standins/excel/XmlParser.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

namespace xlsx {

namespace {

using CreateXmlReaderFn = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFn XmlLite() {
    // Loaded once and kept for the life of the process.
    static CreateXmlReaderFn create = [] {
        HMODULE dll = ::LoadLibraryW(L"xmllite.dll");
        return dll ? reinterpret_cast<CreateXmlReaderFn>(reinterpret_cast<void*>(::GetProcAddress(dll, "CreateXmlReader")))
                   : nullptr;
    }();
    return create;
}

// A read-only stream over bytes owned by someone else; XmlLite pulls the document through it.
class MemoryStream final : public IStream {
public:
    explicit MemoryStream(std::string_view bytes) : bytes_(bytes) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        std::size_t n = std::min<std::size_t>(size, bytes_.size() - position_);
        if (n) std::memcpy(buffer, bytes_.data() + position_, n);
        position_ += n;
        if (read) *read = static_cast<ULONG>(n);
        return n == size ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        LONGLONG base = origin == STREAM_SEEK_SET ? 0
                        : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(position_)
                        : origin == STREAM_SEEK_END ? static_cast<LONGLONG>(bytes_.size())
                                                    : -1;
        if (base < 0) return STG_E_INVALIDFUNCTION;
        LONGLONG target = base + move.QuadPart;
        if (target < 0 || target > static_cast<LONGLONG>(bytes_.size())) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<std::size_t>(target);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return E_POINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::atomic<ULONG> refs_{1};
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// XmlLite's allocations for one reader, from a heap of the reader's own. Wine's XmlLite allocates
// for every node; from the shared process heap, readers on two threads slow each other down to
// less than one reader alone.
class PrivateHeap final : public IMalloc {
public:
    PrivateHeap() : heap_(::HeapCreate(HEAP_NO_SERIALIZE, 0, 0)) {}
    ~PrivateHeap() {
        if (heap_) ::HeapDestroy(heap_);
    }
    bool ok() const noexcept { return heap_ != nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *out = static_cast<IMalloc*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = --refs_;
        if (n == 0) delete this;
        return n;
    }
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override { return ::HeapAlloc(heap_, 0, size ? size : 1); }
    void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override {
        if (!block) return Alloc(size);
        if (size == 0) {
            Free(block);
            return nullptr;
        }
        return ::HeapReAlloc(heap_, 0, block, size);
    }
    void STDMETHODCALLTYPE Free(void* block) override {
        if (block) ::HeapFree(heap_, 0, block);
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override { return block ? ::HeapSize(heap_, 0, block) : 0; }
    int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
    void STDMETHODCALLTYPE HeapMinimize() override {}

private:
    std::atomic<ULONG> refs_{1};
    HANDLE heap_;
};

}  // namespace

XmlParser::XmlParser(std::string_view xml) : nodeBudget_(xml.size() / 2 + 64) {
    CreateXmlReaderFn create = XmlLite();
    if (!create) {
        Fail("xmllite.dll is not available");
        return;
    }
    malloc_.reset(new PrivateHeap());
    if (!static_cast<PrivateHeap*>(malloc_.get())->ok()) malloc_.reset();
    HRESULT hr = create(__uuidof(IXmlReader), reader_.put_void(), malloc_.get());
    if (FAILED(hr) || !reader_) {
        Fail("cannot create an XML reader", hr);
        return;
    }
    // Entity definitions are the classic way to blow a small document up: no DTD at all.
    reader_->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    reader_->SetProperty(XmlReaderProperty_MaxElementDepth, kMaxDepth + 1);
    input_.reset(new MemoryStream(xml));
    hr = reader_->SetInput(input_.get());
    if (FAILED(hr)) Fail("cannot start reading XML", hr);
}

XmlParser::~XmlParser() {
    // Let go of the stream before the bytes it reads go away.
    if (reader_) reader_->SetInput(nullptr);
}

void XmlParser::Fail(const char* reason, HRESULT hr) {
    if (!error_.empty()) return;
    error_ = reason;
    if (hr != S_OK) {
        char code[32];
        std::snprintf(code, sizeof(code), " (0x%08lX)", static_cast<unsigned long>(hr));
        error_ += code;
    }
}

bool XmlParser::Next() {
    if (!reader_ || !error_.empty()) return false;
    if (pop_) {
        --level_;
        pop_ = false;
    }
    XmlNodeType type = XmlNodeType_None;
    HRESULT hr = reader_->Read(&type);
    if (hr == S_FALSE) {
        type_ = XmlNodeType_None;
        if (level_ != 0) Fail("XML document ends inside an element");
        else if (!sawRoot_) Fail("XML document has no root element");
        return false;
    }
    if (hr != S_OK) {
        Fail("malformed XML", hr);
        return false;
    }
    type_ = type;
    // Every node takes at least two bytes of the document (the shortest pair is a one-character text
    // and a four-character empty element), and adjacent text nodes are merged; more nodes than that
    // means the reader is going round in circles.
    textRun_ = IsText() ? textRun_ + 1 : 0;
    if (nodeBudget_-- == 0 || textRun_ > 4096) {
        Fail("XML reader makes no progress");
        return false;
    }
    // Wine's reader lets text or a second element outside the root pass, and then ends the document
    // early; Windows refuses such a document, and so does this parser.
    if (level_ == 0 && (type == XmlNodeType_Text || type == XmlNodeType_CDATA ||
                        (type == XmlNodeType_Element && sawRoot_))) {
        Fail("XML content outside the root element");
        return false;
    }
    switch (type) {
        case XmlNodeType_DocumentType:
            Fail("XML with a document type definition is refused");
            return false;
        case XmlNodeType_Element: {
            const wchar_t* local = nullptr;
            UINT length = 0;
            reader_->GetLocalName(&local, &length);
            name_ = std::wstring_view(local ? local : L"", length);
            empty_ = reader_->IsEmptyElement() != FALSE;
            depth_ = ++level_;
            sawRoot_ = true;
            if (level_ > kMaxDepth) {
                Fail("XML elements nest too deeply");
                return false;
            }
            pop_ = empty_;
            return true;
        }
        case XmlNodeType_EndElement: {
            const wchar_t* local = nullptr;
            UINT length = 0;
            reader_->GetLocalName(&local, &length);
            name_ = std::wstring_view(local ? local : L"", length);
            empty_ = false;
            depth_ = level_;
            pop_ = true;
            return true;
        }
        default:
            name_ = {};
            empty_ = false;
            depth_ = level_ + 1;
            return true;
    }
}

bool XmlParser::IsElement(const wchar_t* localName) const noexcept {
    return type_ == XmlNodeType_Element && name_ == localName;
}

bool XmlParser::IsEnd(const wchar_t* localName) const noexcept {
    return type_ == XmlNodeType_EndElement && name_ == localName;
}

std::wstring_view XmlParser::text() const {
    const wchar_t* value = nullptr;
    UINT length = 0;
    if (FAILED(reader_->GetValue(&value, &length)) || !value) return {};
    return std::wstring_view(value, length);
}

bool XmlParser::Attribute(const wchar_t* name, std::wstring* value) {
    bool found = false;
    ForEachPlainAttribute([&](std::wstring_view attribute, std::wstring_view v) {
        if (!found && attribute == name) {
            value->assign(v);
            found = true;
        }
    });
    return found;
}

bool XmlParser::SkipElement() {
    if (type_ != XmlNodeType_Element || empty_) return ok();
    UINT depth = depth_;
    while (Next())
        if (type_ == XmlNodeType_EndElement && depth_ == depth) return true;
    return false;
}

}  // namespace xlsx
