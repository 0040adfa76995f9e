#pragma once
// The window's controls: identifiers and the layout table (kind, caption, position, tab index, font).
#include <array>

namespace app {

// Control identifiers. They stay clear of IDOK/IDCANCEL so the dialog manager's Enter and Escape
// handling never reaches a control by accident.
enum ControlId : int {
    WorkbookCaption = 1003,
    WorkbookBox = 1101,
    ChooseWorkbookButton = 1202,
    TemplateCaption = 1004,
    TemplateBox = 1102,
    ChooseTemplateButton = 1204,
    Spare1Caption = 1006,
    Spare1Box = 1105,
    Spare2Caption = 1007,
    Spare2Box = 1106,
    KeyColumnCaption = 1001,
    KeyBox = 1103,
    QuantityCaption = 1005,
    QuantityBox = 1104,
    StatusLine = 1002,
    PrintButton = 1203,
    ExitButton = 1201,
};

constexpr bool IsButton(ControlId id) {
    return id == PrintButton || id == ExitButton || id == ChooseWorkbookButton || id == ChooseTemplateButton;
}

// The controls where Enter does something: the boxes of the operator's path and the buttons.
constexpr bool TakesEnter(ControlId id) {
    return id == Spare1Box || id == Spare2Box || id == KeyBox || id == QuantityBox || IsButton(id);
}

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
    {WorkbookCaption, Kind::Label, L"选择数据:", 24, 24, 121, 33, 6, FontId::Arial18},
    {WorkbookBox, Kind::TextBox, L"", 160, 16, 537, 41, 0, FontId::Arial15},
    {ChooseWorkbookButton, Kind::Button, L"...", 696, 16, 49, 41, 2, FontId::Window},
    {TemplateCaption, Kind::Label, L"选择模板:", 24, 80, 121, 33, 7, FontId::Arial18},
    {TemplateBox, Kind::TextBox, L"", 160, 72, 537, 41, 5, FontId::Arial15},
    {ChooseTemplateButton, Kind::Button, L"...", 696, 72, 49, 41, 4, FontId::Window},
    {Spare1Caption, Kind::Label, L"备用项1:", 24, 136, 129, 33, 11, FontId::Arial18},
    {Spare1Box, Kind::TextBox, L"", 160, 128, 329, 41, 9, FontId::Arial18},
    {Spare2Caption, Kind::Label, L"备用项2:", 24, 192, 129, 33, 13, FontId::Arial18},
    {Spare2Box, Kind::TextBox, L"", 160, 184, 329, 41, 10, FontId::Arial18},
    {KeyColumnCaption, Kind::Label, L"查询列:", 24, 248, 129, 33, 1, FontId::Arial18},
    {KeyBox, Kind::TextBox, L"", 160, 240, 329, 41, 12, FontId::Arial18},
    {QuantityCaption, Kind::Label, L"打印数量:", 24, 304, 129, 33, 8, FontId::Arial18},
    {QuantityBox, Kind::TextBox, L"", 160, 296, 169, 41, 14, FontId::Arial18},
    {StatusLine, Kind::Label, L"", 24, 352, 721, 41, 3, FontId::Arial18},
    {PrintButton, Kind::Button, L"打印", 528, 400, 105, 49, 15, FontId::Arial1425},
    {ExitButton, Kind::Button, L"退出", 648, 400, 97, 49, 16, FontId::Arial1425},
}};

inline constexpr int kClientWidth = 772;
inline constexpr int kClientHeight = 455;
inline constexpr wchar_t kWindowCaption[] = L"标签打印";
// The application's title, on every message box that has no title of its own.
inline constexpr wchar_t kAppTitle[] = L"标签打印";

}  // namespace app
