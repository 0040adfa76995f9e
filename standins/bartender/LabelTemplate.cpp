#include "standins/bartender/LabelTemplate.h"

#include <windows.h>

#include "standins/common/StandinConfig.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace standin {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

std::wstring Trim(const std::wstring& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

// A failure of one line; the parser turns it into the whole file's refusal.
struct LineFault {
    std::wstring what;
};

// Reads a whole decimal number from min to max.
int Number(const std::wstring& text, int min, int max, const wchar_t* what) {
    std::wstring t = Trim(text);
    bool ok = !t.empty() && t.size() <= 6;
    long value = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9') ok = false;
        else value = value * 10 + (c - L'0');
    }
    if (!ok || value < min || value > max)
        throw LineFault{std::wstring(what) + L" must be a whole number from " + std::to_wstring(min) + L" to " +
                        std::to_wstring(max)};
    return static_cast<int>(value);
}

// Splits off the next blank-separated word of rest.
std::wstring NextWord(std::wstring& rest) {
    rest = Trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    std::wstring word = rest.substr(0, end);
    rest = rest.substr(end);
    return word;
}

constexpr int kMaxCoordinate = 4000;

LayoutItem LayoutLine(const std::wstring& line) {
    std::wstring rest = line;
    std::wstring kind = NextWord(rest);
    LayoutItem item;
    auto coordinate = [&](const wchar_t* what) { return Number(NextWord(rest), 0, kMaxCoordinate, what); };
    if (SameText(kind, L"text") || SameText(kind, L"bold")) {
        item.kind = SameText(kind, L"bold") ? LayoutKind::Bold : LayoutKind::Text;
        item.x = coordinate(L"X");
        item.y = coordinate(L"Y");
        item.size = Number(NextWord(rest), 4, 400, L"the text size");
        item.content = Trim(rest);
        if (item.content.empty()) throw LineFault{L"a text item needs its text"};
    } else if (SameText(kind, L"barcode")) {
        item.kind = LayoutKind::Barcode;
        item.x = coordinate(L"X");
        item.y = coordinate(L"Y");
        item.w = Number(NextWord(rest), 1, kMaxCoordinate, L"the width");
        item.h = Number(NextWord(rest), 1, kMaxCoordinate, L"the height");
        item.content = Trim(rest);
        if (item.content.empty()) throw LineFault{L"a barcode item needs its content"};
    } else if (SameText(kind, L"line") || SameText(kind, L"box")) {
        bool box = SameText(kind, L"box");
        item.kind = box ? LayoutKind::Box : LayoutKind::Line;
        item.x = coordinate(L"X");
        item.y = coordinate(L"Y");
        item.w = box ? Number(NextWord(rest), 1, kMaxCoordinate, L"the width") : coordinate(L"X2");
        item.h = box ? Number(NextWord(rest), 1, kMaxCoordinate, L"the height") : coordinate(L"Y2");
        std::wstring pen = NextWord(rest);
        item.size = pen.empty() ? 1 : Number(pen, 1, 50, L"the pen width");
        if (!Trim(rest).empty()) throw LineFault{L"unexpected text after the " + kind};
    } else {
        throw LineFault{L"unknown layout item \"" + kind + L"\" (text, bold, barcode, line or box)"};
    }
    return item;
}

enum class Section { None, Label, Substrings, Layout };

void ReadLine(const std::wstring& raw, Section& section, LabelTemplate& out) {
    std::wstring line = Trim(raw);
    if (line.empty() || line[0] == L';' || line[0] == L'#') return;
    if (line.front() == L'[') {
        if (line.back() != L']') throw LineFault{L"a section name must end with \"]\""};
        std::wstring name = Trim(line.substr(1, line.size() - 2));
        if (SameText(name, L"label")) section = Section::Label;
        else if (SameText(name, L"substrings")) section = Section::Substrings;
        else if (SameText(name, L"layout")) section = Section::Layout;
        else throw LineFault{L"unknown section [" + name + L"] (label, substrings or layout)"};
        return;
    }
    switch (section) {
        case Section::None: throw LineFault{L"a line outside of any section"};
        case Section::Layout:
            out.layout.push_back(LayoutLine(line));
            return;
        case Section::Label:
        case Section::Substrings: break;
    }
    std::size_t equals = line.find(L'=');
    if (equals == std::wstring::npos) throw LineFault{L"expected name=value"};
    std::wstring key = Trim(line.substr(0, equals));
    std::wstring value = Trim(line.substr(equals + 1));
    if (section == Section::Substrings) {
        if (key.empty() || key.find_first_of(L"{}") != std::wstring::npos)
            throw LineFault{L"a substring name must not be empty nor hold braces"};
        if (out.Find(key) >= 0) throw LineFault{L"the substring \"" + key + L"\" is defined twice"};
        out.substrings.push_back({key, value});
        return;
    }
    if (SameText(key, L"printer")) out.printer = value;
    else if (SameText(key, L"width")) out.width = Number(value, 50, kMaxCoordinate, L"width");
    else if (SameText(key, L"height")) out.height = Number(value, 50, kMaxCoordinate, L"height");
    else if (SameText(key, L"copies")) out.copies = Number(value, 1, 99999, L"copies");
    else if (SameText(key, L"serialized")) out.serialized = Number(value, 1, 99999, L"serialized");
    else throw LineFault{L"unknown label setting \"" + key + L"\""};
}

bool Fail(TemplateError* error, TemplateProblem problem, std::wstring detail) {
    if (error) *error = {problem, std::move(detail)};
    return false;
}

}  // namespace

int LabelTemplate::Find(const std::wstring& name) const {
    for (std::size_t i = 0; i < substrings.size(); ++i)
        if (SameText(substrings[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::wstring LabelTemplate::Fill(const std::wstring& content, const std::vector<std::wstring>& values) const {
    std::wstring out;
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t open = content.find(L'{', pos);
        std::size_t close = open == std::wstring::npos ? open : content.find(L'}', open + 1);
        if (close == std::wstring::npos) break;
        int index = Find(content.substr(open + 1, close - open - 1));
        if (index < 0 || static_cast<std::size_t>(index) >= values.size()) {
            // Not a placeholder: keep the brace and look again after it.
            out.append(content, pos, open + 1 - pos);
            pos = open + 1;
            continue;
        }
        out.append(content, pos, open - pos);
        out += values[static_cast<std::size_t>(index)];
        pos = close + 1;
    }
    if (pos < content.size()) out.append(content, pos, std::wstring::npos);
    return out;
}

std::optional<LabelTemplate> ParseTemplate(const std::string& bytes, TemplateError* error) {
    std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::size_t firstEnd = bytes.find('\n', start);
    std::string first = bytes.substr(start, (firstEnd == std::string::npos ? bytes.size() : firstEnd) - start);
    while (!first.empty() && (first.back() == '\r' || first.back() == ' ' || first.back() == '\t')) first.pop_back();
    if (first != kTemplateSignature) {
        Fail(error, TemplateProblem::NotATemplate, L"the file does not start with the template signature");
        return std::nullopt;
    }

    LabelTemplate out;
    Section section = Section::None;
    std::size_t pos = start, number = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string raw = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        std::wstring where = L"line " + std::to_wstring(number) + L": ";
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (number == 1 || raw.empty()) continue;
        std::optional<std::wstring> line = win::Decode(win::CodePage::Utf8, raw, win::InvalidBytes::Fail);
        if (!line) {
            Fail(error, TemplateProblem::Malformed, where + L"is not UTF-8 text");
            return std::nullopt;
        }
        try {
            ReadLine(*line, section, out);
        } catch (const LineFault& fault) {
            Fail(error, TemplateProblem::Malformed, where + fault.what);
            return std::nullopt;
        }
    }
    if (error) *error = {};
    return out;
}

std::optional<LabelTemplate> ReadTemplateFile(const std::wstring& path, TemplateError* error) {
    // Read-only, others may read too: opening a template never changes it, not even its times.
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD code = ::GetLastError();
        bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
                       code == ERROR_BAD_NETPATH;
        Fail(error, missing ? TemplateProblem::NotFound : TemplateProblem::CannotRead,
             missing ? L"the file was not found" : L"the file cannot be read (error " + std::to_wstring(code) + L")");
        return std::nullopt;
    }
    std::string bytes;
    char buffer[4096];
    for (DWORD n = 0; ::ReadFile(file.get(), buffer, sizeof(buffer), &n, nullptr) && n > 0;) bytes.append(buffer, n);
    return ParseTemplate(bytes, error);
}

}  // namespace standin
