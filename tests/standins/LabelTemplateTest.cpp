// The BarTender stand-in's own pieces, in-process: its template reader, the Code 39 bar code and the
// label picture.
#include <gtest/gtest.h>

#include "standins/bartender/Code39.h"
#include "standins/bartender/LabelPicture.h"
#include "standins/bartender/LabelTemplate.h"
#include "tests/standins/LabelImage.h"
#include "tests/support/TestFiles.h"

using standin::LayoutKind;
using standin::ParseTemplate;
using standin::TemplateError;
using standin::TemplateProblem;
using standin_tests::LabelImage;
using testing_support::FixturePath;
using testing_support::Utf8;

namespace {

const std::string kSignature = "; LabelPrint stand-in template 1\n";

TemplateError Refusal(const std::string& bytes) {
    TemplateError error;
    return ParseTemplate(bytes, &error) ? TemplateError{} : error;
}

TEST(LabelTemplateTest, ReadsTheSectionsWithBomCrLfCommentsAndBlanks) {
    std::string text = "\xEF\xBB\xBF; LabelPrint stand-in template 1  \r\n# a comment\r\n\r\n"
                       "[Label]\r\n  printer = Zebra ZT410 \r\nwidth=640\r\nheight=320\r\ncopies=4\r\nserialized=2\r\n"
                       "[substrings]\r\n1 = A0000\r\nbeiyong1=\r\n备注=a=b; c\r\n"
                       "[layout]\r\nbold 20 16 30 物料编码: {1}\r\nbarcode 20 120 400 80 {1}\r\nbox 4 4 592 352\r\n";
    TemplateError error;
    auto label = ParseTemplate(text, &error);
    ASSERT_TRUE(label) << Utf8(error.detail);
    EXPECT_EQ(label->printer, L"Zebra ZT410");
    EXPECT_EQ((std::vector<int>{label->width, label->height, label->copies, label->serialized}),
              (std::vector<int>{640, 320, 4, 2}));
    ASSERT_EQ(label->substrings.size(), 3u);
    EXPECT_EQ(label->substrings[0].value, L"A0000");
    EXPECT_EQ(label->substrings[2].value, L"a=b; c") << "only the first = splits";
    EXPECT_EQ(label->Find(L"BeiYong1"), 1) << "names compare without regard to case";
    EXPECT_EQ(label->Find(L"beiyong2"), -1);
    ASSERT_EQ(label->layout.size(), 3u);
    EXPECT_EQ(label->layout[0].kind, LayoutKind::Bold);
    EXPECT_EQ(label->layout[0].content, L"物料编码: {1}");
    EXPECT_EQ(label->layout[1].kind, LayoutKind::Barcode);
    EXPECT_EQ(label->layout[2].size, 1) << "the pen width defaults to 1";

    std::vector<std::wstring> values = {L"A1001", L"急", L"x"};
    EXPECT_EQ(label->Fill(L"编码 {1} / {BeiYong1}", values), L"编码 A1001 / 急");
    EXPECT_EQ(label->Fill(L"{2} {} {{1}} open {1", values), L"{2} {} {A1001} open {1") << "other braces stay";
}

TEST(LabelTemplateTest, OtherFilesAreRefusedAsNoTemplateAndDamagedOnesNamingTheLine) {
    for (const std::string& bytes : {std::string(), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(64, '\0'),
                                     std::string("; LabelPrint stand-in template 2\n"), "\n" + kSignature})
        EXPECT_EQ(Refusal(bytes).problem, TemplateProblem::NotATemplate) << bytes.size() << " bytes";

    const std::pair<std::string, const char*> damaged[] = {
        {"[colours]\n", "line 2"},
        {"printer=x\n", "line 2"},
        {"[substrings]\n1\n", "line 3"},
        {"[substrings]\n1=a\nBeiyong1=\nbeiyong1=\n", "line 5"},
        {"[label]\nwidth=10\n", "line 3"},
        {"[label]\ncopies=zero\n", "line 3"},
        {"[layout]\ncircle 1 2 3\n", "line 3"},
        {"[layout]\nbarcode 20 sixty 400 80 {1}\n", "line 3"},
        {"[layout]\nbox 1 2 3 4 5 6\n", "line 3"},
        {"[substrings]\n1=\xC3\x28\n", "line 3"},
    };
    for (const auto& [body, line] : damaged) {
        TemplateError error = Refusal(kSignature + body);
        EXPECT_EQ(error.problem, TemplateProblem::Malformed) << body;
        EXPECT_EQ(Utf8(error.detail).rfind(line, 0), 0u) << body << " -> " << Utf8(error.detail);
    }

    TemplateError error;
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates\\not-a-template.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::NotATemplate);
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates\\malformed.btw"), &error));
    EXPECT_EQ(Utf8(error.detail).rfind("line 8:", 0), 0u) << Utf8(error.detail);
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"no-such-folder\\x.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::NotFound);
}

TEST(LabelPictureTest, BarsOfTheFilledInValueOnWhiteAndTheTextUnderThem) {
    EXPECT_EQ(standin::Code39Text(L"a1001-x 螺丝*"), L"A1001-X ---");
    auto modules = standin::Code39Modules(L"A1");
    EXPECT_EQ(modules.size(), 63u) << "start, two characters and stop: 4 x 15 modules and 3 gaps";
    EXPECT_TRUE(modules.front() && modules.back());
    EXPECT_NE(standin::Code39Modules(L"A1001"), standin::Code39Modules(L"A1002"));

    TemplateError error;
    auto label = ParseTemplate(kSignature + "[label]\nwidth=400\nheight=200\n[substrings]\n1=\n[layout]\n"
                                            "barcode 10 10 380 80 {1}\ntext 10 120 24 编码 {1}\n",
                               &error);
    ASSERT_TRUE(label);
    std::wstring problem;
    auto png = standin::RenderLabelPng(*label, {L"A1001"}, 3, &problem);
    ASSERT_TRUE(png) << Utf8(problem);
    auto image = LabelImage::Decode(*png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 400);
    EXPECT_EQ(image->height(), 200);
    EXPECT_EQ(image->At(399, 199), 0xFFFFFFu);
    EXPECT_GT(image->DarkPixels(10, 10, 380, 50), 380 * 50 / 5) << "bars";
    EXPECT_GT(image->DarkPixels(10, 120, 380, 30), 20) << "the text under the bars";
    EXPECT_EQ(image->DarkPixels(0, 0, 400, 8), 0) << "nothing above the bar code";
}

}  // namespace
