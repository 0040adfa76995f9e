#pragma once
// A PNG picture the BarTender stand-in drew, decoded with GDI+ so that tests can look at its pixels.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin_tests {

class LabelImage {
public:
    // nullopt when the bytes are no picture GDI+ can decode.
    static std::optional<LabelImage> Decode(const std::string& png);

    int width() const { return width_; }
    int height() const { return height_; }
    // A pixel as 0xRRGGBB.
    std::uint32_t At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF; }
    // How many pixels of the rectangle are dark (every channel below 0x60).
    int DarkPixels(int left, int top, int width, int height) const;

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

}  // namespace standin_tests
