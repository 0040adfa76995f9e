#include "standins/excel/XlsxWorkbook.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cwchar>
#include <new>
#include <thread>

#include "standins/excel/XlsxParts.h"
#include "standins/excel/XmlParser.h"
#include "standins/excel/ZipArchive.h"
#include "win/TextConversion.h"
#include "win/UniqueResource.h"

namespace xlsx {

namespace {

struct Relationship {
    std::wstring id;
    std::wstring type;
    std::string target;  // resolved part name
};

struct SheetEntry {
    std::wstring name;
    std::wstring relationshipId;
    bool hidden = false;
};

bool Fail(std::string* reason, const std::string& text) {
    if (reason) *reason = text;
    return false;
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The folder of a part, with its trailing slash: "xl/" for "xl/workbook.xml".
std::string FolderOf(const std::string& part) {
    std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml".
std::string RelationshipsOf(const std::string& part) {
    std::size_t slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

// Resolves a relationship target against the folder of its source part: "worksheets/sheet1.xml",
// "/xl/worksheets/sheet1.xml" and "../xl/x.xml" all name a part of the package.
std::optional<std::string> ResolveTarget(const std::string& folder, std::wstring_view target) {
    std::string raw = win::ToUtf8(target);
    std::string decoded;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(raw[i + 2]))) {
            decoded += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += raw[i] == '\\' ? '/' : raw[i];
        }
    }
    std::string path = !decoded.empty() && decoded.front() == '/' ? decoded.substr(1) : folder + decoded;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string piece = path.substr(start, slash - start);
        if (piece == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (!piece.empty() && piece != ".") {
            parts.push_back(piece);
        }
        start = slash + 1;
    }
    if (parts.empty()) return std::nullopt;
    std::string out;
    for (const auto& piece : parts) out += (out.empty() ? "" : "/") + piece;
    return out;
}

bool ReadRelationships(ZipArchive& zip, const std::string& part, std::vector<Relationship>* out, std::string* reason) {
    std::string relsName = RelationshipsOf(part);  // "_rels/.rels" for the package itself
    if (!zip.Has(relsName)) return true;  // a part without relationships
    std::string error;
    auto xml = zip.Read(relsName, &error);
    if (!xml) return Fail(reason, relsName + ": " + error);
    std::string folder = FolderOf(part);
    XmlParser x(*xml);
    while (x.Next()) {
        if (!x.IsElement(L"Relationship")) continue;
        Relationship r;
        std::wstring target, mode;
        x.Attribute(L"Id", &r.id);
        x.Attribute(L"Type", &r.type);
        x.Attribute(L"Target", &target);
        if (x.Attribute(L"TargetMode", &mode) && mode == L"External") continue;
        auto resolved = ResolveTarget(folder, target);
        if (!resolved) continue;
        r.target = *resolved;
        out->push_back(std::move(r));
    }
    if (!x.ok()) return Fail(reason, relsName + ": " + x.error());
    return true;
}

const Relationship* FindByType(const std::vector<Relationship>& rels, std::wstring_view suffix) {
    for (const auto& r : rels)
        if (EndsWith(r.type, suffix)) return &r;
    return nullptr;
}

struct WorkbookPart {
    std::vector<SheetEntry> sheets;
    bool date1904 = false;
    std::size_t activeTab = 0;
};

bool ReadWorkbookPart(std::string_view xml, WorkbookPart* out, std::string* reason) {
    XmlParser x(xml);
    bool sawView = false;
    while (x.Next()) {
        if (x.type() != XmlNodeType_Element) continue;
        if (x.name() == L"sheet") {
            SheetEntry sheet;
            x.ForEachAttribute([&](std::wstring_view local, std::wstring_view uri, std::wstring_view value) {
                if (local == L"name" && uri.empty()) sheet.name = value;
                else if (local == L"state" && uri.empty()) sheet.hidden = value != L"visible";
                else if (local == L"id" && EndsWith(uri, L"/relationships")) sheet.relationshipId = value;
            });
            out->sheets.push_back(std::move(sheet));
        } else if (x.name() == L"workbookPr") {
            std::wstring value;
            if (x.Attribute(L"date1904", &value)) out->date1904 = value == L"1" || value == L"true";
        } else if (x.name() == L"workbookView" && !sawView) {
            sawView = true;
            std::wstring value;
            if (x.Attribute(L"activeTab", &value)) {
                wchar_t* end = nullptr;
                unsigned long tab = std::wcstoul(value.c_str(), &end, 10);
                if (end && *end == 0 && tab < 65536) out->activeTab = tab;
            }
        }
    }
    if (!x.ok()) return Fail(reason, "workbook: " + x.error());
    return true;
}

}  // namespace

namespace {

std::optional<Workbook> Read(std::string_view bytes, std::string* reason, const LoadLimits& limits) {
    static constexpr char kLegacyMagic[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (bytes.substr(0, 8) == std::string_view(kLegacyMagic, 8)) {
        Fail(reason, "binary (.xls) workbooks are not supported");
        return std::nullopt;
    }
    std::string error;
    auto zip = ZipArchive::Open(bytes, &error);
    if (!zip) {
        Fail(reason, error);
        return std::nullopt;
    }

    std::vector<Relationship> packageRels;
    if (!ReadRelationships(*zip, std::string(), &packageRels, reason)) return std::nullopt;
    const Relationship* main = FindByType(packageRels, L"/officeDocument");
    std::string workbookName = main ? main->target : "xl/workbook.xml";
    auto workbookXml = zip->Read(workbookName, &error);
    if (!workbookXml) {
        Fail(reason, workbookName + ": " + error);
        return std::nullopt;
    }
    WorkbookPart part;
    if (!ReadWorkbookPart(*workbookXml, &part, reason)) return std::nullopt;
    workbookXml.reset();
    if (part.sheets.empty()) {
        Fail(reason, "workbook has no sheets");
        return std::nullopt;
    }

    std::vector<Relationship> rels;
    if (!ReadRelationships(*zip, workbookName, &rels, reason)) return std::nullopt;

    Workbook book;
    if (const Relationship* sst = FindByType(rels, L"/sharedStrings")) {
        auto xml = zip->Read(sst->target, &error);
        if (!xml) {
            Fail(reason, sst->target + ": " + error);
            return std::nullopt;
        }
        if (!ReadSharedStrings(*xml, limits.maxStrings, &book.strings, reason)) return std::nullopt;
    }
    std::vector<bool> dateStyles;
    if (const Relationship* styles = FindByType(rels, L"/styles")) {
        auto xml = zip->Read(styles->target, &error);
        if (!xml) {
            Fail(reason, styles->target + ": " + error);
            return std::nullopt;
        }
        if (!ReadDateStyles(*xml, &dateStyles, reason)) return std::nullopt;
    }

    std::atomic<std::size_t> cellBudget{limits.maxCells};
    std::atomic<std::size_t> stringBudget{limits.maxStrings - std::min(limits.maxStrings, book.strings.size())};
    const std::size_t sharedCount = book.strings.size();
    unsigned threads = limits.threads ? limits.threads : std::min(4u, std::max(1u, std::thread::hardware_concurrency()));
    for (const SheetEntry& entry : part.sheets) {
        const Relationship* rel = nullptr;
        for (const auto& r : rels)
            if (r.id == entry.relationshipId) rel = &r;
        if (!rel) {
            Fail(reason, "sheet '" + win::ToUtf8(entry.name) + "' has no part");
            return std::nullopt;
        }
        Sheet sheet;
        sheet.name = entry.name;
        sheet.hidden = entry.hidden;
        if (EndsWith(rel->type, L"/worksheet")) {
            auto xml = zip->Read(rel->target, &error);
            if (!xml) {
                Fail(reason, rel->target + ": " + error);
                return std::nullopt;
            }
            SheetContext context{sharedCount,   &dateStyles,         part.date1904, &cellBudget,
                                 &stringBudget, limits.parallelFrom, threads};
            if (!ReadSheetCells(*xml, context, &book.strings, &sheet.cells, reason)) {
                if (reason) *reason = rel->target + ": " + *reason;
                return std::nullopt;
            }
        } else {
            sheet.kind = EndsWith(rel->type, L"/chartsheet") ? SheetKind::Chart : SheetKind::Other;
        }
        book.sheets.push_back(std::move(sheet));
    }
    book.activeSheet = part.activeTab < book.sheets.size() ? part.activeTab : 0;
    return book;
}

}  // namespace

std::optional<Workbook> ReadWorkbook(std::string_view bytes, std::string* reason, LoadLimits limits) {
    try {
        return Read(bytes, reason, limits);
    } catch (const std::bad_alloc&) {
        Fail(reason, "out of memory");
        return std::nullopt;
    }
}

std::optional<Workbook> ReadWorkbookFile(const std::wstring& path, LoadError* error, std::string* reason,
                                         LoadLimits limits) {
    auto fail = [&](LoadError kind, const char* text) {
        if (error) *error = kind;
        if (reason) *reason = text;
        return std::nullopt;
    };
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD code = ::GetLastError();
        bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME ||
                       code == ERROR_BAD_PATHNAME || code == ERROR_INVALID_DRIVE;
        return missing ? fail(LoadError::NotFound, "file not found") : fail(LoadError::CannotRead, "cannot open the file");
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return fail(LoadError::CannotRead, "cannot read the file's size");
    if (static_cast<std::uint64_t>(size.QuadPart) > limits.maxFileSize)
        return fail(LoadError::Invalid, "file is larger than the size limit");
    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return fail(LoadError::CannotRead, "out of memory");
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD read = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0)
            return fail(LoadError::CannotRead, "cannot read the file");
        done += read;
    }
    auto book = ReadWorkbook(bytes, reason, limits);
    if (error) *error = book ? LoadError::None : LoadError::Invalid;
    return book;
}

}  // namespace xlsx
