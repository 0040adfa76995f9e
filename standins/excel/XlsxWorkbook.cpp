#include "standins/excel/XlsxWorkbook.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <new>

#include "standins/excel/XmlReader.h"
#include "standins/excel/ZipArchive.h"
#include "standins/excel/ZipWriter.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace xlsx {

namespace {

using Node = XmlReader::Node;

// Why a file cannot be read: thrown inside the reader, caught where it was called.
struct Damaged {
    std::string reason;
};

[[noreturn]] void Fail(std::string reason) { throw Damaged{std::move(reason)}; }

// Calls f(reader, node) for every node of a part but its end.
template <typename F>
void ForEachNode(std::string_view xml, std::string_view part, F&& f) {
    XmlReader x(xml);
    for (Node n = x.Next(); n != Node::Done; n = x.Next()) {
        if (n == Node::Error) Fail(std::string(part) + ": " + x.error());
        f(x, n);
    }
}

std::string Part(const ZipArchive& zip, const std::string& name) {
    std::string error;
    auto part = zip.Read(name, &error);
    if (!part) Fail(name + ": " + error);
    return std::move(*part);
}

template <typename Number>
std::optional<Number> Parse(std::string_view text) {
    Number value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct Relationship {
    std::string id, type, target;  // target: the part's name in the package
};

std::vector<Relationship> Relationships(const ZipArchive& zip, const std::string& part) {
    std::string folder = part.substr(0, part.rfind('/') + 1);  // "xl/" for "xl/workbook.xml", "" for the package
    std::string name = folder + "_rels/" + part.substr(folder.size()) + ".rels";
    std::vector<Relationship> out;
    if (!zip.Has(name)) return out;
    ForEachNode(Part(zip, name), name, [&](XmlReader& x, Node n) {
        if (n != Node::Element || x.name() != "Relationship" || x.Attribute("TargetMode") == "External") return;
        std::string target = x.Attribute("Target").value_or("");
        out.push_back({x.Attribute("Id").value_or(""), x.Attribute("Type").value_or(""),
                       target.starts_with('/') ? target.substr(1) : folder + target});
    });
    return out;
}

const Relationship* OfType(const std::vector<Relationship>& relationships, std::string_view type) {
    for (const Relationship& r : relationships)
        if (r.type.ends_with(type)) return &r;
    return nullptr;
}

std::vector<std::wstring> SharedStrings(std::string_view xml) {
    std::vector<std::wstring> strings;
    std::string item;
    bool inText = false;
    ForEachNode(xml, "shared strings", [&](XmlReader& x, Node n) {
        bool open = n == Node::Element;
        if (n == Node::Text) {
            if (inText) item += x.text();
        } else if (x.name() == "t") {
            inText = open;
        } else if (x.name() == "si") {
            if (open) item.clear();
            else strings.push_back(win::FromUtf8(item));
        }
    });
    return strings;
}

bool IsBuiltInDateFormat(std::uint32_t id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// A format code shows a date or a time when a y, m, d, h or s stands outside quoted text, escaped
// characters and [...] sections (colours, locales; an elapsed time such as [h]:mm keeps its m).
bool IsDateFormatCode(std::string_view code) {
    for (std::size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (c == '"' || c == '[') {
            i = code.find(c == '"' ? '"' : ']', i + 1);
            if (i == std::string_view::npos) return false;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // the next character is shown as it is
        } else if (std::string_view("yYmMdDhHsS").find(c) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// For each cell format (a cell's s attribute), whether it shows numbers as dates.
std::vector<bool> DateStyles(std::string_view xml) {
    std::map<std::uint32_t, bool> custom;
    std::vector<bool> dates;
    bool inCellFormats = false;
    ForEachNode(xml, "styles", [&](XmlReader& x, Node n) {
        if (n == Node::Text) return;
        if (x.name() == "cellXfs") inCellFormats = n == Node::Element;
        if (n != Node::Element) return;
        if (x.name() != "numFmt" && (x.name() != "xf" || !inCellFormats)) return;
        auto id = Parse<std::uint32_t>(x.Attribute("numFmtId").value_or("0"));
        if (!id) Fail("styles: a number format id is invalid");
        if (x.name() == "numFmt") {
            custom[*id] = IsDateFormatCode(x.Attribute("formatCode").value_or(""));
        } else {
            auto format = custom.find(*id);
            dates.push_back(format != custom.end() ? format->second : IsBuiltInDateFormat(*id));
        }
    });
    return dates;
}

// Excel's error values and the numbers CVErr gives them.
std::uint32_t ErrorNumber(std::string_view text) {
    static constexpr std::pair<std::string_view, std::uint32_t> kErrors[] = {
        {"#NULL!", 2000}, {"#DIV/0!", 2007}, {"#VALUE!", 2015}, {"#REF!", 2023},
        {"#NAME?", 2029}, {"#NUM!", 2036},   {"#N/A", 2042}};
    for (const auto& [name, number] : kErrors)
        if (text == name) return number;
    return 2015;  // an error value Excel's older versions do not know shows as #VALUE!
}

// Reads the cells of one worksheet part.
class SheetReader {
public:
    SheetReader(Workbook& book, std::size_t sharedCount, const std::vector<bool>& dateStyles)
        : book_(book), sharedCount_(sharedCount), dateStyles_(dateStyles) {}

    void Read(std::string_view xml, CellGrid& cells) {
        cells_ = &cells;
        row_ = column_ = 0;
        ForEachNode(xml, "worksheet", [&](XmlReader& x, Node n) {
            bool open = n == Node::Element;
            if (n == Node::Text) {
                if (inValue_) value_ += x.text();
                else if (inInline_ && inText_) inline_ += x.text();
                else if (inFormula_) formulaText_ += x.text();
            } else if (x.name() == "row") {
                if (open) StartRow(x);
            } else if (x.name() == "c") {
                if (open) StartCell(x);
                else Store();
            } else if (x.name() == "v") {
                inValue_ = open;
                hasValue_ = true;
            } else if (x.name() == "is") {
                inInline_ = open;
                hasInline_ = true;
            } else if (x.name() == "t") {
                inText_ = open;
            } else if (x.name() == "f") {
                // A cell of a shared formula holds an empty <f>; the first cell of the group holds its text.
                inFormula_ = open;
                formula_ = true;
                if (open) formulaText_.clear();
                else if (CallsVolatileFunction(formulaText_)) book_.volatileFormulas = true;
            }
        });
    }

private:
    void StartRow(const XmlReader& x) {
        auto r = x.Attribute("r");
        auto number = r ? Parse<std::uint32_t>(*r) : row_ + 1;
        if (!number || *number < 1 || *number > kMaxRow) Fail("worksheet: row number out of range");
        row_ = *number;
        column_ = 0;
    }

    void StartCell(const XmlReader& x) {
        if (auto r = x.Attribute("r")) {
            auto address = ParseCellAddress(*r);
            if (!address || address->row != row_) Fail("worksheet: cell reference out of range");
            column_ = address->column;
        } else if (++column_ > kMaxColumn) {
            Fail("worksheet: cell reference out of range");
        }
        type_ = x.Attribute("t").value_or("n");
        auto style = Parse<std::uint32_t>(x.Attribute("s").value_or("0"));
        date_ = style && *style < dateStyles_.size() && dateStyles_[*style];
        value_.clear();
        inline_.clear();
        hasValue_ = hasInline_ = formula_ = false;
    }

    void Store() {
        Cell cell{row_, static_cast<std::uint16_t>(column_)};
        cell.formula = formula_;
        if (formula_ && value_.empty() && inline_.empty()) {
            // A formula saved without its result: Excel would calculate it, the stand-in shows empty text.
            cell.kind = CellKind::Text;
            cell.index = static_cast<std::uint32_t>(book_.strings.size());
            book_.strings.emplace_back();
        } else if (type_ == "inlineStr" || type_ == "str") {
            if (!hasValue_ && !hasInline_) return;
            cell.kind = CellKind::Text;
            cell.index = static_cast<std::uint32_t>(book_.strings.size());
            book_.strings.push_back(win::FromUtf8(type_ == "str" ? value_ : inline_));
        } else if (!hasValue_) {
            return;  // a formatted blank, or a formula never calculated
        } else if (type_ == "s") {
            auto index = Parse<std::uint32_t>(value_);
            if (!index || *index >= sharedCount_) Fail("worksheet: shared string index out of range");
            cell.kind = CellKind::Text;
            cell.index = *index;
        } else if (type_ == "b") {
            if (value_ != "0" && value_ != "1") Fail("worksheet: invalid logical value");
            cell.kind = CellKind::Logical;
            cell.number = value_ == "1";
        } else if (type_ == "e") {
            cell.kind = CellKind::Error;
            cell.index = ErrorNumber(value_);
        } else if (type_ == "n") {
            auto number = Parse<double>(value_);
            if (!number) Fail("worksheet: invalid number");
            // A date goes out as the automation date of the same serial; those end with the year 9999.
            cell.kind = date_ && *number >= 0 && *number < 2958466 ? CellKind::Date : CellKind::Number;
            cell.number = *number;
        } else {
            Fail("worksheet: unsupported cell type \"" + type_ + "\"");
        }
        if (!cells_->Add(cell)) Fail("worksheet: cells out of order");
    }

    Workbook& book_;
    std::size_t sharedCount_;
    const std::vector<bool>& dateStyles_;
    CellGrid* cells_ = nullptr;
    std::uint32_t row_ = 0, column_ = 0;
    std::string type_, value_, inline_, formulaText_;
    bool date_ = false, hasValue_ = false, hasInline_ = false, formula_ = false;
    bool inValue_ = false, inInline_ = false, inText_ = false, inFormula_ = false;
};

struct SheetEntry {
    std::wstring name;
    std::string relationship;
};

std::string WorkbookPart(const ZipArchive& zip) {
    auto packageRelationships = Relationships(zip, "");
    const Relationship* main = OfType(packageRelationships, "/officeDocument");
    return main ? main->target : "xl/workbook.xml";
}

Workbook Read(std::string_view bytes) {
    std::string error;
    auto zip = ZipArchive::Open(bytes, &error);
    if (!zip) Fail(error);
    std::string workbookPart = WorkbookPart(*zip);

    std::vector<SheetEntry> entries;
    ForEachNode(Part(*zip, workbookPart), "workbook", [&](XmlReader& x, Node n) {
        if (n == Node::Element && x.name() == "sheet")
            entries.push_back({win::FromUtf8(x.Attribute("name").value_or("")), x.Attribute("id").value_or("")});
        if (n == Node::Element && x.name() == "workbookPr" && x.Attribute("date1904").value_or("0") != "0" &&
            x.Attribute("date1904") != "false")
            Fail("workbook: the 1904 date system is not supported");
    });
    if (entries.empty()) Fail("the workbook has no sheets");

    Workbook book;
    auto relationships = Relationships(*zip, workbookPart);
    for (const Relationship& r : relationships) {
        if (r.type.ends_with("/externalLink") && zip->Has(r.target)) book.externalLinks = true;
        if (r.type.ends_with("/vbaProject") && zip->Has(r.target)) book.macroProject = true;
    }
    if (zip->Has("xl/vbaProject.bin")) book.macroProject = true;
    if (const Relationship* strings = OfType(relationships, "/sharedStrings"))
        book.strings = SharedStrings(Part(*zip, strings->target));
    std::vector<bool> dateStyles;
    if (const Relationship* styles = OfType(relationships, "/styles"))
        dateStyles = DateStyles(Part(*zip, styles->target));

    SheetReader reader(book, book.strings.size(), dateStyles);
    for (const SheetEntry& entry : entries) {
        auto part = std::find_if(relationships.begin(), relationships.end(),
                                 [&](const Relationship& r) { return r.id == entry.relationship; });
        if (part == relationships.end()) Fail("sheet \"" + win::ToUtf8(entry.name) + "\" has no part");
        Sheet& sheet = book.sheets.emplace_back(Sheet{entry.name, {}});
        // Chart and dialog sheets hold no cells.
        if (part->type.ends_with("/worksheet")) reader.Read(Part(*zip, part->target), sheet.cells);
    }
    return book;
}

// Excel since 2019 saves this calculation id; a workbook saved with an older one is recalculated.
constexpr std::string_view kExcelCalcId = "191029";

// The workbook part with its calculation id (<calcPr calcId="...">) set to Excel's; as it was when
// it has none.
std::string WithExcelCalcId(std::string xml) {
    std::size_t tag = xml.find("<calcPr");
    if (tag == std::string::npos) tag = xml.find(":calcPr");
    if (tag == std::string::npos) return xml;
    std::size_t tagEnd = xml.find('>', tag), at = xml.find(" calcId=\"", tag);
    if (at == std::string::npos || at > tagEnd) return xml;
    at += 9;
    std::size_t close = xml.find('"', at);
    if (close == std::string::npos) return xml;
    xml.replace(at, close - at, kExcelCalcId);
    return xml;
}

}  // namespace

bool CallsVolatileFunction(std::string_view formula) {
    static constexpr std::string_view kVolatile[] = {"TODAY", "NOW",    "RAND", "RANDBETWEEN", "RANDARRAY",
                                                     "INDIRECT", "OFFSET", "CELL", "INFO"};
    auto isNamePart = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    };
    for (std::size_t i = 0; i < formula.size();) {
        char c = formula[i];
        if (c == '"' || c == '\'') {
            // Text in quotes, or a sheet name: a closing quote doubled stands for itself.
            std::size_t close = formula.find(c, i + 1);
            while (close != std::string_view::npos && close + 1 < formula.size() && formula[close + 1] == c)
                close = formula.find(c, close + 2);
            if (close == std::string_view::npos) return false;
            i = close + 1;
        } else if (isNamePart(c)) {
            std::size_t start = i;
            while (i < formula.size() && isNamePart(formula[i])) ++i;
            if (i == formula.size() || formula[i] != '(') continue;
            std::string name(formula.substr(start, i - start));
            for (char& n : name)
                if (n >= 'a' && n <= 'z') n = static_cast<char>(n - 'a' + 'A');
            // Functions newer than the file format are saved with a prefix: _xlfn.RANDARRAY.
            if (name.starts_with("_XLFN.")) name.erase(0, 6);
            for (std::string_view v : kVolatile)
                if (name == v) return true;
        } else {
            ++i;
        }
    }
    return false;
}

std::optional<std::string> ReadWholeFile(HANDLE file) {
    LARGE_INTEGER size{}, start{};
    if (!::GetFileSizeEx(file, &size) || !::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD read = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        if (!::ReadFile(file, bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

std::optional<Workbook> ReadWorkbook(std::string_view bytes, LoadFailure* failure) {
    auto fail = [&](std::string reason) {
        if (failure) *failure = {LoadError::Invalid, std::move(reason)};
        return std::nullopt;
    };
    try {
        return Read(bytes);
    } catch (const Damaged& damaged) {
        return fail(damaged.reason);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
}

std::optional<Workbook> ReadWorkbookFile(const std::wstring& path, LoadFailure* failure) {
    auto fail = [&](LoadError error, std::string reason) {
        if (failure) *failure = {error, std::move(reason)};
        return std::nullopt;
    };
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD code = ::GetLastError();
        bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
                       code == ERROR_BAD_PATHNAME || code == ERROR_INVALID_DRIVE;
        return fail(missing ? LoadError::NotFound : LoadError::CannotRead, "cannot open the file");
    }
    std::optional<std::string> bytes;
    try {
        bytes = ReadWholeFile(file.get());
    } catch (const std::bad_alloc&) {
        return fail(LoadError::Invalid, "out of memory");
    }
    if (!bytes) return fail(LoadError::CannotRead, "cannot read the file");
    return ReadWorkbook(*bytes, failure);
}

std::optional<std::string> RecalculatedPackage(std::string_view bytes, std::string* error) {
    try {
        auto zip = ZipArchive::Open(bytes, error);
        if (!zip) return std::nullopt;
        std::string workbookPart = WorkbookPart(*zip);
        std::vector<ZipEntry> parts;
        for (const std::string& name : zip->Names()) {
            auto data = zip->Read(name, error);
            if (!data) return std::nullopt;
            std::string_view part(name);
            if (part.starts_with('/')) part.remove_prefix(1);
            if (part == workbookPart) *data = WithExcelCalcId(std::move(*data));
            parts.push_back({std::string(part), std::move(*data)});
        }
        return WriteZip(parts);
    } catch (const Damaged& damaged) {
        if (error) *error = damaged.reason;
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
    }
    return std::nullopt;
}

}  // namespace xlsx
