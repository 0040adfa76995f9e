// Shipping lists as they are in the field, and PCs with WPS instead of Excel: the lookup only reads the
// list, never gets stuck on a question nobody sees, and finds its key. Driven through the real window.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/Controls.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"

using namespace workflow;
using testing_support::FixturePath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using Strings = std::vector<std::string>;

namespace {

FILETIME WrittenAt(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

class ShippingListTest : public ::testing::Test {
protected:
    // A copy of a fixture in a scratch folder, so that a write to it would be seen and would harm nothing.
    std::wstring CopyOf(const std::wstring& fixture) {
        std::wstring copy = files / fixture;
        EXPECT_TRUE(::CopyFileW(FixturePath(fixture).c_str(), copy.c_str(), FALSE));
        return copy;
    }

    static bool Finds(LabelPrintApp& app, const std::wstring& key) {
        app.EnterKey(key);
        std::optional<MessageBoxInfo> box;
        WaitUntil([&] { return app.FocusId() == app::QuantityBox || (box = app.FindMessageBox()).has_value(); });
        if (box) {
            ADD_FAILURE() << "the lookup said: " << testing_support::Utf8(box->text);
            app.Close(*box);
        }
        return app.FocusId() == app::QuantityBox;
    }

    BarTenderScenario bartender;
    StandinScenario excel{L"Excel"};
    TempDir files{L"shipping-lists"};
};

// Links to other workbooks, an open-time macro, volatile formulas: each would make a hidden Excel ask
// something nobody can answer, or save the list. The lookup finds its key, and the list is not written.
TEST_F(ShippingListTest, ListsWithLinksMacrosOrVolatileFormulasAreReadAndNeverWritten) {
    struct Case {
        const wchar_t* fixture;
        const wchar_t* key;
    } cases[] = {{L"links.xlsx", L"L-2"}, {L"macro.xlsm", L"M-1"}, {L"volatile.xlsx", L"V-2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing_support::Utf8(c.fixture));
        const std::wstring list = CopyOf(c.fixture);
        const std::string bytes = ReadBytes(list);
        const FILETIME written = WrittenAt(list);
        auto app = Start(L"field", Settings{.keyColumn = L"1", .workbook = list});
        EXPECT_TRUE(Finds(*app, c.key));
        EXPECT_EQ(ReadBytes(list), bytes);
        const FILETIME after = WrittenAt(list);
        EXPECT_EQ(::CompareFileTime(&after, &written), 0) << "the time stamp is unchanged";
        EXPECT_FALSE(testing_support::Exists(OwnerFile(list))) << "nothing is left behind";
    }
}

// Another station has the list open for editing: a lookup that only reads it still gets it.
TEST_F(ShippingListTest, AListLockedByAnotherStationIsRead) {
    const std::wstring list = CopyOf(L"lookup.xlsx");
    LockedFile otherStation(list);
    ASSERT_TRUE(otherStation.held());
    auto app = Start(L"locked", Settings{.keyColumn = L"3", .workbook = list});
    EXPECT_TRUE(Finds(*app, L"SPEC-X"));
}

// A PC with WPS Office instead of Excel: its spreadsheet is driven exactly as Excel is.
TEST_F(ShippingListTest, WithoutExcelTheCurrentOrTheOlderWpsSpreadsheetIsUsed) {
    HiddenClass noExcel(L"Excel.Application");
    for (const wchar_t* wps : {L"KET.Application", L"ET.Application"}) {
        SCOPED_TRACE(testing_support::Utf8(wps));
        std::optional<HiddenClass> noKet;
        if (std::wstring(wps) == L"ET.Application") noKet.emplace(L"KET.Application");
        excel.ClearLog();
        const std::wstring list = CopyOf(L"lookup.xlsx");
        auto app = Start(L"wps", Settings{.keyColumn = L"3", .workbook = list});
        EXPECT_TRUE(Finds(*app, L"SPEC-X"));
        const std::vector<Call> calls = excel.Calls();
        ASSERT_FALSE(calls.empty());
        for (const Call& call : calls) EXPECT_EQ(call.className, testing_support::Utf8(wps)) << call.Brief();
        Strings members;
        for (const Call& call : calls) members.push_back(call.object + "." + call.member);
        EXPECT_EQ(members.front(), "Application.Hwnd");
        EXPECT_EQ(members.back(), "Application.Quit") << "the one it started is quit";
    }
}

TEST_F(ShippingListTest, WithNoSpreadsheetApplicationTheLookupSaysSo) {
    HiddenClass noSpreadsheet(kSpreadsheetClasses);
    auto app = Start(L"no-spreadsheet", Settings{.keyColumn = L"3", .workbook = FixturePath(L"lookup.xlsx")});
    app->EnterKey(L"SPEC-X");
    auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->Summary(), L"标签打印: 没有找到 Excel 或 WPS 表格，无法查询。 [OK]");
}

}  // namespace
