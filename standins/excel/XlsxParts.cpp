#include "standins/excel/XlsxParts.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>
#include <map>
#include <new>
#include <system_error>
#include <thread>

#include "standins/excel/CellReference.h"
#include "standins/excel/NumberFormats.h"
#include "standins/excel/XmlParser.h"
#include "win/TextConversion.h"

namespace xlsx {

namespace {

bool Fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

bool FailXml(std::string* reason, const XmlParser& xml, const char* part) {
    return Fail(reason, std::string(part) + ": " + xml.error());
}

std::optional<std::uint32_t> ParseUnsigned(std::wstring_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t' || text.front() == L'\r' || text.front() == L'\n'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t' || text.back() == L'\r' || text.back() == L'\n'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> ParseNumber(std::wstring_view text) {
    text = Trim(text);
    char narrow[128];
    if (text.empty() || text.size() >= sizeof(narrow)) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] > 0x7F) return std::nullopt;
        narrow[i] = static_cast<char>(text[i]);
    }
    double value = 0;
    auto [end, ec] = std::from_chars(narrow, narrow + text.size(), value);
    if (ec != std::errc() || end != narrow + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// Excel's error values and the numbers CVErr gives them.
std::uint32_t ErrorNumber(std::wstring_view text) {
    static const std::pair<const wchar_t*, std::uint32_t> kErrors[] = {
        {L"#NULL!", 2000},        {L"#DIV/0!", 2007}, {L"#VALUE!", 2015}, {L"#REF!", 2023},
        {L"#NAME?", 2029},        {L"#NUM!", 2036},   {L"#N/A", 2042},    {L"#GETTING_DATA", 2043},
        {L"#SPILL!", 2045},       {L"#CALC!", 2050},
    };
    text = Trim(text);
    for (const auto& [name, number] : kErrors)
        if (text == name) return number;
    return 2015;  // an error this version does not know shows as #VALUE!
}

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool ReadDigits(std::wstring_view& text, std::size_t count, unsigned* value) {
    if (text.size() < count) return false;
    *value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        *value = *value * 10 + static_cast<unsigned>(text[i] - L'0');
    }
    text.remove_prefix(count);
    return true;
}

bool Skip(std::wstring_view& text, wchar_t c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

void DecodeEscapes(std::wstring* text) {
    if (text->find(L"_x") == std::wstring::npos) return;
    std::wstring out;
    out.reserve(text->size());
    for (std::size_t i = 0; i < text->size(); ++i) {
        if (text->compare(i, 2, L"_x") == 0 && i + 7 <= text->size() && (*text)[i + 6] == L'_') {
            unsigned value = 0;
            bool hex = true;
            for (std::size_t k = i + 2; k < i + 6; ++k) {
                wchar_t c = (*text)[k];
                unsigned digit = c >= L'0' && c <= L'9'   ? c - L'0'
                                 : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                 : c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                          : 16;
                if (digit == 16) hex = false;
                value = value * 16 + digit;
            }
            if (hex) {
                out += static_cast<wchar_t>(value);
                i += 6;
                continue;
            }
        }
        out += (*text)[i];
    }
    *text = std::move(out);
}

std::optional<double> DateFromSerial(double serial, bool date1904) {
    // The serial goes out unchanged, as Range.Value hands it out; before March 1900 that makes the
    // automation date one day earlier than the date Excel shows (Excel counts a 29 February 1900).
    if (date1904) serial += 1462;
    // Automation dates run from 1 January 100 to 31 December 9999; Excel shows none before its epoch.
    if (serial < 0 || serial >= 2958466) return std::nullopt;
    return serial;
}

std::optional<double> DateFromIso(std::wstring_view text) {
    text = Trim(text);
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadDigits(text, 4, &year) || !Skip(text, L'-') || !ReadDigits(text, 2, &month) || !Skip(text, L'-') ||
        !ReadDigits(text, 2, &day))
        return std::nullopt;
    double fraction = 0;
    if (Skip(text, L'T')) {
        if (!ReadDigits(text, 2, &hour) || !Skip(text, L':') || !ReadDigits(text, 2, &minute)) return std::nullopt;
        if (Skip(text, L':') && !ReadDigits(text, 2, &second)) return std::nullopt;
        if (Skip(text, L'.')) {
            double scale = 0.1;
            while (!text.empty() && text.front() >= L'0' && text.front() <= L'9') {
                fraction += (text.front() - L'0') * scale;
                scale /= 10;
                text.remove_prefix(1);
            }
        }
        // A zone designator is accepted and ignored: Excel keeps wall-clock times.
        if (!text.empty() && (text.front() == L'Z' || text.front() == L'+' || text.front() == L'-')) text = {};
    }
    if (!text.empty() || month < 1 || month > 12 || day < 1 || day > 31 || hour > 24 || minute > 59 || second > 59)
        return std::nullopt;
    double days = static_cast<double>(DaysFromCivil(year, month, day) + 25569);  // 1899-12-30 is day 0
    double time = (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
    double value = days + time;
    if (value < -657434 || value >= 2958466) return std::nullopt;
    return value;
}

bool ReadSharedStrings(std::string_view xml, std::size_t maxStrings, std::vector<std::wstring>* strings,
                       std::string* reason) {
    XmlParser x(xml);
    std::wstring current;
    bool inItem = false, inText = false;
    while (x.Next()) {
        if (x.type() == XmlNodeType_Element) {
            if (x.name() == L"si") {
                if (strings->size() >= maxStrings) return Fail(reason, "shared strings: too many strings");
                inItem = !x.empty();
                current.clear();
                if (x.empty()) strings->emplace_back();
            } else if (x.name() == L"rPh") {
                // Phonetic guides are not part of the cell's text.
                if (!x.SkipElement()) break;
            } else if (x.name() == L"t") {
                inText = inItem && !x.empty();
            }
        } else if (x.type() == XmlNodeType_EndElement) {
            if (x.name() == L"t") {
                inText = false;
            } else if (x.name() == L"si" && inItem) {
                DecodeEscapes(&current);
                strings->push_back(std::move(current));
                current = std::wstring();
                inItem = false;
            }
        } else if (inText && x.IsText()) {
            current += x.text();
        }
    }
    if (!x.ok()) return FailXml(reason, x, "shared strings");
    return true;
}

bool ReadDateStyles(std::string_view xml, std::vector<bool>* dateStyles, std::string* reason) {
    XmlParser x(xml);
    std::map<std::uint32_t, bool> custom;
    std::vector<std::uint32_t> formats;
    UINT xfsDepth = 0;  // depth of <cellXfs> while inside it
    while (x.Next()) {
        if (x.type() == XmlNodeType_Element) {
            if (x.name() == L"numFmt") {
                std::wstring id, code;
                x.Attribute(L"numFmtId", &id);
                x.Attribute(L"formatCode", &code);
                auto number = ParseUnsigned(id);
                if (!number) return Fail(reason, "styles: number format without a valid id");
                custom[*number] = IsDateFormatCode(code);
            } else if (x.name() == L"cellXfs") {
                xfsDepth = x.empty() ? 0 : x.depth();
            } else if (xfsDepth && x.name() == L"xf" && x.depth() == xfsDepth + 1) {
                std::wstring id;
                std::optional<std::uint32_t> number = 0u;
                if (x.Attribute(L"numFmtId", &id)) number = ParseUnsigned(id);
                if (!number) return Fail(reason, "styles: cell format with an invalid number format id");
                formats.push_back(*number);
            }
        } else if (x.type() == XmlNodeType_EndElement && x.name() == L"cellXfs") {
            xfsDepth = 0;
        }
    }
    if (!x.ok()) return FailXml(reason, x, "styles");
    dateStyles->clear();
    dateStyles->reserve(formats.size());
    for (std::uint32_t id : formats) {
        auto it = custom.find(id);
        dateStyles->push_back(it != custom.end() ? it->second : IsBuiltInDateFormat(id));
    }
    return true;
}

namespace {

enum class CellType { Number, Shared, Text, Inline, Bool, Error, IsoDate };

std::optional<CellType> ParseCellType(std::wstring_view t) {
    if (t.empty() || t == L"n") return CellType::Number;
    if (t == L"s") return CellType::Shared;
    if (t == L"str") return CellType::Text;
    if (t == L"inlineStr") return CellType::Inline;
    if (t == L"b") return CellType::Bool;
    if (t == L"e") return CellType::Error;
    if (t == L"d") return CellType::IsoDate;
    return std::nullopt;
}

// One <c> element while it is read.
struct PendingCell {
    std::uint32_t row = 0;
    std::uint32_t column = 0;
    CellType type = CellType::Number;
    bool date = false;
    bool hasValue = false;
    bool hasFormula = false;
    bool hasInline = false;
    std::wstring value;
    std::wstring inlineText;
};

// A reader's share of a budget that the threads reading one sheet draw from together; it takes
// from the shared budget in batches, so the threads do not contend for it at every cell.
class Allowance {
public:
    explicit Allowance(std::atomic<std::size_t>* shared) : shared_(shared) {}
    bool Take() {
        if (local_ == 0) {
            std::size_t left = shared_->load(std::memory_order_relaxed);
            std::size_t batch = 0;
            do {
                if (left == 0) return false;
                batch = std::min<std::size_t>(left, 4096);
            } while (!shared_->compare_exchange_weak(left, left - batch, std::memory_order_relaxed));
            local_ = batch;
        }
        --local_;
        return true;
    }

private:
    std::atomic<std::size_t>* shared_;
    std::size_t local_ = 0;
};

// Text cells read by a chunk point into the chunk's own strings until the chunks are joined.
constexpr std::uint32_t kChunkString = 0x80000000u;

class SheetReader {
public:
    // Strings the sheet adds are appended to *strings; a text cell's index is indexBase plus the
    // position there. A chunk (rows cut out of a larger part) needs every row numbered.
    SheetReader(std::string_view xml, const SheetContext& context, std::vector<std::wstring>* strings,
                std::uint32_t indexBase, CellGrid* cells, bool chunk)
        : x_(xml), context_(context), strings_(strings), indexBase_(indexBase), cells_(cells), chunk_(chunk),
          cellAllowance_(context.cellBudget), stringAllowance_(context.stringBudget) {}

    // A chunk met a row without a number, which only a reading of the whole part can place.
    bool needsWholePart() const noexcept { return needsWholePart_; }

    bool Run(std::string* reason) {
        while (x_.Next()) {
            if (!Step()) return Fail(reason, "worksheet: " + error_);
        }
        if (!x_.ok()) return FailXml(reason, x_, "worksheet");
        cells_->Finish();
        return true;
    }

private:
    bool Error(const char* text) {
        error_ = text;
        return false;
    }

    bool Step() {
        XmlNodeType type = x_.type();
        if (type == XmlNodeType_Element) return OnElement();
        if (type == XmlNodeType_EndElement) return OnEnd();
        if (x_.IsText()) {
            if (inValue_) cell_.value += x_.text();
            else if (inInlineText_) cell_.inlineText += x_.text();
        }
        return true;
    }

    bool OnElement() {
        std::wstring_view name = x_.name();
        if (!inSheetData_) {
            if (name == L"sheetData" && !x_.empty()) {
                inSheetData_ = true;
                sheetDataDepth_ = x_.depth();
            }
            return true;
        }
        if (cellDepth_) return OnCellChild(name);
        if (name == L"row" && x_.depth() == sheetDataDepth_ + 1) return OnRow();
        if (name == L"c" && x_.depth() == sheetDataDepth_ + 2) return OnCell();
        return true;
    }

    bool OnRow() {
        std::wstring r;
        if (x_.Attribute(L"r", &r)) {
            auto number = ParseUnsigned(r);
            if (!number || *number < 1 || *number > kMaxRow) return Error("row number out of range");
            row_ = *number;
        } else {
            if (chunk_) {
                needsWholePart_ = true;
                return Error("row without a number");
            }
            if (row_ >= kMaxRow) return Error("row number out of range");
            ++row_;
        }
        column_ = 0;
        return true;
    }

    bool OnCell() {
        if (row_ == 0) return Error("cell outside a row");
        cell_.row = row_;
        cell_.column = column_ + 1;
        cell_.type = CellType::Number;
        cell_.date = false;
        cell_.hasValue = cell_.hasFormula = cell_.hasInline = false;
        cell_.value.clear();
        cell_.inlineText.clear();
        const char* problem = nullptr;
        x_.ForEachPlainAttribute([&](std::wstring_view name, std::wstring_view value) {
            if (problem) return;
            if (name == L"r") {
                auto address = ParseCellAddress(value);
                if (!address) problem = "cell reference out of range";
                else if (address->row != row_) problem = "cell reference outside its row";
                else cell_.column = address->column;
            } else if (name == L"t") {
                auto t = ParseCellType(value);
                if (!t) problem = "unknown cell type";
                else cell_.type = *t;
            } else if (name == L"s") {
                // A style the part does not define shows the number as it is.
                auto style = ParseUnsigned(value);
                if (!style) problem = "invalid cell style";
                else cell_.date = *style < context_.dateStyles->size() && (*context_.dateStyles)[*style];
            }
        });
        if (problem) return Error(problem);
        if (cell_.column > kMaxColumn) return Error("cell reference out of range");
        column_ = cell_.column;
        if (x_.empty()) return true;  // a formatted blank
        cellDepth_ = x_.depth();
        return true;
    }

    bool OnCellChild(std::wstring_view name) {
        if (x_.depth() == cellDepth_ + 1) {
            if (name == L"v") {
                cell_.hasValue = true;
                inValue_ = !x_.empty();
            } else if (name == L"f") {
                cell_.hasFormula = true;
            } else if (name == L"is") {
                cell_.hasInline = true;
                inlineDepth_ = x_.empty() ? 0 : x_.depth();
            }
            return true;
        }
        if (inlineDepth_) {
            if (name == L"rPh") {
                // Phonetic guides are not part of the cell's text; a parse error surfaces from Next().
                x_.SkipElement();
                return true;
            }
            if (name == L"t") inInlineText_ = !x_.empty();
        }
        return true;
    }

    bool OnEnd() {
        std::wstring_view name = x_.name();
        if (inSheetData_ && name == L"sheetData" && x_.depth() == sheetDataDepth_) {
            inSheetData_ = false;
            return true;
        }
        if (!cellDepth_) return true;
        if (name == L"v") inValue_ = false;
        else if (name == L"t") inInlineText_ = false;
        else if (name == L"is" && x_.depth() == inlineDepth_) inlineDepth_ = 0;
        else if (name == L"c" && x_.depth() == cellDepth_) {
            cellDepth_ = 0;
            return Store();
        }
        return true;
    }

    std::optional<std::uint32_t> AddString(std::wstring text) {
        if (!stringAllowance_.Take()) {
            error_ = "too many strings";
            return std::nullopt;
        }
        DecodeEscapes(&text);
        strings_->push_back(std::move(text));
        return static_cast<std::uint32_t>(indexBase_ + strings_->size() - 1);
    }

    bool Put(const Cell& cell) {
        if (!cellAllowance_.Take()) return Error("too many cells");
        cells_->Add(cell_.row, cell);
        return true;
    }

    bool PutText(Cell cell, std::wstring text) {
        auto index = AddString(std::move(text));
        if (!index) return false;
        cell.kind = CellKind::Text;
        cell.index = *index;
        return Put(cell);
    }

    bool Store() {
        Cell cell;
        cell.column = static_cast<std::uint16_t>(cell_.column);
        switch (cell_.type) {
            case CellType::Shared: {
                if (!cell_.hasValue) return true;
                auto index = ParseUnsigned(Trim(cell_.value));
                if (!index || *index >= context_.sharedCount) return Error("shared string index out of range");
                cell.kind = CellKind::Text;
                cell.index = *index;
                return Put(cell);
            }
            case CellType::Inline:
                if (!cell_.hasInline && !cell_.hasValue) return true;
                return PutText(cell, cell_.hasInline ? std::move(cell_.inlineText) : std::move(cell_.value));
            case CellType::Text:
                if (!cell_.hasValue && !cell_.hasFormula) return true;
                return PutText(cell, std::move(cell_.value));
            case CellType::Bool: {
                if (!cell_.hasValue) return true;
                std::wstring_view v = Trim(cell_.value);
                if (v != L"0" && v != L"1" && v != L"true" && v != L"false") return Error("invalid logical value");
                cell.kind = CellKind::Bool;
                cell.number = (v == L"1" || v == L"true") ? 1 : 0;
                return Put(cell);
            }
            case CellType::Error:
                if (!cell_.hasValue) return true;
                cell.kind = CellKind::Error;
                cell.index = ErrorNumber(cell_.value);
                return Put(cell);
            case CellType::IsoDate: {
                if (!cell_.hasValue) return true;
                auto date = DateFromIso(cell_.value);
                if (date) {
                    cell.kind = CellKind::Date;
                    cell.number = *date;
                } else {
                    cell.kind = CellKind::Error;
                    cell.index = 2015;
                }
                return Put(cell);
            }
            case CellType::Number: {
                if (!cell_.hasValue || Trim(cell_.value).empty()) {
                    // A formula Excel has not calculated yet: it holds something, but no value to show.
                    if (!cell_.hasFormula) return true;
                    return PutText(cell, std::wstring());
                }
                auto number = ParseNumber(cell_.value);
                if (!number) return Error("invalid number");
                auto date = cell_.date ? DateFromSerial(*number, context_.date1904) : std::nullopt;
                cell.kind = date ? CellKind::Date : CellKind::Number;
                cell.number = date ? *date : *number;
                return Put(cell);
            }
        }
        return true;
    }

    XmlParser x_;
    const SheetContext& context_;
    std::vector<std::wstring>* strings_;
    std::uint32_t indexBase_;
    CellGrid* cells_;
    bool chunk_;
    bool needsWholePart_ = false;
    Allowance cellAllowance_;
    Allowance stringAllowance_;
    std::string error_;
    PendingCell cell_;
    bool inSheetData_ = false;
    UINT sheetDataDepth_ = 0;
    std::uint32_t row_ = 0;
    std::uint32_t column_ = 0;
    UINT cellDepth_ = 0;    // depth of the open <c>, 0 outside one
    UINT inlineDepth_ = 0;  // depth of the open <is>, 0 outside one
    bool inValue_ = false;
    bool inInlineText_ = false;
};

bool IsRowStart(std::string_view text, std::size_t at) {
    if (text.compare(at, 4, "<row") != 0 || at + 4 >= text.size()) return false;
    char next = text[at + 4];
    return next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\r' || next == '\n';
}

}  // namespace

std::optional<Chunks> CutIntoChunks(std::string_view xml, unsigned count) {
    // Only UTF-8 (the pieces carry no declaration of their own).
    if (xml.size() >= 2 && (static_cast<unsigned char>(xml[0]) >= 0xFE)) return std::nullopt;
    std::size_t declarationEnd = xml.substr(0, 256).find("?>");
    if (declarationEnd != std::string_view::npos) {
        std::string declaration(xml.substr(0, declarationEnd));
        for (char& c : declaration) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::size_t encoding = declaration.find("encoding");
        if (encoding != std::string::npos && declaration.find("utf-8", encoding) == std::string::npos)
            return std::nullopt;
    }
    constexpr std::string_view open = "<sheetData>", close = "</sheetData>";
    std::size_t begin = xml.find(open);
    if (begin == std::string_view::npos || xml.find(open, begin + 1) != std::string_view::npos) return std::nullopt;
    std::size_t end = xml.rfind(close);
    if (end == std::string_view::npos || end < begin + open.size()) return std::nullopt;
    std::string_view body = xml.substr(begin + open.size(), end - begin - open.size());
    // Comments, CDATA and processing instructions could hide a "<row" that is not one.
    if (body.find("<!") != std::string_view::npos || body.find("<?") != std::string_view::npos) return std::nullopt;

    std::vector<std::size_t> cuts{0};
    for (unsigned k = 1; k < count; ++k) {
        std::size_t at = body.find("<row", std::max(cuts.back() + 1, body.size() * k / count));
        while (at != std::string_view::npos && !IsRowStart(body, at)) at = body.find("<row", at + 1);
        if (at == std::string_view::npos) break;
        cuts.push_back(at);
    }
    if (cuts.size() < 2) return std::nullopt;
    cuts.push_back(body.size());

    Chunks chunks;
    chunks.outside = std::string(xml.substr(0, begin)) + "<sheetData/>" + std::string(xml.substr(end + close.size()));
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) chunks.pieces.push_back(body.substr(cuts[i], cuts[i + 1] - cuts[i]));
    return chunks;
}

namespace {

std::string XmlEscaped(std::wstring_view text) {
    std::string out;
    for (char c : win::ToUtf8(text)) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

enum class ChunkedResult { Done, Failed, ReadWhole };

ChunkedResult ReadChunked(const Chunks& chunks, const SheetContext& context, std::vector<std::wstring>* strings,
                          CellGrid* cells, std::string* reason) {
    // The part without its rows must be well formed too; its root declares the namespaces the rows use.
    std::string declarations;
    {
        XmlParser x(chunks.outside);
        bool root = true;
        while (x.Next()) {
            if (!root || x.type() != XmlNodeType_Element) continue;
            root = false;
            x.ForEachQualifiedAttribute([&](std::wstring_view name, std::wstring_view value) {
                if (name == L"xmlns" || name.substr(0, 6) == L"xmlns:")
                    declarations += " " + XmlEscaped(name) + "=\"" + XmlEscaped(value) + "\"";
            });
        }
        if (!x.ok()) {
            FailXml(reason, x, "worksheet");
            return ChunkedResult::Failed;
        }
    }

    const std::size_t n = chunks.pieces.size();
    std::vector<std::string> documents(n);
    for (std::size_t i = 0; i < n; ++i) {
        documents[i].reserve(chunks.pieces[i].size() + declarations.size() + 32);
        documents[i].append("<sheetData").append(declarations).append(">");
        documents[i].append(chunks.pieces[i]).append("</sheetData>");
    }
    std::vector<std::vector<std::wstring>> chunkStrings(n);
    std::vector<CellGrid> chunkCells(n);
    std::vector<std::string> errors(n);
    std::vector<char> ok(n, 0), whole(n, 0);
    auto read = [&](std::size_t i) {
        try {
            SheetReader reader(documents[i], context, &chunkStrings[i], kChunkString, &chunkCells[i], true);
            ok[i] = reader.Run(&errors[i]);
            whole[i] = reader.needsWholePart();
        } catch (const std::bad_alloc&) {
            errors[i] = "worksheet: out of memory";
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t i = 1; i < n; ++i) {
        try {
            threads.emplace_back(read, i);
        } catch (const std::system_error&) {
            read(i);  // no thread to be had: read it here
        }
    }
    read(0);
    for (auto& t : threads) t.join();

    for (std::size_t i = 0; i < n; ++i)
        if (whole[i]) return ChunkedResult::ReadWhole;
    for (std::size_t i = 0; i < n; ++i) {
        if (!ok[i]) {
            Fail(reason, errors[i]);
            return ChunkedResult::Failed;
        }
    }
    // Join the chunks in order: their strings go after those already there.
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t offset = static_cast<std::uint32_t>(strings->size());
        chunkCells[i].ForEachIn({{1, 1}, {kMaxRow, kMaxColumn}}, [&](std::uint32_t row, Cell cell) {
            if (cell.kind == CellKind::Text && (cell.index & kChunkString)) cell.index = offset + (cell.index & ~kChunkString);
            cells->Add(row, cell);
        });
        chunkCells[i] = CellGrid();
        std::move(chunkStrings[i].begin(), chunkStrings[i].end(), std::back_inserter(*strings));
        chunkStrings[i] = {};
    }
    cells->Finish();
    return ChunkedResult::Done;
}

}  // namespace

bool ReadSheetCells(std::string_view xml, const SheetContext& context, std::vector<std::wstring>* strings,
                    CellGrid* cells, std::string* reason) {
    if (context.threads > 1 && xml.size() >= context.parallelFrom) {
        if (auto chunks = CutIntoChunks(xml, context.threads)) {
            const std::size_t cellsLeft = context.cellBudget->load(), stringsLeft = context.stringBudget->load();
            switch (ReadChunked(*chunks, context, strings, cells, reason)) {
                case ChunkedResult::Done: return true;
                case ChunkedResult::Failed: return false;
                case ChunkedResult::ReadWhole:
                    // Undo what the chunks took and read the part in one go.
                    context.cellBudget->store(cellsLeft);
                    context.stringBudget->store(stringsLeft);
                    break;
            }
        }
    }
    SheetReader reader(xml, context, strings, 0, cells, false);
    return reader.Run(reason);
}

}  // namespace xlsx
