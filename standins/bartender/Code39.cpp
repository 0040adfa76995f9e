#include "standins/bartender/Code39.h"

namespace standin {

namespace {

struct Symbol {
    wchar_t character;
    const char* elements;  // bar, space, bar, ... : "1" is a wide element
};

constexpr Symbol kSymbols[] = {
    {L'0', "000110100"}, {L'1', "100100001"}, {L'2', "001100001"}, {L'3', "101100000"}, {L'4', "000110001"},
    {L'5', "100110000"}, {L'6', "001110000"}, {L'7', "000100101"}, {L'8', "100100100"}, {L'9', "001100100"},
    {L'A', "100001001"}, {L'B', "001001001"}, {L'C', "101001000"}, {L'D', "000011001"}, {L'E', "100011000"},
    {L'F', "001011000"}, {L'G', "000001101"}, {L'H', "100001100"}, {L'I', "001001100"}, {L'J', "000011100"},
    {L'K', "100000011"}, {L'L', "001000011"}, {L'M', "101000010"}, {L'N', "000010011"}, {L'O', "100010010"},
    {L'P', "001010010"}, {L'Q', "000000111"}, {L'R', "100000110"}, {L'S', "001000110"}, {L'T', "000010110"},
    {L'U', "110000001"}, {L'V', "011000001"}, {L'W', "111000000"}, {L'X', "010010001"}, {L'Y', "110010000"},
    {L'Z', "011010000"}, {L'-', "010000101"}, {L'.', "110000100"}, {L' ', "011000100"}, {L'$', "010101000"},
    {L'/', "010100010"}, {L'+', "010001010"}, {L'%', "000101010"}, {L'*', "010010100"},
};

const char* Elements(wchar_t c) {
    for (const Symbol& s : kSymbols)
        if (s.character == c) return s.elements;
    return nullptr;
}

}  // namespace

std::wstring Code39Text(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        // "*" is the start and stop character and cannot stand inside the code.
        out += (c != L'*' && Elements(c)) ? c : L'-';
    }
    return out;
}

std::vector<bool> Code39Modules(const std::wstring& text) {
    std::vector<bool> modules;
    std::wstring framed = L"*" + Code39Text(text) + L"*";
    for (std::size_t i = 0; i < framed.size(); ++i) {
        if (i > 0) modules.push_back(false);  // the gap between characters
        const char* elements = Elements(framed[i]);
        for (int e = 0; e < 9; ++e) modules.insert(modules.end(), elements[e] == '1' ? 3 : 1, e % 2 == 0);
    }
    return modules;
}

}  // namespace standin
