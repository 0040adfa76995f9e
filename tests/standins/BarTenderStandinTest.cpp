// The BarTender stand-in through COM, as the label program meets it in the test prefix: created by
// its class name and driven the way a label print drives it, with its print log and label pictures.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "tests/standins/Fixtures.h"
#include "tests/standins/LabelImage.h"
#include "tests/standins/PrintLog.h"
#include "tests/support/TestFiles.h"
#include "tests/workflow/AppDriver.h"
#include "tests/workflow/Standins.h"
#include "win/ComApartment.h"
#include "win/Dispatch.h"

using standin_tests::Contains;
using standin_tests::Failure;
using standin_tests::FailureOf;
using standin_tests::FixturePath;
using standin_tests::LabelImage;
using standin_tests::PrintedLabel;
using standin_tests::Typed;
using testing_support::ReadBytes;
using testing_support::Utf8;
using win::AsObject;
using win::Call;
using win::Get;
using win::Put;
using Strings = std::vector<std::string>;

namespace {

constexpr HRESULT kBarTenderError = static_cast<HRESULT>(0x80040200);
const std::wstring kBarTenderClass = L"BarTender.Application";

// A file's bytes and the times a write would change.
struct FileState {
    std::string bytes;
    FILETIME created{}, written{};
    bool operator==(const FileState& o) const {
        return bytes == o.bytes && ::CompareFileTime(&created, &o.created) == 0 &&
               ::CompareFileTime(&written, &o.written) == 0;
    }
};

FileState StateOf(const std::wstring& path) {
    FileState state;
    state.bytes = ReadBytes(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    state.created = data.ftCreationTime;
    state.written = data.ftLastWriteTime;
    return state;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

std::string Text(const win::Variant& value) { return Typed(*value.get()); }

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

    // A copy of a fixture template in a scratch folder, its times set far back so that any write shows.
    std::wstring CopyTemplate(const std::wstring& fixture, const std::wstring& folder, const std::wstring& name) {
        std::wstring dir = scratch / folder;
        ::CreateDirectoryW(dir.c_str(), nullptr);
        std::wstring path = dir + L"\\" + name;
        testing_support::WriteBytes(path, ReadBytes(FixturePath(L"templates\\" + fixture)));
        HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SYSTEMTIME old{2001, 1, 1, 1, 12, 0, 0, 0};
        FILETIME time{};
        ::SystemTimeToFileTime(&old, &time);
        ::SetFileTime(file, &time, &time, &time);
        ::CloseHandle(file);
        return path;
    }

    std::vector<PrintedLabel> Prints() const { return standin_tests::ParsePrintLog(ReadBytes(printLog)); }

    win::ComApartment com;
    workflow::StandinScenario bartender{L"BarTender"};
    testing_support::TempDir scratch{L"bartender"};
    std::wstring printLog = scratch / L"prints.log";
    std::wstring pictures = scratch / L"标签图片";
};

TEST_F(BarTenderStandinTest, APrintRunPrintsOneRecordAndOnePictureAndLeavesTheTemplateAlone) {
    const std::wstring path = CopyTemplate(L"all-fields.btw", L"模板 目录", L"全部 字段.btw");
    const FileState before = StateOf(path);
    {
        auto app = win::CreateObject(kBarTenderClass.c_str());
        auto formats = AsObject(Get(app.get(), L"Formats"));
        auto format = AsObject(Call(formats.get(), L"Open", path, false, L""));
        Put(app.get(), L"Visible", 0);
        for (int n = 1; n <= 20; ++n)
            Call(format.get(), L"SetNamedSubStringValue", std::to_wstring(n), kRow[static_cast<std::size_t>(n - 1)]);
        Call(format.get(), L"SetNamedSubStringValue", L"beiyong2", L"第二项");
        Call(format.get(), L"SetNamedSubStringValue", L"beiyong1", L"易碎");
        Put(format.get(), L"NumberSerializedLabels", 1L);
        Put(format.get(), L"IdenticalCopiesOfLabel", 3L);
        Put(format.get(), L"Printer", L"TSC TTP-244 Pro");
        Failure unknownPrinter = FailureOf([&] { Put(format.get(), L"Printer", L"No Such Printer"); });
        EXPECT_EQ(unknownPrinter.hr, kBarTenderError);
        EXPECT_TRUE(Contains(unknownPrinter.description, L"No Such Printer")) << Utf8(unknownPrinter.description);
        EXPECT_EQ(Text(Get(format.get(), L"Printer")), "BSTR:TSC TTP-244 Pro") << "a refused printer leaves the printer";
        EXPECT_EQ(Text(Call(format.get(), L"PrintOut", false, false)), "I4:0");
        Call(format.get(), L"Close", 1L);

        // A closed format answers nothing any more, and nothing more is printed.
        for (auto call : std::vector<std::function<void()>>{
                 [&] { Call(format.get(), L"SetNamedSubStringValue", L"1", L"A1002"); },
                 [&] { Call(format.get(), L"PrintOut", false, false); },
                 [&] { Get(format.get(), L"Printer"); },
                 [&] { Put(format.get(), L"IdenticalCopiesOfLabel", 1L); },
                 [&] { Get(format.get(), L"PrintSetup"); },
                 [&] { Call(format.get(), L"Close", 1L); },
             }) {
            Failure closed = FailureOf(call);
            EXPECT_EQ(closed.hr, kBarTenderError);
            EXPECT_TRUE(Contains(closed.description, L"closed")) << Utf8(closed.description);
        }
        EXPECT_EQ(Text(Get(formats.get(), L"Count")), "I4:0");
        Call(app.get(), L"Quit", 1L);
    }

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    const PrintedLabel& print = prints[0];
    EXPECT_TRUE(print.wellFormed);
    EXPECT_EQ(print.templatePath, Utf8(path));
    EXPECT_EQ(print.printer, "TSC TTP-244 Pro");
    EXPECT_EQ(print.copies, 3);
    EXPECT_EQ(print.serialized, 1);
    EXPECT_EQ(print.labels, 3);
    std::vector<std::pair<std::string, std::string>> expected;
    for (int n = 1; n <= 20; ++n) expected.emplace_back(std::to_string(n), Utf8(kRow[static_cast<std::size_t>(n - 1)]));
    expected.emplace_back("beiyong1", "易碎");
    expected.emplace_back("beiyong2", "第二项");
    EXPECT_EQ(print.substrings, expected) << "every substring, in the template's order";
    EXPECT_EQ(print.images, Strings{"label-0001.png"});

    EXPECT_EQ(FilesIn(pictures), std::vector<std::wstring>{L"label-0001.png"});
    std::string png = ReadBytes(pictures + L"\\label-0001.png");
    ASSERT_TRUE(standin_tests::IsPng(png));
    auto image = LabelImage::Decode(png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 600);
    EXPECT_EQ(image->height(), 360);
    EXPECT_EQ(image->At(0, 0), 0xFFFFFFu) << "white paper";
    EXPECT_GT(image->DarkPixels(20, 20, 560, 60), 560 * 60 / 5) << "the bar code of A1001";
    EXPECT_GT(image->DarkPixels(20, 140, 560, 30), 50) << "the item code and name";

    EXPECT_TRUE(StateOf(path) == before) << "the template's bytes and times are unchanged";

    Strings briefs = bartender.Briefs();
    Strings expectedCalls = {"Application.Formats()", "Formats.Open(BSTR:" + Utf8(path) + ",BOOL:false,BSTR:)",
                             "Application.Visible=(I4:0)"};
    for (int n = 1; n <= 20; ++n)
        expectedCalls.push_back("Format.SetNamedSubStringValue(BSTR:" + std::to_string(n) + ",BSTR:" +
                                Utf8(kRow[static_cast<std::size_t>(n - 1)]) + ")");
    Strings tail = {"Format.SetNamedSubStringValue(BSTR:beiyong2,BSTR:第二项)",
                    "Format.SetNamedSubStringValue(BSTR:beiyong1,BSTR:易碎)",
                    "Format.NumberSerializedLabels=(I4:1)",
                    "Format.IdenticalCopiesOfLabel=(I4:3)",
                    "Format.Printer=(BSTR:TSC TTP-244 Pro)",
                    "Format.Printer=(BSTR:No Such Printer)",
                    "Format.Printer()",
                    "Format.PrintOut(BOOL:false,BOOL:false)",
                    "Format.Close(I4:1)"};
    expectedCalls.insert(expectedCalls.end(), tail.begin(), tail.end());
    ASSERT_GE(briefs.size(), expectedCalls.size());
    EXPECT_EQ(Strings(briefs.begin(), briefs.begin() + static_cast<std::ptrdiff_t>(expectedCalls.size())), expectedCalls);
    auto calls = bartender.Calls();
    for (std::size_t i = 0; i < expectedCalls.size(); ++i) {
        bool refused = calls[i].Brief() == "Format.Printer=(BSTR:No Such Printer)";
        EXPECT_EQ(calls[i].hr, refused ? "0x80040200" : "0x00000000") << calls[i].Brief();
        if (calls[i].member == "PrintOut") {
            EXPECT_EQ(calls[i].result, "I4:0");
        }
    }
}

TEST_F(BarTenderStandinTest, TheDemoTemplateTakesEveryColumnAndBothSpareItems) {
    const std::wstring demo = FixturePath(L"demo\\标签.btw");
    // LABELPRINT_KEEP_PICTURES=<a Windows folder> keeps the demo label's picture for a look at it.
    if (const char* keep = std::getenv("LABELPRINT_KEEP_PICTURES"))
        bartender.Set(L"OutputFolder", testing_support::FromUtf8(keep));
    auto app = win::CreateObject(kBarTenderClass.c_str());
    auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open", demo, false, L""));
    for (int n = 1; n <= 20; ++n)
        Call(format.get(), L"SetNamedSubStringValue", std::to_wstring(n), kRow[static_cast<std::size_t>(n - 1)]);
    Call(format.get(), L"SetNamedSubStringValue", L"beiyong2", L"第二项");
    Call(format.get(), L"SetNamedSubStringValue", L"beiyong1", L"易碎");
    Put(format.get(), L"IdenticalCopiesOfLabel", 2L);
    Call(format.get(), L"PrintOut", false, false);
    Call(format.get(), L"Close", 1L);

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].substrings.size(), 22u);
    EXPECT_EQ(prints[0].printer, "Zebra ZT410");
    EXPECT_EQ(prints[0].images.size(), 1u);
    for (const auto& call : bartender.Calls()) EXPECT_EQ(call.hr, "0x00000000") << call.Brief();
}

TEST_F(BarTenderStandinTest, SubstringsTheTemplateLacksFailAndPicturesCountOnInTheFolder) {
    const std::wstring path = FixturePath(L"templates\\some-fields.btw");
    // Pictures of earlier runs stay; a folder named like a picture is not one.
    ::CreateDirectoryW(pictures.c_str(), nullptr);
    testing_support::WriteBytes(pictures + L"\\label-0041.png", "old");
    testing_support::WriteBytes(pictures + L"\\label-x.png", "other");
    ::CreateDirectoryW((pictures + L"\\label-0099.png").c_str(), nullptr);

    auto app = win::CreateObject(kBarTenderClass.c_str());
    auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open", path, false, L""));
    EXPECT_EQ(Text(Get(format.get(), L"Printer")), "BSTR:Godex G500") << "the template's own printer";

    Strings taken;
    std::vector<std::wstring> names;
    for (int n = 1; n <= 20; ++n) names.push_back(std::to_wstring(n));
    names.push_back(L"beiyong2");
    names.push_back(L"beiyong1");
    for (const std::wstring& name : names) {
        Failure f = FailureOf([&] { Call(format.get(), L"SetNamedSubStringValue", name, L"v" + name); });
        if (f.hr == S_OK) {
            taken.push_back(Utf8(name));
            continue;
        }
        EXPECT_EQ(f.hr, kBarTenderError) << Utf8(name);
        EXPECT_TRUE(Contains(f.description, L"\"" + name + L"\"")) << Utf8(f.description);
    }
    EXPECT_EQ(taken, (Strings{"1", "3", "beiyong1"}));
    EXPECT_EQ(Text(Call(format.get(), L"GetNamedSubStringValue", L"3")), "BSTR:v3");
    EXPECT_EQ(FailureOf([&] { Call(format.get(), L"GetNamedSubStringValue", L"2"); }).hr, kBarTenderError);
    Call(format.get(), L"SetNamedSubStringValue", L"1", 42L);
    EXPECT_EQ(Text(Call(format.get(), L"GetNamedSubStringValue", L"1")), "BSTR:42") << "a number is set as its text";

    EXPECT_EQ(Text(Call(format.get(), L"PrintOut", false, false)), "I4:0");
    Call(format.get(), L"SetNamedSubStringValue", L"1", L"第二次");
    EXPECT_EQ(Text(Call(format.get(), L"PrintOut", false, false)), "I4:0");

    bartender.Set(L"Printers", L"Office Laser | Zebra ZT410;");
    EXPECT_EQ(FailureOf([&] { Put(format.get(), L"Printer", L"Godex G500"); }).hr, kBarTenderError)
        << "the template's printer is not installed here";
    Put(format.get(), L"Printer", L"office laser");
    EXPECT_EQ(Text(Get(format.get(), L"Printer")), "BSTR:Office Laser");
    Call(format.get(), L"Close", 1L);

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 2u);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(prints[0].substrings, (Pairs{{"1", "42"}, {"3", "v3"}, {"beiyong1", "vbeiyong1"}}));
    EXPECT_EQ(prints[1].substrings, (Pairs{{"1", "第二次"}, {"3", "v3"}, {"beiyong1", "vbeiyong1"}}));
    EXPECT_EQ(prints[0].printer, "Godex G500");
    EXPECT_EQ(prints[0].labels, 1) << "the template's default counts";
    EXPECT_EQ(prints[0].images, Strings{"label-0042.png"});
    EXPECT_EQ(prints[1].images, Strings{"label-0043.png"});
    EXPECT_EQ(ReadBytes(pictures + L"\\label-0041.png"), "old");

    auto image = LabelImage::Decode(ReadBytes(pictures + L"\\label-0043.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 400);
    EXPECT_EQ(image->height(), 200);
    EXPECT_GT(image->DarkPixels(0, 0, 400, 100), 100) << "a label without a layout lists its substrings";
}

TEST_F(BarTenderStandinTest, LabelCountsTakeWholeNumbersAndPrintSetupSharesTheFormatsSettings) {
    const std::wstring path = CopyTemplate(L"all-fields.btw", L"counts", L"counts.btw");
    const FileState before = StateOf(path);
    auto app = win::CreateObject(kBarTenderClass.c_str());
    Put(app.get(), L"Visible", true);
    EXPECT_EQ(Text(Get(app.get(), L"Visible")), "BOOL:true");
    Put(app.get(), L"Visible", short{0});
    EXPECT_EQ(Text(Get(app.get(), L"Visible")), "BOOL:false");
    EXPECT_EQ(FailureOf([&] { Put(app.get(), L"Visible", L"maybe"); }).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Text(Get(app.get(), L"Version")), "BSTR:10.1");
    EXPECT_EQ(FailureOf([&] { Put(app.get(), L"Version", L"11"); }).hr, DISP_E_MEMBERNOTFOUND);

    auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open", path, false, L""));
    EXPECT_EQ(Text(Get(format.get(), L"IdenticalCopiesOfLabel")), "I4:2") << "the template's default";
    EXPECT_EQ(Text(Get(format.get(), L"NumberSerializedLabels")), "I4:1");
    EXPECT_EQ(Text(Get(format.get(), L"Name")), "BSTR:counts.btw");
    EXPECT_EQ(Text(Get(format.get(), L"FileName")), "BSTR:" + Utf8(path));
    EXPECT_EQ(FailureOf([&] { Put(format.get(), L"Name", L"x.btw"); }).hr, DISP_E_MEMBERNOTFOUND);

    Put(format.get(), L"IdenticalCopiesOfLabel", short{4});
    EXPECT_EQ(Text(Get(format.get(), L"IdenticalCopiesOfLabel")), "I4:4");
    Put(format.get(), L"IdenticalCopiesOfLabel", 5.0);
    EXPECT_EQ(Text(Get(format.get(), L"IdenticalCopiesOfLabel")), "I4:5");
    struct Refused {
        const char* what;
        std::function<void()> put;
        HRESULT hr;
    };
    const Refused refused[] = {
        {"text", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", L"3"); }, DISP_E_TYPEMISMATCH},
        {"logical", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", true); }, DISP_E_TYPEMISMATCH},
        {"zero", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", 0L); }, kBarTenderError},
        {"negative", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", -2L); }, kBarTenderError},
        {"fraction", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", 2.5); }, kBarTenderError},
        {"too big", [&] { Put(format.get(), L"IdenticalCopiesOfLabel", 1e12); }, DISP_E_OVERFLOW},
        {"serialized zero", [&] { Put(format.get(), L"NumberSerializedLabels", short{0}); }, kBarTenderError},
    };
    for (const Refused& r : refused) EXPECT_EQ(FailureOf(r.put).hr, r.hr) << r.what;
    EXPECT_EQ(Text(Get(format.get(), L"IdenticalCopiesOfLabel")), "I4:5") << "a refused count leaves the count";
    EXPECT_EQ(Text(Get(format.get(), L"NumberSerializedLabels")), "I4:1");

    auto setup = AsObject(Get(format.get(), L"PrintSetup"));
    Put(setup.get(), L"NumberSerializedLabels", 4L);
    EXPECT_EQ(Text(Get(format.get(), L"NumberSerializedLabels")), "I4:4");
    Put(format.get(), L"IdenticalCopiesOfLabel", 3L);
    EXPECT_EQ(Text(Get(setup.get(), L"IdenticalCopiesOfLabel")), "I4:3");
    Put(setup.get(), L"Printer", L"Zebra GK888t");
    EXPECT_EQ(Text(Get(format.get(), L"Printer")), "BSTR:Zebra GK888t");
    EXPECT_EQ(FailureOf([&] { Put(setup.get(), L"Printer", L"Nowhere"); }).hr, kBarTenderError);
    EXPECT_EQ(FailureOf([&] { Put(setup.get(), L"IdenticalCopiesOfLabel", -1L); }).hr, kBarTenderError);

    Call(format.get(), L"PrintOut", false, false);
    // Save changes asked for: the stand-in still never writes a template.
    Call(format.get(), L"Close", 0L);
    EXPECT_EQ(FailureOf([&] { Get(setup.get(), L"Printer"); }).hr, kBarTenderError) << "its format is closed";
    EXPECT_TRUE(StateOf(path) == before);

    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_EQ(prints[0].printer, "Zebra GK888t");
    EXPECT_EQ(prints[0].copies, 3);
    EXPECT_EQ(prints[0].serialized, 4);
    EXPECT_EQ(prints[0].labels, 12) << "identical copies of each serialized label";
}

TEST_F(BarTenderStandinTest, TemplatesThatCannotBeOpenedAreRefusedAndTheServerCarriesOn) {
    auto app = win::CreateObject(kBarTenderClass.c_str());
    auto formats = AsObject(Get(app.get(), L"Formats"));
    auto open = [&](const std::wstring& path, const std::wstring& printer = {}) {
        return AsObject(Call(formats.get(), L"Open", path, false, printer));
    };
    auto refusal = [&](const std::wstring& path) {
        Failure f = FailureOf([&] { open(path); });
        EXPECT_EQ(f.hr, kBarTenderError) << Utf8(path);
        return f.description;
    };

    const std::wstring missing = FixturePath(L"templates\\no-such-label.btw");
    std::wstring text = refusal(missing);
    EXPECT_TRUE(Contains(text, L"\"" + missing + L"\"") && Contains(text, L"not found")) << Utf8(text);
    EXPECT_TRUE(Contains(refusal(L""), L"not found"));
    EXPECT_TRUE(Contains(refusal(FixturePath(L"templates\\not-a-template.btw")), L"not a BarTender format"));
    text = refusal(FixturePath(L"templates\\malformed.btw"));
    EXPECT_TRUE(Contains(text, L"damaged (line 8:")) << Utf8(text);
    EXPECT_FALSE(refusal(FixturePath(L"templates")).empty()) << "a folder";

    testing_support::WriteBytes(scratch / L"huge.btw",
                                "; LabelPrint stand-in template 1\n[substrings]\n" + std::string(200000, 'x') + "\n");
    EXPECT_TRUE(Contains(refusal(scratch / L"huge.btw"), L"larger than 64 KiB"));
    testing_support::WriteBytes(scratch / L"utf16.btw", std::string("\xFF\xFE;\0 \0L\0a\0", 10));
    EXPECT_TRUE(Contains(refusal(scratch / L"utf16.btw"), L"not a BarTender format"));

    const std::wstring good = FixturePath(L"templates\\中文标签.btw");
    bartender.Set(L"OpenFails", DWORD{1});
    EXPECT_TRUE(Contains(refusal(good), L"scenario OpenFails"));
    bartender.Set(L"OpenFails", DWORD{0});

    EXPECT_TRUE(Contains(FailureOf([&] { open(good, L"Nowhere"); }).description, L"Nowhere"));
    auto first = open(good, L"Zebra GK888t");
    EXPECT_EQ(Text(Get(first.get(), L"Printer")), "BSTR:Zebra GK888t") << "the printer given to Open";
    EXPECT_EQ(Text(Call(first.get(), L"GetNamedSubStringValue", L"品名")), "BSTR:默认");
    auto second = open(FixturePath(L"templates\\some-fields.btw"));
    EXPECT_EQ(Text(Get(formats.get(), L"Count")), "I4:2");
    EXPECT_EQ(Text(Get(AsObject(Get(formats.get(), L"Item", 1L)).get(), L"Name")), "BSTR:中文标签.btw");
    EXPECT_EQ(Text(Get(AsObject(Get(formats.get(), L"Item", L"SOME-FIELDS.BTW")).get(), L"Printer")), "BSTR:Godex G500");
    EXPECT_EQ(FailureOf([&] { Get(formats.get(), L"Item", 3L); }).hr, DISP_E_BADINDEX);

    // Open's second argument closes the format opened first.
    auto third = AsObject(Call(formats.get(), L"Open", FixturePath(L"templates\\all-fields.btw"), true, L""));
    EXPECT_EQ(Text(Get(formats.get(), L"Count")), "I4:2");
    EXPECT_EQ(FailureOf([&] { Get(first.get(), L"Name"); }).hr, kBarTenderError);
    EXPECT_EQ(Text(Get(second.get(), L"Name")), "BSTR:some-fields.btw");

    Strings openResults;
    for (const auto& call : bartender.Calls())
        if (call.member == "Open") openResults.push_back(call.hr);
    EXPECT_EQ(openResults.size(), 12u);
    EXPECT_EQ(std::count(openResults.begin(), openResults.end(), "0x00000000"), 3);
    Call(app.get(), L"Quit", 1L);
}

TEST_F(BarTenderStandinTest, AFailingPrintLeavesNoRecordAndNoPicture) {
    auto app = win::CreateObject(kBarTenderClass.c_str());
    auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open",
                                FixturePath(L"templates\\all-fields.btw"), false, L""));
    Call(format.get(), L"SetNamedSubStringValue", L"1", L"A1003");
    bartender.Set(L"PrintOutFails", DWORD{1});
    Failure failed = FailureOf([&] { Call(format.get(), L"PrintOut", false, false); });
    EXPECT_EQ(failed.hr, kBarTenderError);
    EXPECT_TRUE(Contains(failed.description, L"scenario PrintOutFails")) << Utf8(failed.description);
    EXPECT_FALSE(testing_support::Exists(printLog));
    EXPECT_TRUE(FilesIn(pictures).empty());

    // The format is still open; without an output folder a print writes its record only.
    bartender.Set(L"PrintOutFails", DWORD{0});
    bartender.Set(L"OutputFolder", L"");
    EXPECT_EQ(Text(Call(format.get(), L"PrintOut", false, false)), "I4:0");
    auto prints = Prints();
    ASSERT_EQ(prints.size(), 1u);
    EXPECT_TRUE(prints[0].images.empty());
    EXPECT_EQ(prints[0].substrings.front(), (std::pair<std::string, std::string>{"1", "A1003"}));
    EXPECT_TRUE(FilesIn(pictures).empty());
    Call(format.get(), L"Close", 1L);
}

TEST_F(BarTenderStandinTest, AServerThatDiesInPrintOutFailsTheCallInsteadOfHangingIt) {
    {
        auto app = win::CreateObject(kBarTenderClass.c_str());
        auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open",
                                    FixturePath(L"templates\\all-fields.btw"), false, L""));
        Put(format.get(), L"IdenticalCopiesOfLabel", 3L);
        bartender.Set(L"DieInPrintOut", DWORD{1});
        Failure died = FailureOf([&] { Call(format.get(), L"PrintOut", false, false); });
        EXPECT_TRUE(FAILED(died.hr));
        EXPECT_NE(died.hr, kBarTenderError) << "not an answer of the server: it is gone";
        EXPECT_TRUE(FAILED(FailureOf([&] { Get(app.get(), L"Version"); }).hr)) << "the whole server is gone";
    }
    EXPECT_FALSE(testing_support::Exists(printLog));
    EXPECT_TRUE(FilesIn(pictures).empty());
    EXPECT_EQ(bartender.Briefs(), (Strings{"Application.Formats()",
                                           "Formats.Open(BSTR:" + Utf8(FixturePath(L"templates\\all-fields.btw")) +
                                               ",BOOL:false,BSTR:)",
                                           "Format.IdenticalCopiesOfLabel=(I4:3)"}));

    bartender.Set(L"DieInPrintOut", DWORD{0});
    auto again = win::CreateObject(kBarTenderClass.c_str());
    EXPECT_EQ(Text(Get(again.get(), L"Version")), "BSTR:10.1") << "a new server starts";
    Call(again.get(), L"Quit", 1L);
}

TEST_F(BarTenderStandinTest, AServerEndsInsideTheCallItIsToldToAndWhenItIsClosed) {
    const std::wstring path = FixturePath(L"templates\\all-fields.btw");
    {
        auto app = win::CreateObject(kBarTenderClass.c_str());
        auto formats = AsObject(Get(app.get(), L"Formats"));
        bartender.Set(L"DieAt", L"Format.Close, Formats.Open");
        Failure died = FailureOf([&] { Call(formats.get(), L"Open", path, false, L""); });
        EXPECT_TRUE(win::IsServerGone(died.hr)) << std::hex << died.hr;
        EXPECT_TRUE(win::IsServerGone(FailureOf([&] { Get(app.get(), L"Version"); }).hr)) << "the whole server is gone";
    }
    {
        // The switch fired once: the next server lives.
        auto app = win::CreateObject(kBarTenderClass.c_str());
        auto format = AsObject(Call(AsObject(Get(app.get(), L"Formats")).get(), L"Open", path, false, L""));
        Call(format.get(), L"Close", 1L);
        // Closed by the operator while a client holds its objects.
        workflow::StopStandin(L"BarTender");
        EXPECT_TRUE(workflow::WaitUntil([&] { return win::IsServerGone(FailureOf([&] { Get(app.get(), L"Version"); }).hr); }));
    }
    auto again = win::CreateObject(kBarTenderClass.c_str());
    EXPECT_EQ(Text(Get(again.get(), L"Version")), "BSTR:10.1");
    Call(again.get(), L"Quit", 1L);
}

}  // namespace
