// A repeat lookup in an unchanged shipping list is answered from the copy the last lookup kept, without
// any call to a spreadsheet application; whenever the copy might differ from what Excel would hand over,
// the lookup goes to Excel. Driven through the real window.
#include <gtest/gtest.h>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::TempDir;

namespace {

class KeptCopyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(::CopyFileW(FixturePath(L"lookup.xlsx").c_str(), list.c_str(), FALSE)); }

    std::unique_ptr<LabelPrintApp> StartOn(const std::wstring& workbook) {
        return Start(L"kept-copy", Settings{.keyColumn = L"3", .workbook = workbook});
    }

    // Looks the key up; whether it was found (a not-found message is closed).
    static bool Finds(LabelPrintApp& app, const std::wstring& key) {
        app.EnterKey(key);
        std::optional<MessageBoxInfo> box;
        WaitUntil([&] { return app.FocusId() == app::QuantityBox || (box = app.FindMessageBox()).has_value(); });
        if (box) app.Close(*box);
        return !box && app.FocusId() == app::QuantityBox;
    }

    // How many lookups went to Excel since the log was cleared.
    std::size_t ExcelLookups() const { return excel.Answered("Application.Workbooks"); }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
    TempDir files{L"kept-copy"};
    std::wstring list = files / L"出货清单.xlsx";
};

TEST_F(KeptCopyTest, ASecondLookupInAnUnchangedListAsksNoServer) {
    auto app = StartOn(list);
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    ASSERT_EQ(ExcelLookups(), 1u);
    excel.ClearLog();
    bartender.ClearLog();
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_TRUE(excel.Calls().empty()) << "no call to any server";
    EXPECT_TRUE(bartender.Calls().empty());
    // The search itself is the same: another key, and one that is not there.
    EXPECT_TRUE(Finds(*app, L"S-200"));
    EXPECT_FALSE(Finds(*app, L"NO-SUCH-KEY"));
    EXPECT_TRUE(excel.Calls().empty());

    // Open at another station: only its owner file lies beside the list. This PC reads the saved file
    // all the same.
    testing_support::WriteBytes(OwnerFile(list), "other station");
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_TRUE(excel.Calls().empty());
}

TEST_F(KeptCopyTest, AChangedListIsReadAgain) {
    auto app = StartOn(list);
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    // Another list saved under the same name.
    ASSERT_TRUE(::CopyFileW(FixturePath(L"print.xlsx").c_str(), list.c_str(), FALSE));
    excel.ClearLog();
    app->SetText(app::WorkbookBox, list);
    EXPECT_FALSE(Finds(*app, L"SPEC-X")) << "the new list is searched";
    EXPECT_EQ(ExcelLookups(), 1u);
}

// Written moments before the lookup, the time stamp proves nothing: the same size and time with other
// bytes must still be noticed.
TEST_F(KeptCopyTest, AListWrittenJustBeforeIsComparedByItsBytes) {
    // Just written: now as its time stamp.
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    {
        win::UniqueFile file(::CreateFileW(list.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &now));
    }
    auto app = StartOn(list);
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    excel.ClearLog();
    EXPECT_TRUE(Finds(*app, L"SPEC-X")) << "unchanged bytes: the copy holds";
    EXPECT_EQ(ExcelLookups(), 0u);

    // One byte in the middle changed, the size and the time kept.
    std::string bytes = testing_support::ReadBytes(list);
    bytes[bytes.size() / 2] ^= 0x5A;
    testing_support::WriteBytes(list, bytes);
    {
        win::UniqueFile file(::CreateFileW(list.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.get(), nullptr, nullptr, &now));
    }
    Finds(*app, L"SPEC-X");
    EXPECT_EQ(ExcelLookups(), 1u) << "other bytes: Excel reads it again";
}

TEST_F(KeptCopyTest, AListOpenInAnExcelOnThisPcIsReadThroughIt) {
    auto app = StartOn(list);
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    excel.Set(L"OperatorWorkbook", list);
    OperatorExcel operatorExcel;
    ASSERT_TRUE(operatorExcel.WaitUntilReady());
    excel.ClearLog();
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_EQ(ExcelLookups(), 1u) << "their unsaved edits are what counts";
    operatorExcel.Stop();
}

TEST_F(KeptCopyTest, ABlockWithFormulasIsAlwaysReadAgain) {
    const std::wstring volatileList = files / L"volatile.xlsx";
    ASSERT_TRUE(::CopyFileW(FixturePath(L"volatile.xlsx").c_str(), volatileList.c_str(), FALSE));
    auto app = Start(L"kept-copy", Settings{.keyColumn = L"1", .workbook = volatileList});
    ASSERT_TRUE(Finds(*app, L"V-1"));
    ASSERT_TRUE(Finds(*app, L"V-2"));
    EXPECT_EQ(ExcelLookups(), 2u);
}

TEST_F(KeptCopyTest, OnlyACompleteCopyOfTheSameFileIsKept) {
    auto app = StartOn(list);
    // A copy that failed.
    excel.Set(L"FailMembers", L"Range.HasFormula");
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    excel.Set(L"FailMembers", L"");
    ASSERT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_EQ(ExcelLookups(), 2u) << "a copy whose formulas are not known is not kept";

    // A lookup the operator called off, in a list saved again meanwhile.
    testing_support::Touch(list);
    excel.ClearLog();
    excel.Set(L"BusyAfter", L"Range.Value");
    excel.Set(L"BusyForMs", DWORD{20000});
    app->EnterKey(L"SPEC-X");
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    app->Answer(*box, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] {
        box = app->FindMessageBox();
        return box && box->text == L"Excel 正忙，查询已取消。";
    }));
    app->Close(*box);
    excel.Set(L"BusyForMs", DWORD{0});
    ::Sleep(500);
    excel.ClearLog();
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_EQ(ExcelLookups(), 1u) << "the copy of a cancelled lookup is not used";

    // Another workbook chosen.
    const std::wstring other = files / L"other.xlsx";
    ASSERT_TRUE(::CopyFileW(FixturePath(L"lookup.xlsx").c_str(), other.c_str(), FALSE));
    excel.ClearLog();
    app->SetText(app::WorkbookBox, other);
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
    EXPECT_EQ(ExcelLookups(), 1u);
}

}  // namespace
