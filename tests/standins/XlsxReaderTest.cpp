// The Excel stand-in's workbook reader on the checked-in fixtures: what each kind of cell turns into,
// which sheet comes first, where End goes, what a copied block holds, and how damaged files fail.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "standins/excel/CellValues.h"
#include "standins/excel/NumberFormats.h"
#include "standins/excel/XlsxParts.h"
#include "standins/excel/XlsxWorkbook.h"
#include "standins/excel/ZipArchive.h"
#include "tests/standins/Fixtures.h"
#include "tests/support/TestFiles.h"
#include "win/SafeArray.h"
#include "win/Variant.h"

using namespace xlsx;
using standin_tests::FixturePath;
using standin_tests::Typed;

namespace {

Workbook Load(const std::wstring& fixture) {
    LoadError error = LoadError::None;
    std::string reason;
    auto book = ReadWorkbookFile(FixturePath(fixture), &error, &reason);
    if (!book) ADD_FAILURE() << "cannot read the fixture: " << reason;
    return book ? std::move(*book) : Workbook{};
}

// The value a client gets for one cell of the first sheet, as typed text.
std::string Value(const Workbook& book, const wchar_t* reference, std::size_t sheet = 0) {
    if (sheet >= book.sheets.size()) return "no such sheet";
    auto address = ParseCellAddress(reference);
    if (!address) return "bad reference";
    win::Variant value;
    CellToVariant(book, book.sheets[sheet].cells.Find(address->row, address->column), value.put());
    return Typed(*value.get());
}

std::uint32_t EndRow(const Workbook& book, const wchar_t* from, Direction direction) {
    auto address = ParseCellAddress(from);
    return book.sheets.at(0).cells.End(*address, direction).row;
}

std::uint32_t EndColumn(const Workbook& book, const wchar_t* from, Direction direction) {
    auto address = ParseCellAddress(from);
    return book.sheets.at(0).cells.End(*address, direction).column;
}

// Automation date of a calendar day (and time of day).
double Date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0) {
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    double date = 0;
    ::SystemTimeToVariantTime(&time, &date);
    return date;
}

std::string DateText(double date) {
    char text[64];
    std::snprintf(text, sizeof(text), "DATE:%.17g", date);
    return text;
}

TEST(XlsxReaderTest, ShippingListCellsComeOutAsExcelHandsThemToAClient) {
    Workbook book = Load(L"lookup.xlsx");
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, L"清单");
    EXPECT_EQ(Value(book, L"A1"), "BSTR:物料编码");
    EXPECT_EQ(Value(book, L"C1"), "BSTR:规格");
    EXPECT_EQ(Value(book, L"C5"), "BSTR:SPEC-X");
    EXPECT_EQ(Value(book, L"C9"), "BSTR:SPEC-X");
    EXPECT_NE(Value(book, L"A5"), Value(book, L"A9"));
    EXPECT_EQ(Value(book, L"C6"), "BSTR:AbC-6");
    EXPECT_EQ(Value(book, L"C7"), "BSTR:Tail-7 ") << "the trailing space is kept";
    EXPECT_EQ(Value(book, L"C8"), "R8:100") << "a number stays a number";
    EXPECT_EQ(Value(book, L"D2"), "R8:20.5");
    EXPECT_EQ(Value(book, L"C3"), "ERROR:2042") << "#N/A";
    EXPECT_EQ(Value(book, L"I2"), DateText(Date(2024, 3, 2))) << "a date-formatted number is a date";
    EXPECT_EQ(Value(book, L"T2"), "BOOL:true");
    EXPECT_EQ(Value(book, L"T3"), "BOOL:false");
    EXPECT_EQ(Value(book, L"C14"), "BSTR:Below-Last");
    EXPECT_EQ(Value(book, L"U2"), "BSTR:outside");
    EXPECT_EQ(Value(book, L"A13"), "EMPTY");
    EXPECT_EQ(Value(book, L"Z100"), "EMPTY");

    win::Variant error;
    CellToVariant(book, book.sheets[0].cells.Find(3, 3), error.put());
    ASSERT_EQ(error.type(), VT_ERROR);
    EXPECT_EQ(static_cast<unsigned long>(V_ERROR(error.get())), 0x800A07FAul) << "CVErr(xlErrNA)";
}

TEST(XlsxReaderTest, SharedAndInlineStringsKeepTheirTextExactly) {
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(Value(book, L"A1"), "BSTR:plain");
    EXPECT_EQ(Value(book, L"B1"), "BSTR:Rich Text") << "rich-text runs are joined";
    EXPECT_EQ(Value(book, L"C1"), "BSTR:漢字") << "the phonetic guide is not part of the text";
    EXPECT_EQ(Value(book, L"D1"), "BSTR:  padded  ");
    EXPECT_EQ(Value(book, L"E1"), "BSTR:line\r\nbreak") << "_x000D_ escapes are decoded";
    EXPECT_EQ(Value(book, L"F1"), "BSTR:") << "an empty shared string is still text";
    EXPECT_EQ(Value(book, L"A2"), "BSTR:inline");
    EXPECT_EQ(Value(book, L"B2"), "BSTR:inline-rich");
    EXPECT_EQ(Value(book, L"C2"), "BSTR: lead");
}

TEST(XlsxReaderTest, NumbersLogicalsAndEveryErrorValue) {
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(Value(book, L"A3"), "R8:42");
    EXPECT_EQ(Value(book, L"B3"), "R8:1.5");
    EXPECT_EQ(Value(book, L"C3"), "R8:-0.25");
    EXPECT_EQ(Value(book, L"D3"), "R8:1000");
    EXPECT_EQ(Value(book, L"A4"), "BOOL:true");
    EXPECT_EQ(Value(book, L"B4"), "BOOL:false");
    EXPECT_EQ(Value(book, L"A5"), "ERROR:2000") << "#NULL!";
    EXPECT_EQ(Value(book, L"B5"), "ERROR:2007") << "#DIV/0!";
    EXPECT_EQ(Value(book, L"C5"), "ERROR:2015") << "#VALUE!";
    EXPECT_EQ(Value(book, L"D5"), "ERROR:2023") << "#REF!";
    EXPECT_EQ(Value(book, L"E5"), "ERROR:2029") << "#NAME?";
    EXPECT_EQ(Value(book, L"F5"), "ERROR:2036") << "#NUM!";
    EXPECT_EQ(Value(book, L"G5"), "ERROR:2042") << "#N/A";
}

TEST(XlsxReaderTest, NumbersUnderDateAndTimeFormatsAreDates) {
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(Value(book, L"A6"), DateText(Date(2024, 1, 1))) << "built-in format 14";
    EXPECT_EQ(Value(book, L"B6"), DateText(Date(2024, 1, 1, 12))) << "yyyy\"年\"m\"月\"d\"日\"";
    EXPECT_EQ(Value(book, L"C6"), "R8:45292") << "a quoted d is literal text";
    EXPECT_EQ(Value(book, L"D6"), "R8:45292") << "[Red] is a colour, not a date";
    EXPECT_EQ(Value(book, L"E6"), "DATE:1.25") << "[h]:mm, an elapsed time";
    EXPECT_EQ(Value(book, L"F6"), DateText(Date(2024, 1, 1, 18))) << "built-in format 22";
    EXPECT_EQ(Value(book, L"G6"), DateText(Date(2024, 3, 15, 12))) << "an ISO date cell";
    EXPECT_EQ(Value(book, L"H6"), "DATE:59") << "serials before March 1900 are handed out unchanged";

    Workbook mac = Load(L"date1904.xlsx");
    EXPECT_EQ(Value(mac, L"A1"), DateText(Date(1904, 1, 1))) << "the 1904 date system";
    EXPECT_EQ(Value(mac, L"B1"), DateText(Date(2024, 1, 1)));
    EXPECT_EQ(Value(mac, L"C1"), "R8:0");
}

TEST(XlsxReaderTest, DateFormatCodesAreToldFromNumberFormats) {
    for (const wchar_t* code : {L"yyyy-mm-dd", L"m/d/yy h:mm", L"[h]:mm:ss", L"[$-804]yyyy\"年\"m\"月\"",
                                L"[DBNum1]m\"月\"d\"日\"", L"hh:mm AM/PM", L"[ss]", L"dd\\.mm"}) {
        EXPECT_TRUE(IsDateFormatCode(code)) << std::string(code, code + wcslen(code));
    }
    for (const wchar_t* code : {L"General", L"0.00", L"#,##0.00_);[Red](#,##0.00)", L"0.00\" days\"",
                                L"0.00E+00", L"\\d0", L"@", L"[Blue]0", L"[$USD] #,##0", L"0_m", L"*s0"}) {
        EXPECT_FALSE(IsDateFormatCode(code)) << std::string(code, code + wcslen(code));
    }
    EXPECT_TRUE(IsBuiltInDateFormat(14));
    EXPECT_TRUE(IsBuiltInDateFormat(22));
    EXPECT_TRUE(IsBuiltInDateFormat(58));
    EXPECT_FALSE(IsBuiltInDateFormat(0));
    EXPECT_FALSE(IsBuiltInDateFormat(23));
    EXPECT_FALSE(IsBuiltInDateFormat(49));
}

TEST(XlsxReaderTest, FormulaCellsShowTheirLastCalculatedValue) {
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(Value(book, L"A7"), "R8:2");
    EXPECT_EQ(Value(book, L"B7"), "BSTR:ab");
    EXPECT_EQ(Value(book, L"C7"), "ERROR:2007");
    EXPECT_EQ(Value(book, L"D7"), "BOOL:true");
    EXPECT_EQ(Value(book, L"E7"), "BSTR:") << "never calculated: not empty, but no value";
}

TEST(XlsxReaderTest, CellsWithoutReferencesBlanksAndRowsOutOfOrder) {
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(Value(book, L"A8"), "R8:1");
    EXPECT_EQ(Value(book, L"B8"), "R8:2");
    EXPECT_EQ(Value(book, L"C8"), "EMPTY");
    EXPECT_EQ(Value(book, L"E8"), "R8:5");
    EXPECT_EQ(Value(book, L"F8"), "R8:6");
    EXPECT_EQ(Value(book, L"A9"), "EMPTY") << "a formatted blank holds nothing";
    EXPECT_EQ(Value(book, L"B9"), "R8:9");
    EXPECT_EQ(Value(book, L"A10"), "R8:10");
    EXPECT_EQ(Value(book, L"A11"), "R8:11");
    EXPECT_EQ(EndRow(book, L"A11", Direction::Up), 10u) << "row 10 came after row 11 in the file";
    EXPECT_EQ(Value(book, L"A13"), "R8:13") << "a row without a number follows row 12";
}

TEST(XlsxReaderTest, SheetsAreInTabOrderNotInPartOrder) {
    Workbook book = Load(L"tab-order.xlsx");
    ASSERT_EQ(book.sheets.size(), 3u);
    EXPECT_EQ(book.sheets[0].name, L"First");
    EXPECT_EQ(book.sheets[1].name, L"Second");
    EXPECT_EQ(book.sheets[2].name, L"Hidden");
    EXPECT_EQ(Value(book, L"A1", 0), "BSTR:first-sheet") << "its part is sheet2.xml, named from the package root";
    EXPECT_EQ(Value(book, L"A1", 1), "BSTR:second-sheet");
    EXPECT_FALSE(book.sheets[0].hidden);
    EXPECT_TRUE(book.sheets[2].hidden);
    EXPECT_EQ(book.activeSheet, 1u) << "the active tab is not the first one";
}

TEST(XlsxReaderTest, EndUpFromTheBottomOfColumnAFindsTheLastFilledRow) {
    EXPECT_EQ(EndRow(Load(L"lookup.xlsx"), L"A65536", Direction::Up), 12u) << "C14 does not count";
    EXPECT_EQ(EndRow(Load(L"empty-column-a.xlsx"), L"A65536", Direction::Up), 1u) << "empty column A: row 1";
    EXPECT_EQ(EndRow(Load(L"demo\\出货清单.xlsx"), L"A65536", Direction::Up), 16u);
}

TEST(XlsxReaderTest, EndFollowsRunsOfFilledCellsAndJumpsGapsInEveryDirection) {
    // Column A of cell-kinds: rows 1 to 8 filled, 9 empty, 10 to 13 filled.
    Workbook book = Load(L"cell-kinds.xlsx");
    EXPECT_EQ(EndRow(book, L"A65536", Direction::Up), 13u) << "empty start: the first filled cell above";
    EXPECT_EQ(EndRow(book, L"A11", Direction::Up), 10u) << "filled above: to the top of the run";
    EXPECT_EQ(EndRow(book, L"A10", Direction::Up), 8u) << "empty above: the next filled cell";
    EXPECT_EQ(EndRow(book, L"A9", Direction::Up), 8u);
    EXPECT_EQ(EndRow(book, L"A8", Direction::Up), 1u);
    EXPECT_EQ(EndRow(book, L"A1", Direction::Up), 1u);
    EXPECT_EQ(EndRow(book, L"Z50", Direction::Up), 1u) << "an empty column";

    EXPECT_EQ(EndRow(book, L"A1", Direction::Down), 8u);
    EXPECT_EQ(EndRow(book, L"A8", Direction::Down), 10u);
    EXPECT_EQ(EndRow(book, L"A10", Direction::Down), 13u);
    EXPECT_EQ(EndRow(book, L"A13", Direction::Down), 1048576u) << "nothing below: the last row";

    // Row 1: A to F filled. Row 8: A, B, E, F filled.
    EXPECT_EQ(EndColumn(book, L"A1", Direction::Right), 6u);
    EXPECT_EQ(EndColumn(book, L"F1", Direction::Right), 16384u);
    EXPECT_EQ(EndColumn(book, L"F1", Direction::Left), 1u);
    EXPECT_EQ(EndColumn(book, L"E8", Direction::Left), 2u);
    EXPECT_EQ(EndColumn(book, L"C8", Direction::Right), 5u);
    EXPECT_EQ(EndColumn(book, L"B8", Direction::Right), 5u);
    EXPECT_EQ(EndColumn(book, L"A8", Direction::Left), 1u);
}

TEST(XlsxReaderTest, ABlockIsOneArrayRowFirstWithLowerBoundsOneAndEmptyCellsBeyondTheData) {
    Workbook book = Load(L"lookup.xlsx");
    // What the lookup copies: A1, 12 + 1 rows, 20 columns.
    win::Variant block;
    ASSERT_EQ(BlockToVariant(book, book.sheets[0], {{1, 1}, {13, 20}}, block.put()), S_OK);
    ASSERT_EQ(block.type(), VT_ARRAY | VT_VARIANT);
    win::SafeArrayLock lock(V_ARRAY(block.get()));
    ASSERT_TRUE(lock.locked());
    ASSERT_EQ(lock.dims(), 2u);
    EXPECT_EQ(lock.lower(1), 1);
    EXPECT_EQ(lock.upper(1), 13);
    EXPECT_EQ(lock.lower(2), 1);
    EXPECT_EQ(lock.upper(2), 20);

    auto at = [&](LONG row, LONG column) {
        const VARIANT* v = lock.At(row, column);
        return v ? Typed(*v) : std::string("out of bounds");
    };
    EXPECT_EQ(at(1, 1), "BSTR:物料编码");
    EXPECT_EQ(at(1, 3), "BSTR:规格");
    EXPECT_EQ(at(1, 20), "BSTR:合格");
    EXPECT_EQ(at(5, 3), "BSTR:SPEC-X");
    EXPECT_EQ(at(9, 3), "BSTR:SPEC-X");
    EXPECT_EQ(at(5, 1), "BSTR:A1005");
    EXPECT_EQ(at(9, 1), "BSTR:A1009");
    EXPECT_EQ(at(3, 3), "ERROR:2042");
    EXPECT_EQ(at(8, 3), "R8:100");
    EXPECT_EQ(at(2, 9), DateText(Date(2024, 3, 2)));
    EXPECT_EQ(at(2, 20), "BOOL:true");
    EXPECT_EQ(at(12, 1), "BSTR:A1012");
    for (LONG column = 1; column <= 20; ++column) EXPECT_EQ(at(13, column), "EMPTY") << "column " << column;
    EXPECT_EQ(at(2, 21), "out of bounds") << "column U is not copied";
    EXPECT_EQ(at(14, 3), "out of bounds") << "nor is row 14";

    // A block far beyond the data is all empty; a single cell is its value alone.
    win::Variant beyond;
    ASSERT_EQ(BlockToVariant(book, book.sheets[0], {{60000, 1}, {60002, 3}}, beyond.put()), S_OK);
    EXPECT_EQ(Typed(*beyond.get()), "ARRAY:3x3");
    win::SafeArrayLock beyondLock(V_ARRAY(beyond.get()));
    EXPECT_EQ(Typed(*beyondLock.At(2, 2)), "EMPTY");
    win::Variant single;
    ASSERT_EQ(BlockToVariant(book, book.sheets[0], {{5, 3}, {5, 3}}, single.put()), S_OK);
    EXPECT_EQ(Typed(*single.get()), "BSTR:SPEC-X");
}

TEST(XlsxReaderTest, DamagedAndHostileFilesFailWithAReason) {
    struct Case {
        const wchar_t* file;
        const char* reason;  // part of the reason, or "" where only the failure matters
    };
    const Case cases[] = {
        {L"hostile\\corrupt-truncated.xlsx", "not a zip"},
        {L"hostile\\corrupt-not-a-zip.xlsx", "not a zip"},
        {L"hostile\\legacy-binary.xls", ".xls"},
        {L"hostile\\corrupt-bad-xml.xlsx", "worksheet"},
        {L"hostile\\corrupt-unclosed-end.xlsx", "worksheet"},
        {L"hostile\\corrupt-text-before-root.xlsx", "worksheet"},
        {L"hostile\\corrupt-crc.xlsx", "CRC"},
        {L"hostile\\corrupt-cell-ref.xlsx", "cell reference out of range"},
        {L"hostile\\corrupt-row-number.xlsx", "row number out of range"},
        {L"hostile\\corrupt-sst-index.xlsx", "shared string index out of range"},
        {L"hostile\\corrupt-missing-part.xlsx", "zip entry missing"},
        {L"hostile\\hostile-deep-nesting.xlsx", "worksheet"},
        {L"hostile\\hostile-dtd.xlsx", "worksheet"},
        {L"hostile\\hostile-zip-bomb.xlsx", "larger than the size limit"},
        {L"hostile\\hostile-zip-bomb-lying.xlsx", "past its recorded size"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing_support::Utf8(c.file));
        LoadError error = LoadError::None;
        std::string reason;
        auto book = ReadWorkbookFile(FixturePath(c.file), &error, &reason);
        EXPECT_FALSE(book.has_value());
        EXPECT_EQ(error, LoadError::Invalid);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << "reason: " << reason;
    }
}

TEST(XlsxReaderTest, SharedStringCountsThatPromiseBillionsAreIgnored) {
    Workbook book = Load(L"hostile\\hostile-sst-count.xlsx");
    EXPECT_EQ(book.strings.size(), 2u);
    EXPECT_EQ(Value(book, L"A1"), "BSTR:zero");
    EXPECT_EQ(Value(book, L"B1"), "BSTR:one");
}

TEST(XlsxReaderTest, AMissingFileIsNotFoundRatherThanInvalid) {
    LoadError error = LoadError::None;
    std::string reason;
    EXPECT_FALSE(ReadWorkbookFile(FixturePath(L"no-such-workbook.xlsx"), &error, &reason));
    EXPECT_EQ(error, LoadError::NotFound);
    EXPECT_FALSE(ReadWorkbookFile(FixturePath(L"no-such-folder\\x.xlsx"), &error, &reason));
    EXPECT_EQ(error, LoadError::NotFound);
}

// Every cell of every sheet, as "Sheet!A1=BSTR:text" lines.
std::vector<std::string> Dump(const Workbook& book) {
    std::vector<std::string> lines;
    for (const Sheet& sheet : book.sheets) {
        sheet.cells.ForEachIn({{1, 1}, {kMaxRow, kMaxColumn}}, [&](std::uint32_t row, const Cell& cell) {
            win::Variant value;
            CellToVariant(book, &cell, value.put());
            std::wstring address = ColumnLetters(cell.column) + std::to_wstring(row);
            lines.push_back(testing_support::Utf8(sheet.name + L"!" + address) + "=" + Typed(*value.get()));
        });
    }
    return lines;
}

TEST(XlsxReaderTest, ALargeSheetIsCutAtRowBoundariesIntoPiecesThatJoinUpAgain) {
    std::string bytes = testing_support::ReadBytes(FixturePath(L"lookup.xlsx"));
    std::string error;
    auto zip = ZipArchive::Open(bytes, &error);
    ASSERT_TRUE(zip) << error;
    auto xml = zip->Read("xl/worksheets/sheet1.xml", &error);
    ASSERT_TRUE(xml) << error;

    auto chunks = CutIntoChunks(*xml, 3);
    ASSERT_TRUE(chunks);
    ASSERT_EQ(chunks->pieces.size(), 3u);
    std::string rows;
    for (std::string_view piece : chunks->pieces) {
        EXPECT_EQ(piece.substr(0, 5), "<row ");
        rows += piece;
    }
    std::size_t begin = xml->find("<sheetData>") + 11;
    EXPECT_EQ(rows, xml->substr(begin, xml->find("</sheetData>") - begin));
    EXPECT_NE(chunks->outside.find("<sheetData/>"), std::string::npos);
    EXPECT_EQ(chunks->outside.find("<row"), std::string::npos);

    EXPECT_FALSE(CutIntoChunks("<worksheet><sheetData><row r=\"1\"/><!-- <row r=\"2\"/> --></sheetData></worksheet>", 2))
        << "a comment among the rows";
    EXPECT_FALSE(CutIntoChunks("<x:worksheet xmlns:x=\"u\"><x:sheetData><x:row r=\"1\"/></x:sheetData></x:worksheet>", 2));
}

TEST(XlsxReaderTest, ReadingOnSeveralThreadsGivesTheSameWorkbookAsReadingInOne) {
    LoadLimits one;
    one.threads = 1;
    LoadLimits several;
    several.threads = 3;
    several.parallelFrom = 0;  // cut even the small fixtures
    // cell-kinds has a row without a number, which sends it back to reading in one go.
    for (const wchar_t* file : {L"lookup.xlsx", L"demo\\出货清单.xlsx", L"cell-kinds.xlsx", L"tab-order.xlsx",
                                L"empty-column-a.xlsx", L"hostile\\hostile-sst-count.xlsx"}) {
        SCOPED_TRACE(testing_support::Utf8(file));
        std::string bytes = testing_support::ReadBytes(FixturePath(file));
        std::string reason;
        auto whole = ReadWorkbook(bytes, &reason, one);
        ASSERT_TRUE(whole) << reason;
        auto cut = ReadWorkbook(bytes, &reason, several);
        ASSERT_TRUE(cut) << reason;
        EXPECT_EQ(Dump(*cut), Dump(*whole));
    }
    for (const wchar_t* file : {L"hostile\\corrupt-bad-xml.xlsx", L"hostile\\corrupt-unclosed-end.xlsx",
                                L"hostile\\corrupt-text-before-root.xlsx",
                                L"hostile\\corrupt-cell-ref.xlsx", L"hostile\\corrupt-sst-index.xlsx",
                                L"hostile\\hostile-deep-nesting.xlsx", L"hostile\\hostile-dtd.xlsx"}) {
        std::string reason;
        EXPECT_FALSE(ReadWorkbook(testing_support::ReadBytes(FixturePath(file)), &reason, several))
            << testing_support::Utf8(file);
    }
    LoadLimits tight = several;
    tight.maxCells = 200;
    std::string reason;
    EXPECT_FALSE(ReadWorkbook(testing_support::ReadBytes(FixturePath(L"lookup.xlsx")), &reason, tight));
    EXPECT_NE(reason.find("too many cells"), std::string::npos) << reason;
}

TEST(XlsxReaderTest, CellAndStringLimitsStopAWorkbookThatWouldNotFit) {
    // lookup.xlsx holds 243 cells and 136 shared strings.
    std::string bytes = testing_support::ReadBytes(FixturePath(L"lookup.xlsx"));
    std::string reason;
    LoadLimits cells;
    cells.maxCells = 200;
    EXPECT_FALSE(ReadWorkbook(bytes, &reason, cells));
    EXPECT_NE(reason.find("too many cells"), std::string::npos) << reason;
    LoadLimits strings;
    strings.maxStrings = 100;
    EXPECT_FALSE(ReadWorkbook(bytes, &reason, strings));
    EXPECT_NE(reason.find("too many strings"), std::string::npos) << reason;
    LoadLimits enough;
    enough.maxCells = 243;
    enough.maxStrings = 136;
    EXPECT_TRUE(ReadWorkbook(bytes, &reason, enough)) << reason;
}

TEST(XlsxReaderTest, ZipLimitsHoldPerEntryInTotalAndForTheCompressionRatio) {
    std::string bytes = testing_support::ReadBytes(FixturePath(L"lookup.xlsx"));
    ASSERT_FALSE(bytes.empty());
    std::string error;

    auto zip = ZipArchive::Open(bytes, &error);
    ASSERT_TRUE(zip) << error;
    EXPECT_TRUE(zip->Has("XL/Worksheets/Sheet1.xml")) << "part names ignore case";
    EXPECT_TRUE(zip->Has("/xl/workbook.xml"));
    auto sheet = zip->Read("xl/worksheets/sheet1.xml", &error);
    ASSERT_TRUE(sheet) << error;
    EXPECT_NE(sheet->find("<sheetData>"), std::string::npos);

    ZipLimits small;
    small.maxEntrySize = 1024;
    auto limited = ZipArchive::Open(bytes, &error, small);
    ASSERT_TRUE(limited);
    EXPECT_FALSE(limited->Read("xl/worksheets/sheet1.xml", &error));
    EXPECT_NE(error.find("larger than the size limit"), std::string::npos) << error;
    EXPECT_TRUE(limited->Read("_rels/.rels", &error)) << "small entries still read";

    ZipLimits total;
    total.maxTotalSize = sheet->size() + 100;
    auto budget = ZipArchive::Open(bytes, &error, total);
    ASSERT_TRUE(budget);
    EXPECT_TRUE(budget->Read("xl/worksheets/sheet1.xml", &error)) << error;
    EXPECT_FALSE(budget->Read("xl/worksheets/sheet1.xml", &error)) << "the budget is spent";
    EXPECT_NE(error.find("together"), std::string::npos) << error;

    ZipLimits ratio;
    ratio.maxRatio = 2;
    ratio.ratioFloor = 0;
    auto strict = ZipArchive::Open(bytes, &error, ratio);
    ASSERT_TRUE(strict);
    EXPECT_FALSE(strict->Read("xl/worksheets/sheet1.xml", &error));
    EXPECT_NE(error.find("ratio"), std::string::npos) << error;

    EXPECT_FALSE(zip->Read("xl/none.xml", &error));
    for (std::size_t cut : {std::size_t{0}, std::size_t{21}, bytes.size() - 1, bytes.size() - 30}) {
        EXPECT_FALSE(ZipArchive::Open(std::string_view(bytes).substr(0, cut), &error)) << "cut at " << cut;
    }
}

}  // namespace
