// The BarTender stand-in through COM, as the label program meets it in the test prefix: created by
// its class name and driven the way a label print drives it, with its print log and label pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/standins/Fixtures.h"
#include "tests/standins/LabelImage.h"
#include "tests/support/Json.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/ObjectCreation.h"

using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::LabelImage;
using standin_tests::Typed;
using testing_support::Json;
using testing_support::ReadBytes;
using testing_support::Utf8;
using win::AsObject;
using win::Call;
using win::Get;
using win::Put;

namespace {

constexpr HRESULT kBarTenderError = static_cast<HRESULT>(0x80040200);

// One row of the demo shipping list, columns A to T.
const std::vector<std::wstring> kRow = {
    L"A1001",  L"不锈钢螺丝", L"M4×12", L"500",  L"个",   L"华东机电", L"PO2024-0310", L"B240002", L"2024/5/6", L"银色",
    L"304不锈钢", L"25",       L"X002",  L"苏州", L"加急", L"6900020240502", L"远航物流", L"A-01", L"王芳", L"True"};

class BarTenderStandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com.ok());
        bartender.Set(L"PrintLog", printLog);
        bartender.Set(L"OutputFolder", pictures);
    }

    win::ComPtr<IDispatch> Open(IDispatch* app, const std::wstring& path, const std::wstring& printer = L"") {
        return AsObject(Call(AsObject(Get(app, L"Formats")).get(), L"Open", path, false, printer));
    }
    // What a label print sets: columns A to T, the spare items, the counts.
    static void Fill(IDispatch* format, long copies) {
        for (int n = 1; n <= 20; ++n)
            Call(format, L"SetNamedSubStringValue", std::to_wstring(n), kRow[static_cast<std::size_t>(n - 1)]);
        Call(format, L"SetNamedSubStringValue", L"beiyong2", L"第二项");
        Call(format, L"SetNamedSubStringValue", L"beiyong1", L"易碎");
        Put(format, L"NumberSerializedLabels", 1L);
        Put(format, L"IdenticalCopiesOfLabel", copies);
    }

    std::vector<Json> Prints() const { return testing_support::ParseJsonLines(ReadBytes(printLog)); }
    std::string Picture(const Json& print) const {
        return print["images"].items.empty()
                   ? ""
                   : ReadBytes(pictures + L"\\" + testing_support::FromUtf8(print["images"].items[0].text));
    }

    win::ComApartment com;
    workflow::StandinScenario bartender{L"BarTender"};
    testing_support::TempDir scratch{L"bartender"};
    std::wstring printLog = scratch / L"prints.log";
    std::wstring pictures = scratch / L"标签图片";
};

TEST_F(BarTenderStandinTest, APrintRunPrintsOneRecordAndOnePictureAndLeavesTheTemplateAlone) {
    const std::wstring path = scratch / L"全部 字段.btw";
    testing_support::WriteBytes(path, ReadBytes(FixturePath(L"templates\\all-fields.btw")));
    const std::string before = ReadBytes(path);
    {
        auto app = win::CreateObject(L"BarTender.Application");
        auto format = Open(app.get(), path);
        Put(app.get(), L"Visible", false);
        Fill(format.get(), 3);
        Put(format.get(), L"Printer", L"TSC TTP-244 Pro");
        auto unknown = FailureOf([&] { Put(format.get(), L"Printer", L"No Such Printer"); });
        EXPECT_EQ(unknown.hr, kBarTenderError);
        EXPECT_TRUE(unknown.Says(L"No Such Printer"));
        EXPECT_EQ(FailureOf([&] { Put(format.get(), L"IdenticalCopiesOfLabel", 0L); }).hr, kBarTenderError);
        EXPECT_EQ(Typed(Call(format.get(), L"PrintOut", false, false)), "I4:0");
        Call(format.get(), L"Close", 1L);
        auto closed = FailureOf([&] { Call(format.get(), L"PrintOut", false, false); });
        EXPECT_EQ(closed.hr, kBarTenderError);
        EXPECT_TRUE(closed.Says(L"closed"));
        Call(app.get(), L"Quit", 1L);
    }

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    const Json& print = prints[0];
    EXPECT_EQ(print["template"].text, Utf8(path));
    EXPECT_EQ(print["printer"].text, "TSC TTP-244 Pro") << "a refused printer leaves the printer";
    EXPECT_EQ(print["copies"].Integer(), 3) << "a refused count leaves the count";
    EXPECT_EQ(print["serialized"].Integer(), 1);
    EXPECT_EQ(print["labels"].Integer(), 3);
    std::vector<std::string> names, values;
    for (const auto& [name, value] : print["substrings"].members) {
        names.push_back(name);
        values.push_back(value.text);
    }
    ASSERT_EQ(names.size(), 22u) << "every substring, in the template's order";
    EXPECT_EQ(names[0], "1");
    EXPECT_EQ(values[0], "A1001");
    EXPECT_EQ(names[20] + "=" + values[20], "beiyong1=易碎");
    EXPECT_EQ(names[21] + "=" + values[21], "beiyong2=第二项");
    EXPECT_EQ(print["images"].items.size(), 1u);
    EXPECT_EQ(print["images"].items[0].text, "label-0001.png");

    auto image = LabelImage::Decode(Picture(print));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 600);
    EXPECT_EQ(image->height(), 360);
    EXPECT_EQ(image->At(0, 0), 0xFFFFFFu) << "white paper";
    EXPECT_GT(image->DarkPixels(20, 20, 560, 60), 560 * 60 / 5) << "the bar code of A1001";
    EXPECT_GT(image->DarkPixels(20, 140, 560, 30), 50) << "the item code and name";
    EXPECT_EQ(ReadBytes(path), before) << "the template is never written";
}

TEST_F(BarTenderStandinTest, TheDemoTemplateTakesEveryColumnAndBothSpareItems) {
    auto app = win::CreateObject(L"BarTender.Application");
    auto format = Open(app.get(), FixturePath(L"demo\\标签.btw"));
    Fill(format.get(), 2);
    Call(format.get(), L"PrintOut", false, false);
    Call(format.get(), L"Close", 1L);
    for (const auto& call : bartender.Calls()) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0]["substrings"].members.size(), 22u);
    EXPECT_EQ(prints[0]["printer"].text, "Zebra ZT410");
    auto image = LabelImage::Decode(Picture(prints[0]));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 800);
    EXPECT_EQ(image->height(), 500);
}

TEST_F(BarTenderStandinTest, SubstringsTheTemplateLacksFailAndPicturesCountOnInTheFolder) {
    // Pictures of earlier runs stay; a folder named like a picture is not one.
    ::CreateDirectoryW(pictures.c_str(), nullptr);
    testing_support::WriteBytes(pictures + L"\\label-0041.png", "old");
    ::CreateDirectoryW((pictures + L"\\label-0099.png").c_str(), nullptr);

    auto app = win::CreateObject(L"BarTender.Application");
    auto format = Open(app.get(), FixturePath(L"templates\\some-fields.btw"));
    EXPECT_EQ(Typed(Get(format.get(), L"Printer")), "BSTR:Godex G500") << "the template's own printer";
    for (const wchar_t* name : {L"1", L"2", L"3", L"beiyong2", L"beiyong1"}) {
        auto set = FailureOf([&] { Call(format.get(), L"SetNamedSubStringValue", name, std::wstring(L"v") + name); });
        bool defined = name == std::wstring(L"1") || name == std::wstring(L"3") || name == std::wstring(L"beiyong1");
        EXPECT_EQ(set.hr, defined ? S_OK : kBarTenderError) << Utf8(name);
    }
    Call(format.get(), L"PrintOut", false, false);
    Call(format.get(), L"SetNamedSubStringValue", L"1", 42L);
    Call(format.get(), L"PrintOut", false, false);
    Call(format.get(), L"Close", 1L);

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0]["substrings"].members.size(), 3u);
    EXPECT_EQ(prints[0]["substrings"]["3"].text, "v3");
    EXPECT_EQ(prints[1]["substrings"]["1"].text, "42") << "a number is set as its text";
    EXPECT_EQ(prints[0]["printer"].text, "Godex G500");
    EXPECT_EQ(prints[0]["labels"].Integer(), 1) << "the template's default counts";
    EXPECT_EQ(prints[0]["images"].items.at(0).text, "label-0042.png");
    EXPECT_EQ(prints[1]["images"].items.at(0).text, "label-0043.png");
    EXPECT_EQ(ReadBytes(pictures + L"\\label-0041.png"), "old");
    auto image = LabelImage::Decode(Picture(prints[1]));
    ASSERT_TRUE(image);
    EXPECT_GT(image->DarkPixels(0, 0, 400, 100), 100) << "a label without a layout lists its substrings";
}

TEST_F(BarTenderStandinTest, TemplatesThatCannotBeOpenedAreRefusedAndTheServerCarriesOn) {
    auto app = win::CreateObject(L"BarTender.Application");
    auto refusal = [&](const std::wstring& path, const std::wstring& printer = L"") {
        auto failure = FailureOf([&] { Open(app.get(), path, printer); });
        EXPECT_EQ(failure.hr, kBarTenderError) << Utf8(path);
        return failure;
    };
    EXPECT_TRUE(refusal(FixturePath(L"templates\\no-such-label.btw")).Says(L"not found"));
    EXPECT_TRUE(refusal(L"").Says(L"not found"));
    EXPECT_TRUE(refusal(FixturePath(L"templates\\not-a-template.btw")).Says(L"not a BarTender format"));
    EXPECT_TRUE(refusal(FixturePath(L"templates\\malformed.btw")).Says(L"damaged (line 8:"));
    refusal(FixturePath(L"templates"));
    EXPECT_TRUE(refusal(FixturePath(L"templates\\中文标签.btw"), L"Nowhere").Says(L"Nowhere"));
    bartender.Set(L"OpenFails", DWORD{1});
    EXPECT_TRUE(refusal(FixturePath(L"templates\\中文标签.btw")).Says(L"scenario OpenFails"));
    bartender.Set(L"OpenFails", DWORD{0});

    auto format = Open(app.get(), FixturePath(L"templates\\中文标签.btw"), L"zebra gk888t");
    EXPECT_EQ(Typed(Get(format.get(), L"Printer")), "BSTR:Zebra GK888t") << "the printer given to Open";
    Call(app.get(), L"Quit", 1L);
}

TEST_F(BarTenderStandinTest, AFailingPrintLeavesNoRecordAndNoPicture) {
    auto app = win::CreateObject(L"BarTender.Application");
    auto format = Open(app.get(), FixturePath(L"templates\\all-fields.btw"));
    Call(format.get(), L"SetNamedSubStringValue", L"1", L"A1003");
    bartender.Set(L"PrintOutFails", DWORD{1});
    auto failed = FailureOf([&] { Call(format.get(), L"PrintOut", false, false); });
    EXPECT_EQ(failed.hr, kBarTenderError);
    EXPECT_TRUE(failed.Says(L"scenario PrintOutFails"));
    EXPECT_FALSE(testing_support::Exists(printLog));
    EXPECT_FALSE(testing_support::Exists(pictures));

    // The format is still open; without an output folder a print writes its record only.
    bartender.Set(L"PrintOutFails", DWORD{0});
    bartender.Set(L"OutputFolder", L"");
    Call(format.get(), L"PrintOut", false, false);
    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_TRUE(prints[0]["images"].items.empty());
    EXPECT_EQ(prints[0]["substrings"]["1"].text, "A1003");
    EXPECT_FALSE(testing_support::Exists(pictures));
    Call(app.get(), L"Quit", 1L);
}

TEST_F(BarTenderStandinTest, AServerEndsInsideTheCallItIsToldToOrWhenTheOperatorClosesIt) {
    const std::wstring path = FixturePath(L"templates\\all-fields.btw");
    {
        auto app = win::CreateObject(L"BarTender.Application");
        auto format = Open(app.get(), path);
        bartender.Set(L"DieInPrintOut", DWORD{1});
        auto died = FailureOf([&] { Call(format.get(), L"PrintOut", false, false); });
        EXPECT_TRUE(win::IsServerGone(died.hr)) << std::hex << died.hr;
        EXPECT_TRUE(win::IsServerGone(FailureOf([&] { Get(app.get(), L"Version"); }).hr)) << "the whole server is gone";
        bartender.Set(L"DieInPrintOut", DWORD{0});
    }
    EXPECT_FALSE(testing_support::Exists(printLog));
    {
        auto app = win::CreateObject(L"BarTender.Application");
        bartender.Set(L"DieAt", L"Format.Close, Formats.Open");
        EXPECT_TRUE(win::IsServerGone(FailureOf([&] { Open(app.get(), path); }).hr));
    }
    {
        // The switch fired once: the next server lives, until the operator closes it.
        auto app = win::CreateObject(L"BarTender.Application");
        Call(Open(app.get(), path).get(), L"Close", 1L);
        workflow::StopStandin(L"BarTender");
        EXPECT_TRUE(
            workflow::WaitUntil([&] { return win::IsServerGone(FailureOf([&] { Get(app.get(), L"Version"); }).hr); }));
    }
    auto again = win::CreateObject(L"BarTender.Application");
    EXPECT_EQ(Typed(Get(again.get(), L"Version")), "BSTR:10.1") << "a new server starts";
    Call(again.get(), L"Quit", 1L);
}

}  // namespace
