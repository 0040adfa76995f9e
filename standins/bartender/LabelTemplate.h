#pragma once
// The stand-in's own label template format. Real .btw files are refused; the stand-in reads small
// UTF-8 text files (with or without a BOM) of this shape:
//
//   ; LabelPrint stand-in template 1
//   [label]
//   printer=Zebra ZT410
//   width=600
//   height=360
//   copies=1
//   serialized=1
//   [substrings]
//   1=A0000
//   2=
//   beiyong1=
//   [layout]
//   bold    20 16 30 物料编码: {1}
//   text    20 70 24 品名: {2}
//   barcode 20 120 400 80 {1}
//   line    10 230 590 230 2
//   box     4 4 592 352 3
//
// The first line must be the signature above, exactly (trailing blanks aside); anything else is not
// a template. Blank lines and lines starting with ";" or "#" are comments. Sections:
//
//   [label]       key=value: printer (text), width and height (pixels, 50 to 4000), copies and
//                 serialized (the default counts, 1 to 99999). Every key is optional; the defaults are
//                 no printer of its own, 600 x 360, 1 and 1.
//   [substrings]  name=value, in the order they are listed: the named substrings the template
//                 defines and their default values. Names are not empty, hold no "{" or "}", and are
//                 unique regardless of case. Blanks around the name and the value are dropped.
//   [layout]      one drawing item per line, numbers in pixels, from the label's top-left corner:
//                   text X Y SIZE CONTENT        text whose font is SIZE pixels high (4 to 400)
//                   bold X Y SIZE CONTENT        the same in bold
//                   barcode X Y W H CONTENT      a Code 39 bar code of the content in a W x H box, the
//                                                 content printed under it
//                   line X1 Y1 X2 Y2 [PEN]       a straight line, PEN pixels wide (1 to 50, default 1)
//                   box X Y W H [PEN]            a rectangle's outline
//                 CONTENT is the rest of the line; "{name}" in it stands for the current value of
//                 that substring. Coordinates are 0 to 4000.
//
// A file that breaks any of this is refused as a whole with the line number, so a damaged template
// never prints half a label.
#include <optional>
#include <string>
#include <vector>

namespace standin {

inline constexpr char kTemplateSignature[] = "; LabelPrint stand-in template 1";

enum class LayoutKind { Text, Bold, Barcode, Line, Box };

struct LayoutItem {
    LayoutKind kind = LayoutKind::Text;
    int x = 0, y = 0;    // top-left corner; a line's first end
    int w = 0, h = 0;    // size of a barcode or box; a line's second end
    int size = 0;        // text: font height; line and box: pen width
    std::wstring content;  // text and barcode, with {name} placeholders
};

struct Substring {
    std::wstring name;
    std::wstring value;  // the default value
};

struct LabelTemplate {
    std::wstring printer;  // empty: the template names no printer of its own
    int width = 600;
    int height = 360;
    int copies = 1;
    int serialized = 1;
    std::vector<Substring> substrings;  // in template order
    std::vector<LayoutItem> layout;

    // The position of a substring (names compare without regard to case), or -1.
    int Find(const std::wstring& name) const;
    // content with every {name} of a defined substring replaced by values[its position]; other braces
    // stay as they are.
    std::wstring Fill(const std::wstring& content, const std::vector<std::wstring>& values) const;
};

enum class TemplateProblem { None, NotFound, CannotRead, NotATemplate, Malformed };

struct TemplateError {
    TemplateProblem problem = TemplateProblem::None;
    std::wstring detail;  // for Malformed: "line 7: ..."
};

// Reads a template from the bytes of a file.
std::optional<LabelTemplate> ParseTemplate(const std::string& bytes, TemplateError* error);
// Reads a template file, opened read-only with others allowed to read; the file is never changed.
std::optional<LabelTemplate> ReadTemplateFile(const std::wstring& path, TemplateError* error);

}  // namespace standin
