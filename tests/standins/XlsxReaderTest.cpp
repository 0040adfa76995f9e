// The Excel stand-in's workbook reader on the checked-in workbooks: the values a lookup copies, where
// End goes, and damaged files failing with a reason instead of a crash or a half-read sheet.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "standins/excel/XlsxWorkbook.h"
#include "standins/excel/XmlReader.h"
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
