#pragma once
// A pull reader for the XML parts of a workbook package: UTF-8 elements, attributes and text, as
// spreadsheet programs write them. Names are reduced to their local part (namespace prefixes are
// dropped), entity and character references are decoded, and the declaration, comments and
// processing instructions are skipped. A document type definition, a broken or unbalanced tag, an
// unknown entity or content outside the one root element stops the reader with an error.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xlsx {

class XmlReader {
public:
    enum class Node { Element, End, Text, Done, Error };

    // xml must outlive the reader.
    explicit XmlReader(std::string_view xml);

    // Moves to the next node. An empty element (<c/>) gives its Element and then its End.
    Node Next();
    // The local name of the current Element or End.
    std::string_view name() const noexcept { return name_; }
    // The text of the current Text node.
    std::string_view text() const noexcept { return text_; }
    // An attribute of the current Element, by local name.
    std::optional<std::string> Attribute(std::string_view localName) const;
    const std::string& error() const noexcept { return error_; }

private:
    Node Fail(const char* reason);
    Node StartTag();
    Node EndTag();
    bool SkipPast(std::string_view marker);

    std::string_view xml_;
    std::size_t pos_ = 0;
    std::vector<std::string_view> open_;  // qualified names of the open elements
    std::vector<std::pair<std::string_view, std::string_view>> attributes_;  // qualified name, raw value
    std::string_view name_;
    std::string_view text_;
    std::string decoded_;
    std::string error_;
    bool sawRoot_ = false;
    bool closeEmpty_ = false;  // the current Element was empty: its End comes next
};

}  // namespace xlsx
