#include "standins/bartender/LabelPicture.h"

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <memory>

// GDI+'s headers use min and max, which NOMINMAX keeps out of windows.h.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "standins/bartender/Code39.h"
#include "win/ComPtr.h"

namespace standin {

namespace {

using namespace Gdiplus;

// Started for one picture and shut down after it; every GDI+ object must be gone by then.
class GdiplusSession {
public:
    GdiplusSession() {
        GdiplusStartupInput input;
        ok_ = GdiplusStartup(&token_, &input, nullptr) == Ok;
    }
    ~GdiplusSession() {
        if (ok_) GdiplusShutdown(token_);
    }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// A face with Chinese glyphs first; the test and demo prefix maps the first two to WenQuanYi Micro Hei.
std::unique_ptr<FontFamily> LabelFontFamily() {
    for (const wchar_t* name : {L"Microsoft YaHei", L"SimSun", L"WenQuanYi Micro Hei", L"Arial", L"Tahoma"}) {
        auto family = std::make_unique<FontFamily>(name);
        if (family->GetLastStatus() == Ok && family->IsAvailable()) return family;
    }
    return nullptr;
}

std::optional<std::string> EncodePng(Bitmap& bitmap) {
    // GDI+'s PNG encoder.
    constexpr CLSID kPng = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    win::ComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return std::nullopt;
    if (bitmap.Save(stream.get(), &kPng, nullptr) != Ok) return std::nullopt;
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(stat.cbSize.QuadPart), '\0');
    LARGE_INTEGER start{};
    if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return std::nullopt;
    ULONG read = 0;
    if (FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size())
        return std::nullopt;
    return bytes;
}

class Painter {
public:
    Painter(Graphics& g, const FontFamily* family) : g_(g), family_(family), black_(Color(255, 0, 0, 0)) {}

    void Text(const std::wstring& text, float x, float y, float size, bool bold) {
        if (!family_ || text.empty()) return;
        Font font(family_, size, bold ? FontStyleBold : FontStyleRegular, UnitPixel);
        g_.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, PointF(x, y), &black_);
    }

    void TextInBox(const std::wstring& text, const RectF& box, float size, StringAlignment alignment, const Brush& brush) {
        if (!family_ || text.empty()) return;
        Font font(family_, size, FontStyleRegular, UnitPixel);
        StringFormat format;
        format.SetAlignment(alignment);
        format.SetLineAlignment(StringAlignmentNear);
        g_.DrawString(text.c_str(), static_cast<INT>(text.size()), &font, box, &format, &brush);
    }

    // Bars of whole pixels, centred in the box; the readable content goes under them.
    void Barcode(const std::wstring& content, int x, int y, int w, int h) {
        std::vector<bool> modules = Code39Modules(content);
        int module = std::max(1, w / static_cast<int>(modules.size()));
        int left = x + std::max(0, (w - module * static_cast<int>(modules.size())) / 2);
        int textSize = std::clamp(h / 5, 10, 24);
        int barHeight = std::max(1, h - textSize - 4);
        for (std::size_t i = 0; i < modules.size(); ++i)
            if (modules[i]) g_.FillRectangle(&black_, left + static_cast<int>(i) * module, y, module, barHeight);
        TextInBox(Code39Text(content), RectF(static_cast<REAL>(x), static_cast<REAL>(y + barHeight + 2),
                                             static_cast<REAL>(w), static_cast<REAL>(textSize + 8)),
                  static_cast<REAL>(textSize), StringAlignmentCenter, black_);
    }

    void Line(int x1, int y1, int x2, int y2, int pen) {
        Pen p(Color(255, 0, 0, 0), static_cast<REAL>(pen));
        g_.DrawLine(&p, x1, y1, x2, y2);
    }

    void Box(int x, int y, int w, int h, int pen) {
        Pen p(Color(255, 0, 0, 0), static_cast<REAL>(pen));
        g_.DrawRectangle(&p, x, y, w, h);
    }

private:
    Graphics& g_;
    const FontFamily* family_;
    SolidBrush black_;
};

constexpr int kListFont = 20;
constexpr int kListLine = 28;
constexpr int kMargin = 16;
constexpr int kCaptionFont = 16;

}  // namespace

std::optional<std::string> RenderLabelPng(const LabelTemplate& label, const std::vector<std::wstring>& values,
                                          long long labels, std::wstring* problem) {
    auto fail = [&](const wchar_t* why) -> std::optional<std::string> {
        if (problem) *problem = why;
        return std::nullopt;
    };
    GdiplusSession session;
    if (!session.ok()) return fail(L"GDI+ cannot be started");

    int width = label.width, height = label.height;
    // Without a layout the picture grows to show every substring.
    if (label.layout.empty())
        height = std::max(height, kMargin + static_cast<int>(label.substrings.size()) * kListLine + kCaptionFont + kMargin);

    std::optional<std::string> png;
    {
        Bitmap bitmap(width, height, PixelFormat24bppRGB);
        if (bitmap.GetLastStatus() != Ok) return fail(L"the picture cannot be created");
        Graphics g(&bitmap);
        g.Clear(Color(255, 255, 255, 255));
        g.SetTextRenderingHint(TextRenderingHintAntiAliasGridFit);
        auto family = LabelFontFamily();
        Painter paint(g, family.get());

        if (label.layout.empty()) {
            for (std::size_t i = 0; i < label.substrings.size(); ++i)
                paint.Text(label.substrings[i].name + L": " + (i < values.size() ? values[i] : std::wstring()), kMargin,
                           static_cast<REAL>(kMargin + static_cast<int>(i) * kListLine), kListFont, false);
        }
        for (const LayoutItem& item : label.layout) {
            switch (item.kind) {
                case LayoutKind::Text:
                case LayoutKind::Bold:
                    paint.Text(label.Fill(item.content, values), static_cast<REAL>(item.x), static_cast<REAL>(item.y),
                               static_cast<REAL>(item.size), item.kind == LayoutKind::Bold);
                    break;
                case LayoutKind::Barcode: paint.Barcode(label.Fill(item.content, values), item.x, item.y, item.w, item.h); break;
                case LayoutKind::Line: paint.Line(item.x, item.y, item.w, item.h, item.size); break;
                case LayoutKind::Box: paint.Box(item.x, item.y, item.w, item.h, item.size); break;
            }
        }
        SolidBrush grey(Color(255, 110, 110, 110));
        paint.TextInBox(L"\u00D7 " + std::to_wstring(labels),
                        RectF(0, static_cast<REAL>(height - kCaptionFont - 14), static_cast<REAL>(width - 14),
                              static_cast<REAL>(kCaptionFont + 8)),
                        kCaptionFont, StringAlignmentFar, grey);
        png = EncodePng(bitmap);
    }
    if (!png) return fail(L"the picture cannot be encoded as PNG");
    return png;
}

}  // namespace standin
