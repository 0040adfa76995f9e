#pragma once
// The BarTender stand-in's print log as tests read it: one record per PrintOut.
#include <string>
#include <utility>
#include <vector>

namespace standin_tests {

struct PrintedLabel {
    std::string templatePath, printer;  // UTF-8
    long long copies = 0, serialized = 0, labels = 0;
    std::vector<std::pair<std::string, std::string>> substrings;  // in the record's order
    std::vector<std::string> images;
    bool wellFormed = false;  // the whole line was read as the record's JSON object
};

// Reads every line of the log; a line that is not a well-formed record still yields an entry.
std::vector<PrintedLabel> ParsePrintLog(const std::string& utf8Lines);

}  // namespace standin_tests
