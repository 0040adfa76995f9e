#pragma once
// The documents an application instance has open (Excel's workbooks, BarTender's label formats),
// read into memory from their files, in opening order. An automation object keeps its document alive
// after the document is closed; calls on the object then fail.
#include <memory>
#include <string>
#include <vector>

namespace standin {

struct Document {
    std::wstring path;  // full
    bool closed = false;

    std::wstring name() const { return path.substr(path.find_last_of(L"\\/") + 1); }
};

// The full path of a file, as an application reports a document it opened.
std::wstring FullPath(const std::wstring& path);

template <typename T>
class OpenDocuments {
public:
    const std::vector<std::shared_ptr<T>>& list() const noexcept { return list_; }
    void Add(std::shared_ptr<T> document) { list_.push_back(std::move(document)); }
    // Moves an open document to the end, where an application keeps the active one.
    void Activate(const std::shared_ptr<T>& document) {
        std::erase(list_, document);
        list_.push_back(document);
    }
    void Close(const std::shared_ptr<T>& document) {
        document->closed = true;
        std::erase(list_, document);
    }
    void CloseAll() {
        for (auto& document : list_) document->closed = true;
        list_.clear();
    }

private:
    std::vector<std::shared_ptr<T>> list_;
};

}  // namespace standin
