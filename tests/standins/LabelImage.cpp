#include "tests/standins/LabelImage.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>

// GDI+'s headers use min and max, which NOMINMAX keeps out of windows.h.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "win/ComPtr.h"

namespace standin_tests {

std::optional<LabelImage> LabelImage::Decode(const std::string& png) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return std::nullopt;
    std::optional<LabelImage> out;
    win::ComPtr<IStream> stream;
    if (SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) {
        stream->Write(png.data(), static_cast<ULONG>(png.size()), nullptr);
        stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        Gdiplus::Bitmap bitmap(stream.get());
        LabelImage image;
        image.width_ = static_cast<int>(bitmap.GetWidth());
        image.height_ = static_cast<int>(bitmap.GetHeight());
        Gdiplus::Rect all(0, 0, image.width_, image.height_);
        Gdiplus::BitmapData data{};
        if (bitmap.GetLastStatus() == Gdiplus::Ok &&
            bitmap.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
            for (int y = 0; y < image.height_; ++y) {
                auto* row =
                    reinterpret_cast<const std::uint32_t*>(static_cast<const BYTE*>(data.Scan0) + y * data.Stride);
                image.pixels_.insert(image.pixels_.end(), row, row + image.width_);
            }
            bitmap.UnlockBits(&data);
            out = std::move(image);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    return out;
}

int LabelImage::DarkPixels(int left, int top, int width, int height) const {
    int count = 0;
    for (int y = std::max(0, top); y < std::min(height_, top + height); ++y) {
        for (int x = std::max(0, left); x < std::min(width_, left + width); ++x) {
            std::uint32_t rgb = At(x, y);
            if ((rgb >> 16 & 0xFF) < 0x60 && (rgb >> 8 & 0xFF) < 0x60 && (rgb & 0xFF) < 0x60) ++count;
        }
    }
    return count;
}

}  // namespace standin_tests
