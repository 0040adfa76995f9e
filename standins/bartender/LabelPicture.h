#pragma once
// The picture of a printed label, drawn with GDI+ and encoded as PNG: a white label of the
// template's size with its layout filled in with the current substring values, and a small caption
// with the number of labels printed ("× 3"). A template without a layout shows every substring as a
// "name: value" line instead.
#include <optional>
#include <string>
#include <vector>

#include "standins/bartender/LabelTemplate.h"

namespace standin {

// The PNG file's bytes; nullopt with a reason when GDI+ fails.
std::optional<std::string> RenderLabelPng(const LabelTemplate& label, const std::vector<std::wstring>& values,
                                          long long labels, std::wstring* problem);

}  // namespace standin
