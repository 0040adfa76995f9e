#include "tests/support/Json.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace testing_support {

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    Json Value() {
        Skip();
        if (pos_ >= s_.size()) throw std::runtime_error("end of text");
        char c = s_[pos_];
        Json v;
        if (c == '{') {
            v.kind = Json::Kind::Object;
            ++pos_;
            if (Peek() == '}') return ++pos_, v;
            do {
                Skip();
                std::string name = String();
                Expect(':');
                Json member = Value();
                v.members.emplace_back(std::move(name), std::move(member));
            } while (Next(','));
            Expect('}');
        } else if (c == '[') {
            v.kind = Json::Kind::Array;
            ++pos_;
            if (Peek() == ']') return ++pos_, v;
            do v.items.push_back(Value());
            while (Next(','));
            Expect(']');
        } else if (c == '"') {
            v.kind = Json::Kind::String;
            v.text = String();
        } else if (s_.compare(pos_, 4, "true") == 0 || s_.compare(pos_, 5, "false") == 0) {
            v.kind = Json::Kind::Bool;
            v.boolean = s_[pos_] == 't';
            pos_ += v.boolean ? 4 : 5;
        } else if (s_.compare(pos_, 4, "null") == 0) {
            pos_ += 4;
        } else {
            v.kind = Json::Kind::Number;
            char* end = nullptr;
            v.number = std::strtod(s_.c_str() + pos_, &end);
            if (end == s_.c_str() + pos_) throw std::runtime_error("not a value");
            pos_ = static_cast<size_t>(end - s_.c_str());
        }
        return v;
    }

    void End() {
        Skip();
        if (pos_ != s_.size()) throw std::runtime_error("text after the value");
    }

private:
    void Skip() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n')) ++pos_;
    }
    char Peek() {
        Skip();
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    bool Next(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    void Expect(char c) {
        if (!Next(c)) throw std::runtime_error("unexpected character");
    }
    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    std::string String() {
        Expect('"');
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) break;
            char e = s_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u':
                    AppendUtf8(out, static_cast<unsigned>(std::stoul(s_.substr(pos_, 4), nullptr, 16)));
                    pos_ += 4;
                    break;
                default: out += e;
            }
        }
        Expect('"');
        return out;
    }

    const std::string& s_;
    size_t pos_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& name) const {
    static const Json none;
    for (const auto& [key, value] : members)
        if (key == name) return value;
    return none;
}

Json ParseJson(const std::string& utf8) {
    try {
        Parser parser(utf8);
        Json value = parser.Value();
        parser.End();
        return value;
    } catch (...) {
        return {};
    }
}

std::vector<Json> ParseJsonLines(const std::string& utf8) {
    std::vector<Json> values;
    std::istringstream lines(utf8);
    std::string line;
    while (std::getline(lines, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos) values.push_back(ParseJson(line));
    return values;
}

}  // namespace testing_support
