#pragma once
// Just enough JSON for the stand-ins' logs: objects, arrays, strings (UTF-8), numbers, true/false/null.
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;  // in file order

    // The member of that name, or a null value.
    const Json& operator[](const std::string& name) const;
    long long Integer() const { return static_cast<long long>(number); }
};

// Parses one JSON text; a malformed one gives a null value.
Json ParseJson(const std::string& utf8);
// One value per non-empty line.
std::vector<Json> ParseJsonLines(const std::string& utf8);

}  // namespace testing_support
