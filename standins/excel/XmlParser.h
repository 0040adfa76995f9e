#pragma once
// Pull parsing of one XML part through XmlLite, which Windows (and Wine) ship as xmllite.dll.
// mingw has no import library for it, so CreateXmlReader is looked up at run time. Documents with a
// DTD are refused, elements nest at most kMaxDepth deep, and a reader that stops making progress
// (Wine's returns the same text node forever after some malformed endings) is cut off.
#include <windows.h>
#include <xmllite.h>

#include <string>
#include <string_view>

#include "win/ComPtr.h"

namespace xlsx {

class XmlParser {
public:
    static constexpr UINT kMaxDepth = 64;

    // xml must outlive the parser.
    explicit XmlParser(std::string_view xml);
    ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Moves to the next node; false at the end of the document or on an error (then ok() is false).
    bool Next();
    bool ok() const noexcept { return error_.empty(); }
    const std::string& error() const noexcept { return error_; }

    XmlNodeType type() const noexcept { return type_; }
    bool IsElement(const wchar_t* localName) const noexcept;
    bool IsEnd(const wchar_t* localName) const noexcept;
    // Local name of the current element or end tag.
    std::wstring_view name() const noexcept { return name_; }
    // Nesting level of the current element or end tag; the root element is 1.
    UINT depth() const noexcept { return depth_; }
    bool empty() const noexcept { return empty_; }
    // Text of the current text, whitespace or CDATA node.
    std::wstring_view text() const;
    bool IsText() const noexcept {
        return type_ == XmlNodeType_Text || type_ == XmlNodeType_Whitespace || type_ == XmlNodeType_CDATA;
    }

    // Calls f(localName, namespaceUri, value) for each attribute of the current element.
    template <typename F>
    void ForEachAttribute(F&& f) {
        if (type_ != XmlNodeType_Element) return;
        for (HRESULT hr = reader_->MoveToFirstAttribute(); hr == S_OK; hr = reader_->MoveToNextAttribute()) {
            const wchar_t *local = nullptr, *uri = nullptr, *value = nullptr;
            UINT localLength = 0, uriLength = 0, valueLength = 0;
            if (FAILED(reader_->GetLocalName(&local, &localLength)) ||
                FAILED(reader_->GetNamespaceUri(&uri, &uriLength)) ||
                FAILED(reader_->GetValue(&value, &valueLength)))
                break;
            f(std::wstring_view(local, localLength), std::wstring_view(uri, uriLength),
              std::wstring_view(value, valueLength));
        }
        reader_->MoveToElement();
    }
    // Calls f(qualifiedName, value) for each attribute of the current element, namespace
    // declarations included (one call into XmlLite per attribute fewer than ForEachAttribute, which
    // counts on a sheet of a million cells).
    template <typename F>
    void ForEachQualifiedAttribute(F&& f) {
        if (type_ != XmlNodeType_Element) return;
        for (HRESULT hr = reader_->MoveToFirstAttribute(); hr == S_OK; hr = reader_->MoveToNextAttribute()) {
            const wchar_t *name = nullptr, *value = nullptr;
            UINT nameLength = 0, valueLength = 0;
            if (FAILED(reader_->GetQualifiedName(&name, &nameLength)) ||
                FAILED(reader_->GetValue(&value, &valueLength)))
                break;
            f(std::wstring_view(name, nameLength), std::wstring_view(value, valueLength));
        }
        reader_->MoveToElement();
    }
    // Calls f(name, value) for each attribute without a namespace prefix (and no namespace declarations).
    template <typename F>
    void ForEachPlainAttribute(F&& f) {
        ForEachQualifiedAttribute([&](std::wstring_view name, std::wstring_view value) {
            if (name.find(L':') == std::wstring_view::npos && name != L"xmlns") f(name, value);
        });
    }
    // Reads the attribute of this name that has no namespace prefix into *value; false when there is none.
    bool Attribute(const wchar_t* name, std::wstring* value);

    // Skips the content of the current element, up to and including its end tag.
    bool SkipElement();

private:
    void Fail(const char* reason, HRESULT hr = S_OK);

    win::ComPtr<IMalloc> malloc_;  // outlives the reader, which allocates from it
    win::ComPtr<IXmlReader> reader_;
    win::ComPtr<IStream> input_;
    std::string error_;
    XmlNodeType type_ = XmlNodeType_None;
    std::wstring_view name_;
    std::size_t nodeBudget_ = 0;
    std::size_t textRun_ = 0;
    UINT level_ = 0;
    UINT depth_ = 0;
    bool empty_ = false;
    bool pop_ = false;
    bool sawRoot_ = false;
};

}  // namespace xlsx
