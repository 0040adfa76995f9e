#include "tests/standins/PrintLog.h"

#include <sstream>

namespace standin_tests {

namespace {

// A strict reader for the flat record: string and whole-number values, one object of strings and
// one array of strings.
class RecordReader {
public:
    explicit RecordReader(const std::string& text) : s_(text) {}

    PrintedLabel Read() {
        PrintedLabel out;
        bool ok = Take('{');
        while (ok && !Take('}')) {
            std::string key;
            ok = String(key) && Take(':');
            if (!ok) break;
            if (key == "substrings") {
                ok = Take('{');
                while (ok && !Take('}')) {
                    std::string name, value;
                    ok = String(name) && Take(':') && String(value);
                    out.substrings.emplace_back(name, value);
                    if (ok && Peek() == ',') ++pos_;
                }
            } else if (key == "images") {
                ok = Take('[');
                while (ok && !Take(']')) {
                    std::string name;
                    ok = String(name);
                    out.images.push_back(name);
                    if (ok && Peek() == ',') ++pos_;
                }
            } else if (Peek() == '"') {
                std::string value;
                ok = String(value);
                if (key == "template") out.templatePath = value;
                else if (key == "printer") out.printer = value;
            } else {
                long long value = 0;
                ok = Number(value);
                if (key == "copies") out.copies = value;
                else if (key == "serialized") out.serialized = value;
                else if (key == "labels") out.labels = value;
            }
            if (ok && Peek() == ',') ++pos_;
        }
        out.wellFormed = ok && Peek() == '\0';
        return out;
    }

private:
    char Peek() {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\r')) ++pos_;
        return pos_ < s_.size() ? s_[pos_] : '\0';
    }
    bool Take(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    bool Number(long long& value) {
        Peek();
        std::size_t start = pos_;
        while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || (pos_ == start && s_[pos_] == '-'))) ++pos_;
        if (pos_ == start) return false;
        value = std::stoll(s_.substr(start, pos_ - start));
        return true;
    }
    bool String(std::string& out) {
        if (!Take('"')) return false;
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= s_.size()) return false;
            char e = s_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case '"': case '\\': case '/': out += e; break;
                case 'u':
                    if (pos_ + 4 > s_.size()) return false;
                    out += static_cast<char>(std::stoi(s_.substr(pos_, 4), nullptr, 16));
                    pos_ += 4;
                    break;
                default: return false;
            }
        }
        return Take('"');
    }

    const std::string& s_;
    std::size_t pos_ = 0;
};

}  // namespace

std::vector<PrintedLabel> ParsePrintLog(const std::string& utf8Lines) {
    std::vector<PrintedLabel> records;
    std::istringstream lines(utf8Lines);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty() && line != "\r") records.push_back(RecordReader(line).Read());
    return records;
}

}  // namespace standin_tests
