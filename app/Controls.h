#pragma once
// The window's controls: identifiers and the layout table (kind, caption, position, tab index, font).
#include <array>

namespace app {

// Control identifiers. They stay clear of IDOK/IDCANCEL so the dialog manager's Enter and Escape
// handling never reaches a control by accident.
enum ControlId : int {
    Label3 = 1003,
    Text1 = 1101,
    Command2 = 1202,
    Label4 = 1004,
    Text2 = 1102,
    Command4 = 1204,
    Label6 = 1006,
    Text5 = 1105,
    Label7 = 1007,
    Text6 = 1106,
    Label1 = 1001,
    Text3 = 1103,
    Label5 = 1005,
    Text4 = 1104,
    Label2 = 1002,
    Command3 = 1203,
    Command1 = 1201,
};

enum class Kind { Label, TextBox, Button };

enum class FontId { Window, Arial18, Arial15, Arial1425 };

struct ControlSpec {
    ControlId id;
    Kind kind;
    const wchar_t* caption;
    int left, top, width, height;  // client pixels at 96 DPI
    int tabIndex;                  // labels are numbered too, but never take the focus
    FontId font;
};

// Listed top to bottom as the controls appear on the window.
inline constexpr std::array<ControlSpec, 17> kControls{{
    {Label3, Kind::Label, L"选择数据:", 24, 24, 121, 33, 6, FontId::Arial18},
    {Text1, Kind::TextBox, L"", 160, 16, 537, 41, 0, FontId::Arial15},
    {Command2, Kind::Button, L"...", 696, 16, 49, 41, 2, FontId::Window},
    {Label4, Kind::Label, L"选择模板:", 24, 80, 121, 33, 7, FontId::Arial18},
    {Text2, Kind::TextBox, L"", 160, 72, 537, 41, 5, FontId::Arial15},
    {Command4, Kind::Button, L"...", 696, 72, 49, 41, 4, FontId::Window},
    {Label6, Kind::Label, L"备用项1:", 24, 136, 129, 33, 11, FontId::Arial18},
    {Text5, Kind::TextBox, L"", 160, 128, 329, 41, 9, FontId::Arial18},
    {Label7, Kind::Label, L"备用项2:", 24, 192, 129, 33, 13, FontId::Arial18},
    {Text6, Kind::TextBox, L"", 160, 184, 329, 41, 10, FontId::Arial18},
    {Label1, Kind::Label, L"查询列:", 24, 248, 129, 33, 1, FontId::Arial18},
    {Text3, Kind::TextBox, L"", 160, 240, 329, 41, 12, FontId::Arial18},
    {Label5, Kind::Label, L"打印数量:", 24, 304, 129, 33, 8, FontId::Arial18},
    {Text4, Kind::TextBox, L"", 160, 296, 169, 41, 14, FontId::Arial18},
    {Label2, Kind::Label, L"", 24, 352, 721, 41, 3, FontId::Arial18},
    {Command3, Kind::Button, L"打印", 528, 400, 105, 49, 15, FontId::Arial1425},
    {Command1, Kind::Button, L"退出", 648, 400, 97, 49, 16, FontId::Arial1425},
}};

inline constexpr int kClientWidth = 772;
inline constexpr int kClientHeight = 455;
inline constexpr wchar_t kWindowCaption[] = L"标签打印";
// The application's title, on every message box that has no title of its own.
inline constexpr wchar_t kAppTitle[] = L"标签打印";

}  // namespace app
