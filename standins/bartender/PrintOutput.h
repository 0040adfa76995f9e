#pragma once
// What the stand-in's printer puts out: one JSON line per print in the print log, and the label
// pictures in the output folder.
//
//   {"template":"Z:\\demo\\标签.btw","printer":"Zebra ZT410","copies":3,"serialized":1,"labels":3,
//    "substrings":{"1":"A1001","2":"不锈钢螺丝",...,"beiyong1":"x"},"images":["label-0001.png"],"t":1234}
//
// "substrings" lists every substring the template defines, in template order, with its value at the
// time of the print; "images" names the pictures written for this print (none without an output
// folder); "t" is the time of the print in microseconds of the performance counter, as in the call log.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

struct PrintRecord {
    std::wstring templatePath;
    std::wstring printer;
    long copies = 1;
    long serialized = 1;
    std::vector<std::pair<std::wstring, std::wstring>> substrings;
    std::vector<std::wstring> images;

    long long labels() const { return static_cast<long long>(copies) * serialized; }
};

// The record as one line of the print log.
std::string PrintRecordJson(const PrintRecord& record);

// Writes a picture into the folder (created when missing) as the next free "label-NNNN.png", counting
// on from the highest number there; returns the file name.
std::optional<std::wstring> SaveLabelImage(const std::wstring& folder, const std::string& png, std::wstring* problem);

}  // namespace standin
