#include "tests/support/Json.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "win/TextConversion.h"

namespace testing_support {

namespace {

class Parser {
public:
    explicit Parser(const std::string& s) : s_(s) {}

    Json Value() {
        Json v;
        if (Take('{')) {
            if (Take('}')) return v;
            do {
                std::string name = String();
                Expect(':');
                v.members.emplace_back(std::move(name), Value());
            } while (Take(','));
            Expect('}');
        } else if (Take('[')) {
            if (Take(']')) return v;
            do v.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (Peek() == '"') {
            v.text = String();
        } else {
            std::size_t end = std::min(s_.find_first_of(",]} \t\r\n", pos_), s_.size());
            if (end == pos_) throw std::runtime_error("no value");
            v.text = s_.substr(pos_, end - pos_);
            pos_ = end;
        }
        return v;
    }

    bool AtEnd() { return Peek() == '\0' && pos_ == s_.size(); }

private:
    char Peek() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r' || s_[pos_] == '\n'))
            ++pos_;
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    void Expect(char c) {
        if (!Take(c)) throw std::runtime_error("unexpected character");
    }
    std::string String() {
        Expect('"');
        std::string out;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (c != '\\' || pos_ >= s_.size()) {
                out += c;
                continue;
            }
            char e = s_[pos_++];
            if (e == 'u') {
                out += win::ToUtf8(std::wstring(1, static_cast<wchar_t>(std::stoul(s_.substr(pos_, 4), nullptr, 16))));
                pos_ += 4;
                continue;
            }
            out += e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e == 'b' ? '\b' : e == 'f' ? '\f' : e;
        }
        Expect('"');
        return out;
    }

    const std::string& s_;
    std::size_t pos_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& name) const {
    static const Json none;
    for (const auto& [key, value] : members)
        if (key == name) return value;
    return none;
}

long long Json::Integer() const {
    try {
        return std::stoll(text);
    } catch (...) {
        return 0;
    }
}

std::vector<Json> ParseJsonLines(const std::string& utf8) {
    std::vector<Json> values;
    std::istringstream lines(utf8);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        try {
            Parser parser(line);
            values.push_back(parser.Value());
            if (!parser.AtEnd()) values.back() = Json{};
        } catch (...) {
            values.push_back(Json{});
        }
    }
    return values;
}

}  // namespace testing_support
