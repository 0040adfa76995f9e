#include "standins/excel/XmlReader.h"

#include <charconv>

namespace xlsx {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view LocalName(std::string_view qualified) {
    std::size_t colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Text or an attribute value with its references replaced; false for an unknown or broken one.
bool Decode(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t at = 0; at < raw.size();) {
        std::size_t amp = raw.find('&', at);
        out.append(raw.substr(at, amp - at));
        if (amp == std::string_view::npos) break;
        std::size_t semicolon = raw.find(';', amp);
        if (semicolon == std::string_view::npos) return false;
        std::string_view name = raw.substr(amp + 1, semicolon - amp - 1);
        at = semicolon + 1;
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};
        bool known = false;
        for (const auto& [entity, c] : kEntities)
            if (name == entity) out += c, known = true;
        if (known) continue;
        if (name.size() < 2 || name[0] != '#') return false;
        bool hex = name[1] == 'x';
        std::uint32_t code = 0;
        auto digits = name.substr(hex ? 2 : 1);
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
        if (ec != std::errc() || end != digits.data() + digits.size() || code == 0 || code > 0x10FFFF) return false;
        AppendUtf8(out, code);
    }
    return true;
}

}  // namespace

XmlReader::XmlReader(std::string_view xml) : xml_(xml) {
    if (xml_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

XmlReader::Node XmlReader::Fail(const char* reason) {
    if (error_.empty()) error_ = reason;
    pos_ = xml_.size();
    return Node::Error;
}

bool XmlReader::SkipPast(std::string_view marker) {
    std::size_t at = xml_.find(marker, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + marker.size();
    return true;
}

XmlReader::Node XmlReader::Next() {
    if (!error_.empty()) return Node::Error;
    if (closeEmpty_) {
        closeEmpty_ = false;
        open_.pop_back();
        return Node::End;
    }
    while (pos_ < xml_.size()) {
        if (xml_[pos_] != '<') {
            std::size_t end = xml_.find('<', pos_);
            if (end == std::string_view::npos) end = xml_.size();
            std::string_view raw = xml_.substr(pos_, end - pos_);
            pos_ = end;
            if (open_.empty()) {
                for (char c : raw)
                    if (!IsSpace(c)) return Fail("text outside the root element");
                continue;
            }
            if (raw.find('&') == std::string_view::npos) {
                text_ = raw;
            } else {
                if (!Decode(raw, decoded_)) return Fail("an unknown or broken reference");
                text_ = decoded_;
            }
            return Node::Text;
        }
        std::string_view rest = xml_.substr(pos_);
        if (rest.starts_with("<?")) {
            if (!SkipPast("?>")) return Fail("an unclosed processing instruction");
        } else if (rest.starts_with("<!--")) {
            if (!SkipPast("-->")) return Fail("an unclosed comment");
        } else if (rest.starts_with("<![CDATA[")) {
            std::size_t start = pos_ + 9;
            if (open_.empty() || !SkipPast("]]>")) return Fail("misplaced or unclosed character data");
            text_ = xml_.substr(start, pos_ - 3 - start);
            return Node::Text;
        } else if (rest.starts_with("<!")) {
            return Fail("a document type definition is refused");
        } else if (rest.starts_with("</")) {
            return EndTag();
        } else {
            return StartTag();
        }
    }
    if (!open_.empty()) return Fail("the document ends inside an element");
    if (!sawRoot_) return Fail("the document has no root element");
    return Node::Done;
}

XmlReader::Node XmlReader::StartTag() {
    if (open_.empty() && sawRoot_) return Fail("a second root element");
    std::size_t at = pos_ + 1, end = xml_.size();
    auto nameEnd = [&] {
        while (at < end && !IsSpace(xml_[at]) && xml_[at] != '/' && xml_[at] != '>' && xml_[at] != '=') ++at;
    };
    auto skipSpace = [&] {
        while (at < end && IsSpace(xml_[at])) ++at;
    };
    std::size_t start = at;
    nameEnd();
    std::string_view qualified = xml_.substr(start, at - start);
    if (qualified.empty()) return Fail("a broken tag");
    attributes_.clear();
    for (;;) {
        skipSpace();
        if (at >= end) return Fail("a broken tag");
        if (xml_[at] == '>' || xml_.substr(at, 2) == "/>") break;
        start = at;
        nameEnd();
        std::string_view attribute = xml_.substr(start, at - start);
        skipSpace();
        if (attribute.empty() || at >= end || xml_[at] != '=') return Fail("a broken attribute");
        ++at;
        skipSpace();
        if (at >= end || (xml_[at] != '"' && xml_[at] != '\'')) return Fail("a broken attribute");
        std::size_t close = xml_.find(xml_[at], at + 1);
        if (close == std::string_view::npos) return Fail("a broken attribute");
        attributes_.emplace_back(attribute, xml_.substr(at + 1, close - at - 1));
        at = close + 1;
    }
    closeEmpty_ = xml_[at] == '/';
    pos_ = at + (closeEmpty_ ? 2 : 1);
    sawRoot_ = true;
    open_.push_back(qualified);
    name_ = LocalName(qualified);
    return Node::Element;
}

XmlReader::Node XmlReader::EndTag() {
    std::size_t close = xml_.find('>', pos_);
    if (close == std::string_view::npos) return Fail("a broken end tag");
    std::string_view qualified = xml_.substr(pos_ + 2, close - pos_ - 2);
    while (!qualified.empty() && IsSpace(qualified.back())) qualified.remove_suffix(1);
    if (open_.empty() || open_.back() != qualified) return Fail("an end tag that matches no open element");
    open_.pop_back();
    pos_ = close + 1;
    name_ = LocalName(qualified);
    return Node::End;
}

std::optional<std::string> XmlReader::Attribute(std::string_view localName) const {
    for (const auto& [qualified, raw] : attributes_) {
        if (qualified == "xmlns" || qualified.starts_with("xmlns:") || LocalName(qualified) != localName) continue;
        std::string value;
        if (!Decode(raw, value)) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace xlsx
