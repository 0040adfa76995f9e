// The print button: BarTender's calls in order, the labels that come out, and every way a print can
// go wrong, driven through the real window.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/support/Json.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::Gbk;
using testing_support::Json;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::Utf8;
using Strings = std::vector<std::string>;

namespace {

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        bartender.Set(L"PrintLog", out / L"prints.log");
        bartender.Set(L"OutputFolder", out.path());
    }

    std::string Settings(const std::wstring& workbook, const std::wstring& label, int queryColumn = 1,
                         const std::wstring& printer = L"") {
        std::wstring ini = L"[settings]\r\n查询列=" + std::to_wstring(queryColumn) + L"\r\n[DATA]\r\nDB=" + workbook +
                           L"\r\nTP=" + label + L"\r\n";
        if (!printer.empty()) ini += L"[print]\r\nprinter=" + printer + L"\r\n";
        return Gbk(ini);
    }

    std::unique_ptr<LabelPrintApp> Start(const std::string& settings) {
        auto app = std::make_unique<LabelPrintApp>(L"print", settings);
        EXPECT_TRUE(app->StartAndWaitForWindow());
        return app;
    }

    // The operator's path: spare items, Enter, Enter, the key, Enter, the quantity.
    void FindItem(LabelPrintApp& app, const std::wstring& key, const std::wstring& quantity = L"1",
                  const std::wstring& spare1 = L"", const std::wstring& spare2 = L"") {
        app.SetText(app::Spare1Box, spare1);
        app.PostEnter(app::Spare1Box);
        ASSERT_TRUE(app.WaitForFocus(app::Spare2Box));
        app.SetText(app::Spare2Box, spare2);
        app.PostEnter(app::Spare2Box);
        ASSERT_TRUE(app.WaitForFocus(app::KeyBox));
        app.SetText(app::KeyBox, key);
        app.PostEnter(app::KeyBox);
        ASSERT_TRUE(app.WaitForFocus(app::QuantityBox)) << "the key was found";
        app.SetText(app::QuantityBox, quantity);
    }

    // Presses 打印 and waits until the button is back, closing a message if one comes up.
    std::optional<MessageBoxInfo> Print(LabelPrintApp& app) {
        bartender.ClearLog();
        app.PostClick(app::PrintButton);
        std::optional<MessageBoxInfo> box;
        EXPECT_TRUE(WaitUntil([&] {
            if (!box) box = app.FindMessageBox();
            if (box) return true;
            // The button is disabled before the first call: a call logged, then the button back, is a finished print.
            return !bartender.RawLog().empty() && app.Enabled(app::PrintButton);
        }));
        if (box) {
            app.Answer(*box, IDOK);
            EXPECT_TRUE(WaitUntil([&] { return !app.FindMessageBox() && app.Enabled(app::PrintButton); }));
        }
        return box;
    }

    std::vector<Json> Prints() const { return testing_support::ParseJsonLines(ReadBytes(out / L"prints.log")); }

    // BarTender's calls during the last print.
    Strings PrintCalls() const {
        Strings calls;
        for (const Call& call : bartender.Calls()) calls.push_back(call.Brief());
        return calls;
    }

    StandinScenario bartender{L"BarTender"};
    StandinScenario excel{L"Excel"};
    TempDir out{L"printed"};
    std::wstring allFields = FixturePath(L"templates\\all-fields.btw");
    std::wstring someFields = FixturePath(L"templates\\some-fields.btw");
    std::wstring printBook = FixturePath(L"print.xlsx");
};

TEST_F(PrintTest, APrintFillsTheTemplateFromTheFoundRowInOrderAndReportsDone) {
    auto app = Start(Settings(printBook, allFields));
    FindItem(*app, L"P-TEXT", L"3", L"备注一", L"批次B");
    EXPECT_FALSE(Print(*app).has_value());
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");

    Strings expected{"Application.Formats()", "Formats.Open(BSTR:" + Utf8(allFields) + ",BOOL:false,BSTR:)",
                     "Application.Visible=(BOOL:false)",
                     "Format.SetNamedSubStringValue(BSTR:1,BSTR:P-TEXT)"};
    for (int n = 2; n <= 20; ++n)
        expected.push_back("Format.SetNamedSubStringValue(BSTR:" + std::to_string(n) + ",BSTR:文本" + std::to_string(n) + ")");
    expected.insert(expected.end(), {"Format.SetNamedSubStringValue(BSTR:beiyong2,BSTR:批次B)",
                                     "Format.SetNamedSubStringValue(BSTR:beiyong1,BSTR:备注一)",
                                     "Format.NumberSerializedLabels=(I4:1)", "Format.IdenticalCopiesOfLabel=(I4:3)",
                                     "Format.PrintOut(BOOL:false,BOOL:false)", "Format.Close(I4:1)"});
    EXPECT_EQ(PrintCalls(), expected);

    std::vector<Json> prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["labels"].Integer(), 3);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    EXPECT_EQ(prints[0]["substrings"]["20"].text, "文本20");
    EXPECT_EQ(prints[0]["substrings"]["beiyong1"].text, "备注一");
    EXPECT_EQ(prints[0]["substrings"]["beiyong2"].text, "批次B");
    ASSERT_EQ(prints[0]["images"].items.size(), 1u);
    EXPECT_TRUE(testing_support::Exists(out / testing_support::FromUtf8(prints[0]["images"].items[0].text)));
    EXPECT_TRUE(app->Enabled(app::PrintButton));
}

TEST_F(PrintTest, TheFirstMatchingRowIsPrintedAndTheHeaderRowCanBe) {
    auto app = Start(Settings(FixturePath(L"lookup.xlsx"), allFields, 3));
    FindItem(*app, L"SPEC-X");
    Print(*app);
    FindItem(*app, L"规格");
    Print(*app);
    std::vector<Json> prints = Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "A1005") << "rows 5 and 9 hold the key: row 5 wins";
    EXPECT_EQ(prints[0]["substrings"]["9"].text, "2024/3/5") << "a date as the system writes it";
    EXPECT_EQ(prints[0]["substrings"]["4"].text, "50.5");
    EXPECT_EQ(prints[1]["substrings"]["1"].text, "物料编码");
}

TEST_F(PrintTest, NumbersEmptyCellsAndErrorValuesOfTheFoundRow) {
    auto app = Start(Settings(printBook, allFields));
    FindItem(*app, L"P-5");
    Print(*app);
    std::vector<Json> prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["2"].text, "5");
    EXPECT_EQ(prints[0]["substrings"]["3"].text, "");
    // An error value has no text: that one substring keeps the template's value, the rest go on.
    bool errorCellSet = false;
    for (const Call& call : bartender.Calls())
        errorCellSet |= call.member == "SetNamedSubStringValue" && call.args.size() == 2 && call.args[0] == "BSTR:4";
    EXPECT_FALSE(errorCellSet);
    EXPECT_EQ(prints[0]["substrings"]["5"].text, "p2-5");
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
}

TEST_F(PrintTest, ATemplateWithSomeOfTheNamesGetsThoseAndPrints) {
    auto app = Start(Settings(printBook, someFields));
    FindItem(*app, L"P-TEXT", L"2", L"备注");
    Print(*app);
    int failed = 0;
    for (const Call& call : bartender.Calls())
        if (call.member == "SetNamedSubStringValue" && call.hr != "0x00000000") ++failed;
    EXPECT_EQ(failed, 19) << "22 names sent, 3 defined";
    std::vector<Json> prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "P-TEXT");
    EXPECT_EQ(prints[0]["substrings"]["3"].text, "文本3");
    EXPECT_EQ(prints[0]["substrings"]["beiyong1"].text, "备注");
    EXPECT_EQ(prints[0]["labels"].Integer(), 2);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
}

TEST_F(PrintTest, TheQuantityIsReadAsAWholeNumberOrLeftToTheTemplate) {
    auto app = Start(Settings(printBook, allFields));
    FindItem(*app, L"P-TEXT");
    struct Case {
        const wchar_t* text;
        const char* call;  // nullptr: the count is not set
    };
    for (const Case& c : {Case{L"3", "Format.IdenticalCopiesOfLabel=(I4:3)"},
                          Case{L"2.5", "Format.IdenticalCopiesOfLabel=(I4:2)"},  // halves to even
                          Case{L"letters", nullptr}, Case{L"", nullptr}}) {
        app->SetText(app::QuantityBox, c.text);
        Print(*app);
        Strings calls = PrintCalls();
        bool setCount = false;
        for (const std::string& call : calls) setCount |= call.rfind("Format.IdenticalCopiesOfLabel", 0) == 0;
        if (c.call) {
            EXPECT_NE(std::find(calls.begin(), calls.end(), c.call), calls.end()) << Utf8(c.text);
        } else {
            EXPECT_FALSE(setCount) << Utf8(c.text);
        }
        EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    }
}

TEST_F(PrintTest, TheConfiguredPrinterIsSetAndAnUnknownOneLeavesTheTemplates) {
    for (const std::wstring& printer : {std::wstring(L"TSC TTP-244 Pro"), std::wstring(L"No Such Printer"), std::wstring()}) {
        SCOPED_TRACE(Utf8(printer));
        auto app = Start(Settings(printBook, allFields, 1, printer));
        FindItem(*app, L"P-TEXT");
        std::size_t before = Prints().size();
        Print(*app);
        Strings calls = PrintCalls();
        bool setPrinter = std::find(calls.begin(), calls.end(), "Format.Printer=(BSTR:" + Utf8(printer) + ")") != calls.end();
        EXPECT_EQ(setPrinter, !printer.empty());
        std::vector<Json> prints = Prints();
        ASSERT_EQ(prints.size(), before + 1);
        if (printer == L"TSC TTP-244 Pro") {
            EXPECT_EQ(prints.back()["printer"].text, "TSC TTP-244 Pro");
        } else {
            EXPECT_NE(prints.back()["printer"].text, "No Such Printer");
        }
        EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");
    }
}

TEST_F(PrintTest, AMissingTemplateIsReportedAndNothingIsOpened) {
    for (const std::wstring& label : {std::wstring(), FixturePath(L"templates\\no-such-template.btw"),
                                      FixturePath(L"templates")}) {
        auto app = Start(Settings(printBook, label));
        FindItem(*app, L"P-TEXT");
        auto box = Print(*app);
        ASSERT_TRUE(box.has_value()) << Utf8(label);
        EXPECT_EQ(box->text, L"没有模版文件");
        EXPECT_EQ(box->title, L"标签打印");
        EXPECT_FALSE(box->icon);
        EXPECT_TRUE(bartender.Calls().empty());
        EXPECT_TRUE(app->Enabled(app::PrintButton));
        EXPECT_EQ(app->Text(app::StatusLine), L"");
    }
}

// Printing a row number of an earlier match against a newer copy would put another item on the label.
TEST_F(PrintTest, OnlyAnItemTheLastLookupFoundIsPrinted) {
    auto app = Start(Settings(printBook, allFields));
    auto box = Print(*app);
    ASSERT_TRUE(box.has_value()) << "no lookup yet";
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());

    FindItem(*app, L"P-TEXT");
    app->SetText(app::KeyBox, L"NO-SUCH-ITEM");
    app->PostEnter(app::KeyBox);
    auto notFound = app->WaitForMessageBox();
    ASSERT_TRUE(notFound.has_value());
    app->Answer(*notFound, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !app->FindMessageBox(); }));

    box = Print(*app);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"查询ITEM不存在！");
    EXPECT_TRUE(bartender.Calls().empty());
    EXPECT_TRUE(Prints().empty());
    EXPECT_TRUE(app->Enabled(app::PrintButton));
}

TEST_F(PrintTest, TheTemplateFileIsNeverChanged) {
    std::string bytes = ReadBytes(allFields);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ::GetFileAttributesExW(allFields.c_str(), GetFileExInfoStandard, &before);
    auto app = Start(Settings(printBook, allFields));
    FindItem(*app, L"P-TEXT");
    for (int i = 0; i < 3; ++i) Print(*app);
    EXPECT_EQ(Prints().size(), 3u);
    EXPECT_EQ(ReadBytes(allFields), bytes);
    ::GetFileAttributesExW(allFields.c_str(), GetFileExInfoStandard, &after);
    EXPECT_EQ(::CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
}

TEST_F(PrintTest, TheStatusLineSaysWhenNothingWasPrinted) {
    auto app = Start(Settings(printBook, allFields));
    FindItem(*app, L"P-TEXT");

    bartender.Set(L"OpenFails", 1);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印失败");
    EXPECT_EQ(PrintCalls().back().rfind("Formats.Open(", 0), 0u) << "nothing is sent after a failed open";
    bartender.Set(L"OpenFails", DWORD{0});

    bartender.Set(L"PrintOutFails", 1);
    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印失败");
    EXPECT_EQ(PrintCalls().back(), "Format.Close(I4:1)") << "the template is still closed";
    bartender.Set(L"PrintOutFails", DWORD{0});

    Print(*app);
    EXPECT_EQ(app->Text(app::StatusLine), L"打印完成");

    bartender.Set(L"DieInPrintOut", 1);
    app->PostClick(app::PrintButton);
    EXPECT_TRUE(WaitUntil([&] { return app->Text(app::StatusLine) == L"打印失败"; }));
    EXPECT_TRUE(WaitUntil([&] { return app->Enabled(app::PrintButton); }));
    EXPECT_TRUE(app->Running());
    EXPECT_EQ(Prints().size(), 1u);
}

}  // namespace
