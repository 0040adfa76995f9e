#include "tests/standins/LabelImage.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>

namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

namespace standin_tests {

namespace {
bool Dark(std::uint32_t rgb) {
    return ((rgb >> 16) & 0xFF) < 0x60 && ((rgb >> 8) & 0xFF) < 0x60 && (rgb & 0xFF) < 0x60;
}
}  // namespace

bool IsPng(const std::string& bytes) { return bytes.compare(0, 8, "\x89PNG\r\n\x1A\n", 8) == 0; }

std::optional<LabelImage> LabelImage::Decode(const std::string& png) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return std::nullopt;
    std::optional<LabelImage> out;
    IStream* stream = nullptr;
    if (SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) {
        ULONG written = 0;
        stream->Write(png.data(), static_cast<ULONG>(png.size()), &written);
        LARGE_INTEGER start{};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        {
            Gdiplus::Bitmap bitmap(stream);
            if (bitmap.GetLastStatus() == Gdiplus::Ok) {
                LabelImage image;
                image.width_ = static_cast<int>(bitmap.GetWidth());
                image.height_ = static_cast<int>(bitmap.GetHeight());
                Gdiplus::Rect all(0, 0, image.width_, image.height_);
                Gdiplus::BitmapData data{};
                if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
                    image.pixels_.resize(static_cast<std::size_t>(image.width_) * image.height_);
                    for (int y = 0; y < image.height_; ++y) {
                        auto* row = reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(data.Scan0) +
                                                                           static_cast<INT_PTR>(y) * data.Stride);
                        std::copy(row, row + image.width_, image.pixels_.begin() + static_cast<std::ptrdiff_t>(y) * image.width_);
                    }
                    bitmap.UnlockBits(&data);
                    out = std::move(image);
                }
            }
        }
        stream->Release();
    }
    Gdiplus::GdiplusShutdown(token);
    return out;
}

int LabelImage::DarkPixels(int left, int top, int width, int height) const {
    int count = 0;
    for (int y = std::max(0, top); y < std::min(height_, top + height); ++y)
        for (int x = std::max(0, left); x < std::min(width_, left + width); ++x)
            if (Dark(At(x, y))) ++count;
    return count;
}

std::string LabelImage::Row(int y) const {
    std::string row;
    for (int x = 0; x < width_; ++x) row += Dark(At(x, y)) ? '#' : '.';
    return row;
}

}  // namespace standin_tests
