#pragma once
// Just enough JSON for the stand-ins' logs, one value per line: objects, arrays, strings (UTF-8),
// numbers, true, false and null.
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct Json {
    std::string text;                                    // a string, or a number, true, false or null as written
    std::vector<Json> items;                             // an array's
    std::vector<std::pair<std::string, Json>> members;  // an object's, in file order

    // The member of that name, or an empty value.
    const Json& operator[](const std::string& name) const;
    long long Integer() const;
};

// One value per non-empty line; a malformed line gives an empty value.
std::vector<Json> ParseJsonLines(const std::string& utf8);

}  // namespace testing_support
