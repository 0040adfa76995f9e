#pragma once
// The window as the operators know it, written down here on its own rather than read from the
// program's control table, so that a slip in that table shows up as a difference.
#include <windows.h>

#include <array>

namespace testing_support {

struct ExpectedControl {
    int id;                   // the control's identifier, as the program numbers it
    const wchar_t* kind;      // window class: Static, Edit or Button
    const wchar_t* caption;   // text after start-up without settings (nullptr: checked separately)
    RECT place;               // left, top, width, height in client pixels
    const wchar_t* face;      // font face
    LONG fontHeight;          // LOGFONT height at 96 DPI (negative: em height)
    bool bold;
};

inline constexpr int kExpectedClientWidth = 772;
inline constexpr int kExpectedClientHeight = 455;

// Top to bottom as the controls appear.
inline constexpr std::array<ExpectedControl, 17> kExpectedControls{{
    {1003, L"Static", L"选择数据:", {24, 24, 121, 33}, L"Arial", -24, false},
    {1101, L"Edit", L"", {160, 16, 537, 41}, L"Arial", -20, false},
    {1202, L"Button", L"...", {696, 16, 49, 41}, L"Arial Narrow", -24, true},
    {1004, L"Static", L"选择模板:", {24, 80, 121, 33}, L"Arial", -24, false},
    {1102, L"Edit", L"", {160, 72, 537, 41}, L"Arial", -20, false},
    {1204, L"Button", L"...", {696, 72, 49, 41}, L"Arial Narrow", -24, true},
    {1006, L"Static", L"备用项1:", {24, 136, 129, 33}, L"Arial", -24, false},
    {1105, L"Edit", L"", {160, 128, 329, 41}, L"Arial", -24, false},
    {1007, L"Static", L"备用项2:", {24, 192, 129, 33}, L"Arial", -24, false},
    {1106, L"Edit", L"", {160, 184, 329, 41}, L"Arial", -24, false},
    {1001, L"Static", L"查询列0:", {24, 248, 129, 33}, L"Arial", -24, false},
    {1103, L"Edit", L"", {160, 240, 329, 41}, L"Arial", -24, false},
    {1005, L"Static", L"打印数量:", {24, 304, 129, 33}, L"Arial", -24, false},
    {1104, L"Edit", L"1", {160, 296, 169, 41}, L"Arial", -24, false},
    {1002, L"Static", L"", {24, 352, 721, 41}, L"Arial", -24, false},
    {1203, L"Button", L"打印", {528, 400, 105, 49}, L"Arial", -19, false},
    {1201, L"Button", L"退出", {648, 400, 97, 49}, L"Arial", -19, false},
}};

}  // namespace testing_support
