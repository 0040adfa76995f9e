// The BarTender stand-in's own pieces, in-process: its template reader, the Code 39 patterns and the
// label picture.
#include <gtest/gtest.h>

#include <windows.h>

#include "standins/bartender/Code39.h"
#include "standins/bartender/LabelPicture.h"
#include "standins/bartender/LabelTemplate.h"
#include "tests/standins/LabelImage.h"
#include "tests/support/TestFiles.h"

using standin::LabelTemplate;
using standin::LayoutKind;
using standin::ParseTemplate;
using standin::TemplateError;
using standin::TemplateProblem;
using standin_tests::LabelImage;
using testing_support::FixturePath;
using testing_support::Utf8;

namespace {

const std::string kSignature = "; LabelPrint stand-in template 1\n";

// The problem and detail of a template that is refused; None when it is read.
TemplateError Refusal(const std::string& bytes) {
    TemplateError error;
    auto label = ParseTemplate(bytes, &error);
    if (label) return {};
    return error;
}

std::string Repeat(const std::string& line, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += line;
    return out;
}

TEST(LabelTemplateTest, ReadsTheSectionsWithBomCrLfCommentsAndBlanks) {
    std::string text = "\xEF\xBB\xBF; LabelPrint stand-in template 1  \r\n"
                       "# a comment\r\n"
                       "\r\n"
                       "[Label]\r\n"
                       "  printer = Zebra ZT410 \r\n"
                       "width=640\r\n"
                       "height=320\r\n"
                       "copies=4\r\n"
                       "serialized=2\r\n"
                       "[substrings]\r\n"
                       "1 = A0000\r\n"
                       "beiyong1=\r\n"
                       "品名=不锈钢 螺丝\r\n"
                       "备注=a=b; c\r\n"
                       "[layout]\r\n"
                       "bold 20 16 30 物料编码: {1}\r\n"
                       "text 20 70 24   品名: {品名}\r\n"
                       "barcode 20 120 400 80 {1}\r\n"
                       "line 10 230 590 230 2\r\n"
                       "box 4 4 592 352\r\n";
    TemplateError error;
    auto label = ParseTemplate(text, &error);
    ASSERT_TRUE(label) << Utf8(error.detail);
    EXPECT_EQ(label->printer, L"Zebra ZT410");
    EXPECT_EQ(label->width, 640);
    EXPECT_EQ(label->height, 320);
    EXPECT_EQ(label->copies, 4);
    EXPECT_EQ(label->serialized, 2);

    ASSERT_EQ(label->substrings.size(), 4u);
    EXPECT_EQ(label->substrings[0].name, L"1");
    EXPECT_EQ(label->substrings[0].value, L"A0000");
    EXPECT_EQ(label->substrings[1].name, L"beiyong1");
    EXPECT_EQ(label->substrings[1].value, L"");
    EXPECT_EQ(label->substrings[2].value, L"不锈钢 螺丝");
    EXPECT_EQ(label->substrings[3].value, L"a=b; c") << "only the first = splits, and ; inside a value is text";
    EXPECT_EQ(label->Find(L"BeiYong1"), 1) << "names compare without regard to case";
    EXPECT_EQ(label->Find(L"beiyong2"), -1);

    ASSERT_EQ(label->layout.size(), 5u);
    EXPECT_EQ(label->layout[0].kind, LayoutKind::Bold);
    EXPECT_EQ(label->layout[0].size, 30);
    EXPECT_EQ(label->layout[0].content, L"物料编码: {1}");
    EXPECT_EQ(label->layout[1].content, L"品名: {品名}");
    EXPECT_EQ(label->layout[2].kind, LayoutKind::Barcode);
    EXPECT_EQ((std::vector<int>{label->layout[2].x, label->layout[2].y, label->layout[2].w, label->layout[2].h}),
              (std::vector<int>{20, 120, 400, 80}));
    EXPECT_EQ(label->layout[3].kind, LayoutKind::Line);
    EXPECT_EQ((std::vector<int>{label->layout[3].w, label->layout[3].h, label->layout[3].size}),
              (std::vector<int>{590, 230, 2}));
    EXPECT_EQ(label->layout[4].kind, LayoutKind::Box);
    EXPECT_EQ(label->layout[4].size, 1) << "the pen width defaults to 1";

    auto bare = ParseTemplate(kSignature, &error);
    ASSERT_TRUE(bare) << "a signature alone is an empty label";
    EXPECT_EQ(bare->printer, L"");
    EXPECT_EQ(bare->width, 600);
    EXPECT_EQ(bare->height, 360);
    EXPECT_EQ(bare->copies, 1);
    EXPECT_TRUE(bare->substrings.empty());
}

TEST(LabelTemplateTest, WhatIsNotATemplateIsRefusedAsSuch) {
    const std::string notTemplates[] = {
        "",
        "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + std::string(64, '\0'),  // a compound document, as real .btw files are
        "; LabelPrint stand-in template 2\n[label]\n",                  // a version this reader does not know
        "\n" + kSignature,                                              // the signature is not the first line
        "[label]\nprinter=x\n",
        std::string("\xFF\xFE;\0 \0L\0", 8),                            // UTF-16
        "; LabelPrint stand-in template 1x\n",
    };
    for (const std::string& bytes : notTemplates)
        EXPECT_EQ(Refusal(bytes).problem, TemplateProblem::NotATemplate) << bytes.size() << " bytes";

    TemplateError error;
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates\\not-a-template.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::NotATemplate);
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates\\no-such-template.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::NotFound);
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"no-such-folder\\x.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::NotFound);
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates"), &error)) << "a folder";
    EXPECT_NE(error.problem, TemplateProblem::None);
}

TEST(LabelTemplateTest, DamagedTemplatesAreRefusedNamingTheLine) {
    struct Case {
        std::string body;  // after the signature, which is line 1
        const char* line;
    };
    const Case cases[] = {
        {"[colours]\n", "line 2"},
        {"[label\n", "line 2"},
        {"printer=x\n", "line 2"},
        {"[substrings]\n1\n", "line 3"},
        {"[substrings]\n1=a\n2=b\nBeiyong1=\nbeiyong1=\n", "line 6"},
        {"[substrings]\n{1}=a\n", "line 3"},
        {"[substrings]\n=a\n", "line 3"},
        {"[substrings]\n" + std::string(65, 'n') + "=a\n", "line 3"},
        {"[label]\nwidth=10\n", "line 3"},
        {"[label]\nwidth=99999999999999999999\n", "line 3"},
        {"[label]\nheight=-5\n", "line 3"},
        {"[label]\ncopies=0\n", "line 3"},
        {"[label]\nserialized=two\n", "line 3"},
        {"[label]\ncolour=red\n", "line 3"},
        {"[layout]\ncircle 1 2 3\n", "line 3"},
        {"[layout]\ntext 20 20 24\n", "line 3"},
        {"[layout]\ntext 20 20 2 tiny\n", "line 3"},
        {"[layout]\nbarcode 20 sixty 400 80 {1}\n", "line 3"},
        {"[layout]\nbarcode 20 20 400 80\n", "line 3"},
        {"[layout]\nline 1 2 3\n", "line 3"},
        {"[layout]\nbox 1 2 3 4 5 6\n", "line 3"},
        {"[layout]\nline 1 2 3 4 99\n", "line 3"},
        {"[layout]\ntext 5000 20 24 far away\n", "line 3"},
        {"[substrings]\n1=\xC3\x28\n", "line 3"},  // not UTF-8
    };
    for (const Case& c : cases) {
        std::string bytes = kSignature + c.body;
        TemplateError error = Refusal(bytes);
        EXPECT_EQ(error.problem, TemplateProblem::Malformed) << c.body;
        EXPECT_EQ(Utf8(error.detail).rfind(c.line, 0), 0u) << c.body << " -> " << Utf8(error.detail);
    }
    std::string nul = kSignature + "[substrings]\n1=a";
    nul += '\0';
    nul += "b\n";
    EXPECT_EQ(Refusal(nul).problem, TemplateProblem::Malformed) << "a NUL byte";

    TemplateError error;
    EXPECT_FALSE(standin::ReadTemplateFile(FixturePath(L"templates\\malformed.btw"), &error));
    EXPECT_EQ(error.problem, TemplateProblem::Malformed);
    EXPECT_EQ(Utf8(error.detail).rfind("line 8:", 0), 0u) << Utf8(error.detail);
}

TEST(LabelTemplateTest, HostileSizesAreRefusedAtTheirLimits) {
    std::string substrings = kSignature + "[substrings]\n";
    for (int i = 1; i <= 200; ++i) substrings += std::to_string(i) + "=\n";
    EXPECT_EQ(Refusal(substrings).problem, TemplateProblem::None) << "200 substrings";
    EXPECT_EQ(Utf8(Refusal(substrings + "201=\n").detail), "line 203: more than 200 substrings");

    std::string layout = kSignature + "[layout]\n" + Repeat("line 1 1 2 2\n", 200);
    EXPECT_EQ(Refusal(layout).problem, TemplateProblem::None) << "200 layout items";
    EXPECT_EQ(Refusal(layout + "line 1 1 2 2\n").problem, TemplateProblem::Malformed) << "201 layout items";

    std::string longLine = kSignature + "[substrings]\n1=" + std::string(1024 - 2, 'x') + "\n";
    EXPECT_EQ(Refusal(longLine).problem, TemplateProblem::None) << "a line of 1,024 bytes";
    longLine = kSignature + "[substrings]\n1=" + std::string(1024 - 1, 'x') + "\n";
    EXPECT_EQ(Utf8(Refusal(longLine).detail), "line 3: longer than 1024 bytes");

    std::string big = kSignature + "[layout]\n" + Repeat("; " + std::string(1000, 'c') + "\n", 70);
    EXPECT_EQ(Refusal(big).problem, TemplateProblem::Malformed) << "70 KB of comments";

    // A file far beyond the limit is refused after reading only the start of it.
    testing_support::TempDir dir(L"template-limits");
    testing_support::WriteBytes(dir / L"huge.btw", big + Repeat(std::string(1023, 'z') + "\n", 4096));
    TemplateError error;
    EXPECT_FALSE(standin::ReadTemplateFile(dir / L"huge.btw", &error));
    EXPECT_EQ(error.problem, TemplateProblem::Malformed);
    EXPECT_EQ(Utf8(error.detail), "the file is larger than 64 KiB");
}

TEST(LabelTemplateTest, PlaceholdersOfDefinedSubstringsAreFilledInAndOthersLeftAlone) {
    TemplateError error;
    auto label = ParseTemplate(kSignature + "[substrings]\n1=\nbeiyong1=\n品名=\n", &error);
    ASSERT_TRUE(label);
    std::vector<std::wstring> values = {L"A1001", L"急", L"螺丝"};
    EXPECT_EQ(label->Fill(L"编码 {1} / {BeiYong1}", values), L"编码 A1001 / 急");
    EXPECT_EQ(label->Fill(L"{品名}{品名}", values), L"螺丝螺丝");
    EXPECT_EQ(label->Fill(L"{2} {unknown} {}", values), L"{2} {unknown} {}");
    EXPECT_EQ(label->Fill(L"{{1}}", values), L"{A1001}");
    EXPECT_EQ(label->Fill(L"open {1", values), L"open {1");
    EXPECT_EQ(label->Fill(L"}{1}{", values), L"}A1001{");
}

TEST(Code39Test, EveryPatternHasThreeWideElementsAndTextIsMappedIntoTheSymbology) {
    const std::wstring symbols = L"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%*";
    for (wchar_t c : symbols) {
        std::string pattern = standin::Code39Pattern(c);
        ASSERT_EQ(pattern.size(), 9u) << static_cast<char>(c);
        int wideBars = 0, wideSpaces = 0;
        for (std::size_t i = 0; i < 9; ++i)
            if (pattern[i] == 'w') (i % 2 == 0 ? wideBars : wideSpaces)++;
        bool punctuation = c == L'$' || c == L'/' || c == L'+' || c == L'%';
        EXPECT_EQ(wideBars, punctuation ? 0 : 2) << static_cast<char>(c);
        EXPECT_EQ(wideSpaces, punctuation ? 3 : 1) << static_cast<char>(c);
        for (wchar_t other : symbols)
            if (other != c) {
                EXPECT_NE(standin::Code39Pattern(other), pattern) << static_cast<char>(c);
            }
    }
    EXPECT_EQ(standin::Code39Pattern(L'a'), "");
    EXPECT_EQ(standin::Code39Text(L"a1001-x"), L"A1001-X");
    EXPECT_EQ(standin::Code39Text(L"螺丝*#"), L"----");

    auto modules = standin::Code39Modules(L"A1");
    // Start, two characters and stop: 4 x 15 modules and 3 gaps, bars at both ends.
    EXPECT_EQ(modules.size(), 63u);
    EXPECT_TRUE(modules.front());
    EXPECT_TRUE(modules.back());
    EXPECT_NE(standin::Code39Modules(L"A1001"), standin::Code39Modules(L"A1002"));
}

TEST(LabelPictureTest, TheLayoutIsDrawnOnWhiteAndALabelWithoutOneListsItsSubstrings) {
    TemplateError error;
    auto label = ParseTemplate(kSignature +
                                   "[label]\nwidth=400\nheight=200\n[substrings]\n1=\n[layout]\n"
                                   "barcode 10 10 380 80 {1}\ntext 10 120 24 编码 {1}\n",
                               &error);
    ASSERT_TRUE(label);
    std::wstring problem;
    auto png = standin::RenderLabelPng(*label, {L"A1001"}, 3, &problem);
    ASSERT_TRUE(png) << Utf8(problem);
    ASSERT_TRUE(standin_tests::IsPng(*png));
    auto image = LabelImage::Decode(*png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width(), 400);
    EXPECT_EQ(image->height(), 200);
    EXPECT_EQ(image->At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(image->At(399, 199), 0xFFFFFFu);
    EXPECT_GT(image->DarkPixels(10, 10, 380, 50), 380 * 50 / 5) << "bars";
    EXPECT_GT(image->DarkPixels(10, 120, 380, 30), 20) << "the text under the bars";
    EXPECT_EQ(image->DarkPixels(0, 0, 400, 8), 0) << "nothing above the bar code";

    auto other = LabelImage::Decode(*standin::RenderLabelPng(*label, {L"A1002"}, 3, &problem));
    ASSERT_TRUE(other);
    EXPECT_NE(image->Row(30), other->Row(30)) << "another value, other bars";
    auto same = LabelImage::Decode(*standin::RenderLabelPng(*label, {L"A1001"}, 3, &problem));
    EXPECT_EQ(image->Row(30), same->Row(30)) << "the same value, the same bars";

    std::string many = kSignature + "[label]\nwidth=300\nheight=100\n[substrings]\n";
    for (int i = 1; i <= 30; ++i) many += std::to_string(i) + "=v" + std::to_string(i) + "\n";
    auto list = ParseTemplate(many, &error);
    ASSERT_TRUE(list);
    std::vector<std::wstring> values;
    for (const auto& s : list->substrings) values.push_back(s.value);
    auto listed = LabelImage::Decode(*standin::RenderLabelPng(*list, values, 1, &problem));
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->width(), 300);
    EXPECT_GE(listed->height(), 30 * 20) << "the picture grows to show all 30 lines";
    EXPECT_GT(listed->DarkPixels(0, listed->height() - 120, 300, 80), 20) << "the last lines are drawn too";
}

}  // namespace
