#include "tests/standins/Fixtures.h"

#include "standins/common/CallLog.h"

namespace standin_tests {

std::wstring FixturePath(const std::wstring& relative) {
    // FIXTURES_DIR is the source tree's folder as Wine sees it, e.g. Z:/work/main/fixtures.
    std::string folder = FIXTURES_DIR;
    std::wstring path(folder.begin(), folder.end());
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return path + L"\\" + relative;
}

std::string Typed(const VARIANT& value) { return standin::TypedText(value); }

}  // namespace standin_tests
