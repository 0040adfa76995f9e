// The Excel stand-in's workbook reader on the checked-in workbooks: the values a lookup copies, where
// End goes, and damaged files failing with a reason instead of a crash or a half-read sheet.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "standins/excel/XlsxWorkbook.h"
#include "standins/excel/XmlReader.h"
#include "standins/excel/ZipArchive.h"
#include "standins/excel/ZipWriter.h"
#include "tests/standins/Fixtures.h"

using namespace xlsx;
using standin_tests::FixturePath;

namespace {

Workbook Load(const std::wstring& fixture) {
    LoadFailure failure;
    auto book = ReadWorkbookFile(FixturePath(fixture), &failure);
    if (!book) ADD_FAILURE() << "cannot read " << testing_support::Utf8(fixture) << ": " << failure.reason;
    return book ? std::move(*book) : Workbook{};
}

// One cell of the first sheet, as "kind:value".
std::string Value(const Workbook& book, const char* reference) {
    const Cell* cell =
        book.sheets.at(0).cells.Find(ParseCellAddress(reference)->row, ParseCellAddress(reference)->column);
    if (!cell) return "empty";
    char number[32];
    std::snprintf(number, sizeof(number), "%.17g", cell->number);
    switch (cell->kind) {
        case CellKind::Text: return "text:" + testing_support::Utf8(book.strings.at(cell->index));
        case CellKind::Number: return std::string("number:") + number;
        case CellKind::Date: return std::string("date:") + number;
        case CellKind::Logical: return cell->number ? "logical:true" : "logical:false";
        case CellKind::Error: return "error:" + std::to_string(cell->index);
    }
    return "?";
}

std::string Date(WORD year, WORD month, WORD day) {
    SYSTEMTIME time{year, month, 0, day};
    double date = 0;
    ::SystemTimeToVariantTime(&time, &date);
    return "date:" + std::to_string(static_cast<long>(date));
}

CellAddress End(const Workbook& book, const char* from, int rowStep, int columnStep) {
    return book.sheets.at(0).cells.End(*ParseCellAddress(from), rowStep, columnStep);
}

TEST(XlsxReaderTest, CellsComeOutAsExcelHoldsThem) {
    Workbook lookup = Load(L"lookup.xlsx");
    ASSERT_EQ(lookup.sheets.size(), 1u);
    EXPECT_EQ(lookup.sheets[0].name, L"清单");
    EXPECT_EQ(Value(lookup, "A1"), "text:物料编码");
    EXPECT_EQ(Value(lookup, "C7"), "text:Tail-7 ") << "the trailing space is kept";
    EXPECT_EQ(Value(lookup, "C8"), "number:100");
    EXPECT_EQ(Value(lookup, "D2"), "number:20.5");
    EXPECT_EQ(Value(lookup, "C3"), "error:2042") << "#N/A";
    EXPECT_EQ(Value(lookup, "I2"), Date(2024, 3, 2)) << "a number under yyyy-mm-dd";
    EXPECT_EQ(Value(lookup, "T2"), "logical:true");
    EXPECT_EQ(Value(lookup, "T3"), "logical:false");
    EXPECT_EQ(Value(lookup, "U2"), "text:outside");
    EXPECT_EQ(Value(lookup, "A13"), "empty");

    Workbook print = Load(L"print.xlsx");
    EXPECT_EQ(Value(print, "B4"), Date(2024, 12, 6));
    EXPECT_EQ(Value(print, "C4"), "number:1.5");
    EXPECT_EQ(Value(print, "C2"), "empty");

    // openpyxl's own way: inline strings with character references, and a formatted blank.
    Workbook inlineStrings = Load(L"empty-column-a.xlsx");
    EXPECT_EQ(Value(inlineStrings, "B1"), "text:品名");
    EXPECT_EQ(Value(inlineStrings, "C5"), "text:Only-C");
    EXPECT_EQ(Value(inlineStrings, "T10"), "number:7");
    EXPECT_EQ(Value(inlineStrings, "A12"), "empty");
}

TEST(XlsxReaderTest, EndGoesAlongARunOrToTheNextFilledCellOrToTheEdge) {
    // lookup.xlsx: A1:T12 filled; C14 and U2 filled too.
    Workbook lookup = Load(L"lookup.xlsx");
    EXPECT_EQ(End(lookup, "A65536", -1, 0).row, 12u) << "up from an empty cell: the first filled one";
    EXPECT_EQ(End(lookup, "C65536", -1, 0).row, 14u);
    EXPECT_EQ(End(lookup, "C14", -1, 0).row, 12u) << "the gap above is crossed";
    EXPECT_EQ(End(lookup, "C12", -1, 0).row, 1u) << "along the run to its top";
    EXPECT_EQ(End(lookup, "U2", -1, 0).row, 1u) << "nothing above: the edge";
    EXPECT_EQ(End(lookup, "C14", 1, 0).row, kMaxRow);
    EXPECT_EQ(End(lookup, "A1", 0, 1).column, 20u);
    EXPECT_EQ(End(lookup, "U2", 0, -1).column, 1u);
    EXPECT_EQ(End(Load(L"empty-column-a.xlsx"), "A65536", -1, 0).row, 1u) << "an empty column: row 1";
    EXPECT_EQ(End(Load(L"demo\\出货清单.xlsx"), "A65536", -1, 0).row, 16u);
}

TEST(XlsxReaderTest, DamagedFilesFailWithAReason) {
    const std::pair<const wchar_t*, const char*> cases[] = {
        {L"hostile\\corrupt-truncated.xlsx", "not a zip"},
        {L"hostile\\corrupt-not-a-zip.xlsx", "not a zip"},
        {L"hostile\\corrupt-crc.xlsx", "CRC"},
        {L"hostile\\corrupt-missing-part.xlsx", "zip entry missing"},
        {L"hostile\\corrupt-bad-xml.xlsx", "worksheet: an end tag"},
        {L"hostile\\corrupt-sst-index.xlsx", "shared string index out of range"},
    };
    for (const auto& [file, reason] : cases) {
        LoadFailure failure;
        EXPECT_FALSE(ReadWorkbookFile(FixturePath(file), &failure)) << testing_support::Utf8(file);
        EXPECT_EQ(failure.error, LoadError::Invalid);
        EXPECT_NE(failure.reason.find(reason), std::string::npos) << failure.reason;
    }
    LoadFailure failure;
    EXPECT_FALSE(ReadWorkbookFile(FixturePath(L"no-such-folder\\x.xlsx"), &failure));
    EXPECT_EQ(failure.error, LoadError::NotFound);
}

// Whether each cell of the first sheet holds a formula, as "A1 B2 ..." of those that do.
std::string FormulaCells(const Workbook& book) {
    std::string out;
    for (std::uint32_t row = 1; row <= 20; ++row)
        for (std::uint32_t column = 1; column <= 20; ++column)
            if (const Cell* cell = book.sheets.at(0).cells.Find(row, column); cell && cell->formula)
                out += (out.empty() ? "" : " ") + std::string(1, static_cast<char>('A' + column - 1)) +
                       std::to_string(row);
    return out;
}

TEST(XlsxReaderTest, WhatExcelActsOnWhenItOpensAFileIsRead) {
    struct Case {
        const wchar_t* file;
        bool links, macros, changing;
        const char* formulas;
    };
    for (const Case& c : {Case{L"lookup.xlsx", false, false, false, ""},
                          Case{L"links.xlsx", true, false, false, "B2 B3"},
                          Case{L"macro.xlsm", false, true, false, ""},
                          Case{L"volatile.xlsx", false, false, true, "B2 C2 D2 E2 F2 B3 C3 D3 E3 F3"}}) {
        SCOPED_TRACE(testing_support::Utf8(c.file));
        Workbook book = Load(c.file);
        EXPECT_EQ(book.externalLinks, c.links);
        EXPECT_EQ(book.macroProject, c.macros);
        EXPECT_EQ(book.volatileFormulas, c.changing);
        EXPECT_EQ(FormulaCells(book), c.formulas);
    }
    // A formula's value is the result saved with it.
    Workbook changing = Load(L"volatile.xlsx");
    EXPECT_EQ(Value(changing, "B2"), "date:45292");
    EXPECT_EQ(Value(changing, "D3"), "number:0.75");
    EXPECT_EQ(Value(changing, "E3"), "text:V-2");
    EXPECT_EQ(Value(Load(L"links.xlsx"), "B2"), "number:12.5");

    for (const char* formula : {"TODAY()", "now()+1", "A1+RAND()", "INDIRECT(\"A\"&ROW())", "SUM(OFFSET(A1,0,0,3))",
                                "_xlfn.RANDARRAY(3)", "IF(CELL(\"row\")>1,1,0)", "'a''b'!A1+NOW()"})
        EXPECT_TRUE(CallsVolatileFunction(formula)) << formula;
    for (const char* formula : {"SUM(A1:A3)", "\"TODAY()\"&A1", "'NOW()'!A1", "TODAYS(1)", "MYRAND(2)",
                                "[1]价格!B2", "NOW", "\"say \"\"RAND()\"\"\""})
        EXPECT_FALSE(CallsVolatileFunction(formula)) << formula;
}

// A package of one sheet holding the given cells, written with the stand-in's own zip writer.
std::string OneSheetPackage(const std::string& cells, const std::string& workbookTail = "") {
    return WriteZip({{"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" "
                                         "r:id=\"rId1\"/></sheets>" + workbookTail + "</workbook>"},
                     {"xl/_rels/workbook.xml.rels",
                      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" "
                      "Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                     {"xl/worksheets/sheet1.xml", "<worksheet><sheetData>" + cells + "</sheetData></worksheet>"}});
}

TEST(XlsxReaderTest, FormulasSavedWithoutResultsOrSharedAreStillFormulas) {
    // openpyxl saves a formula with an empty result; a shared formula's other cells hold an empty <f>.
    std::string package = OneSheetPackage(
        "<row r=\"1\"><c r=\"A1\"><f>TODAY()</f><v></v></c><c r=\"B1\"><f t=\"shared\" si=\"0\" ref=\"B1:C1\">A1+1</f>"
        "<v>3</v></c><c r=\"C1\"><f t=\"shared\" si=\"0\"/><v>4</v></c><c r=\"D1\"><v>5</v></c></row>");
    LoadFailure failure;
    auto book = ReadWorkbook(package, &failure);
    ASSERT_TRUE(book) << failure.reason;
    EXPECT_EQ(FormulaCells(*book), "A1 B1 C1");
    EXPECT_EQ(Value(*book, "A1"), "text:") << "not calculated: empty text, a filled cell";
    EXPECT_EQ(Value(*book, "C1"), "number:4");
    EXPECT_TRUE(book->volatileFormulas);
    EXPECT_FALSE(ReadWorkbook(OneSheetPackage("<row r=\"1\"><c r=\"A1\"><f>B1*2</f><v>0</v></c></row>"), nullptr)
                     ->volatileFormulas);
}

TEST(XlsxReaderTest, ARecalculatedPackageCarriesExcelsCalculationIdAndTheSameParts) {
    std::string bytes = testing_support::ReadBytes(FixturePath(L"volatile.xlsx"));
    std::string error;
    auto saved = RecalculatedPackage(bytes, &error);
    ASSERT_TRUE(saved) << error;
    auto before = ZipArchive::Open(bytes, &error), after = ZipArchive::Open(*saved, &error);
    ASSERT_TRUE(before && after) << error;
    EXPECT_EQ(after->Names(), before->Names());
    for (const std::string& name : before->Names()) {
        std::string was = before->Read(name, &error).value_or("?"), is = after->Read(name, &error).value_or("!");
        if (std::size_t at = was.find("calcId=\"124519\""); name == "xl/workbook.xml" && at != std::string::npos)
            was.replace(at, 15, "calcId=\"191029\"");
        EXPECT_EQ(is, was) << name;
    }
    LoadFailure failure;
    auto book = ReadWorkbook(*saved, &failure);
    ASSERT_TRUE(book) << failure.reason;
    EXPECT_EQ(Value(*book, "E3"), "text:V-2");

    // A workbook part without a calculation id is written as it was.
    std::string plain = OneSheetPackage("");
    auto resaved = RecalculatedPackage(plain, &error);
    ASSERT_TRUE(resaved) << error;
    EXPECT_EQ(ZipArchive::Open(*resaved, &error)->Read("xl/workbook.xml", &error),
              ZipArchive::Open(plain, &error)->Read("xl/workbook.xml", &error));
    EXPECT_FALSE(RecalculatedPackage(testing_support::ReadBytes(FixturePath(L"hostile\\corrupt-crc.xlsx")), &error));
    EXPECT_NE(error.find("CRC"), std::string::npos) << error;
}

// The nodes of a document, one per line: "<name", ">name", "'text", or "!error".
std::string Nodes(std::string_view xml) {
    XmlReader x(xml);
    std::string out;
    for (;;) {
        switch (x.Next()) {
            case XmlReader::Node::Element: out += "<" + std::string(x.name()); break;
            case XmlReader::Node::End: out += ">" + std::string(x.name()); break;
            case XmlReader::Node::Text: out += "'" + std::string(x.text()); break;
            case XmlReader::Node::Done: return out;
            case XmlReader::Node::Error: return out + "!" + x.error();
        }
        out += " ";
    }
}

TEST(XmlReaderTest, ReadsWhatSpreadsheetPartsHoldAndStopsAtWhatIsNotXml) {
    EXPECT_EQ(Nodes("\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- c --><x:a "
                    "xmlns:x=\"u\"><b/>&lt;&#21697;&#x41;<![CDATA[<&>]]></x:a>"),
              "<a <b >b '<品A '<&> >a ");
    XmlReader x("<c r=\"A&amp;1\" t='s' x:r=\"no\"/>");
    ASSERT_EQ(x.Next(), XmlReader::Node::Element);
    EXPECT_EQ(x.Attribute("r"), "A&1");
    EXPECT_EQ(x.Attribute("t"), "s");
    EXPECT_EQ(x.Attribute("s"), std::nullopt);

    for (const char* broken : {"<a><b></a></b>", "<a></a><b></b>", "text<a/>", "<a>", "<!DOCTYPE a><a/>",
                               "<a>&bogus;</a>", "<a b=c/>", "", "<a"}) {
        std::string nodes = Nodes(broken);
        EXPECT_NE(nodes.find('!'), std::string::npos) << broken << " gave " << nodes;
    }
}

}  // namespace
