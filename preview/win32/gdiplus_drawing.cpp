// The drawing painted with GDI+.
#include "preview/win32/gdiplus_drawing.h"

// After windows.h, which it needs.
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/win32/wide_text.h"

namespace {

using namespace Gdiplus;

std::wstring Wide(std::string_view text) { return platform::WideFromUtf8(text); }
std::string Utf8(const wchar_t* text) { return platform::Utf8FromWide(text); }

Color ColourOf(::ARGB colour) { return Color(static_cast<Gdiplus::ARGB>(colour)); }
RectF RectOf(const SRect& rect) {
  return RectF(static_cast<REAL>(rect.left), static_cast<REAL>(rect.top), static_cast<REAL>(rect.width),
               static_cast<REAL>(rect.height));
}

std::vector<PointF> PointsOf(const std::vector<SPoint>& points) {
  std::vector<PointF> out;
  out.reserve(points.size());
  for (const SPoint& point : points) out.emplace_back(static_cast<REAL>(point.x), static_cast<REAL>(point.y));
  return out;
}

void SetUpPen(Pen& out, const SPen& pen) {
  const LineCap cap = pen.cap == ECap::Round ? LineCapRound : pen.cap == ECap::Flat ? LineCapFlat : LineCapSquare;
  out.SetLineCap(cap, cap, pen.cap == ECap::Round ? DashCapRound : DashCapFlat);
  out.SetLineJoin(pen.cap == ECap::Round ? LineJoinRound : LineJoinBevel);
  if (pen.dashed) {
    // In line widths, as the other painters draw them.
    const REAL dashes[] = {4, 2};
    out.SetDashPattern(dashes, 2);
  }
}

// A rectangle with corners rounded by radius.
void AddRoundedRectangle(GraphicsPath& path, const RectF& rect, REAL radius) {
  const REAL d = std::min({radius * 2, rect.Width, rect.Height});
  if (!(d > 0)) {
    path.AddRectangle(rect);
    return;
  }
  path.AddArc(rect.X, rect.Y, d, d, 180, 90);
  path.AddArc(rect.X + rect.Width - d, rect.Y, d, d, 270, 90);
  path.AddArc(rect.X + rect.Width - d, rect.Y + rect.Height - d, d, d, 0, 90);
  path.AddArc(rect.X, rect.Y + rect.Height - d, d, d, 90, 90);
  path.CloseFigure();
}

// Measures in GDI+'s font of the system's dialogs.
class CGdiTextMeasure : public CTextMeasure {
 public:
  // The dialogs' font of Windows 10 and 11, else of older ones, else whichever the system has.
  explicit CGdiTextMeasure(bool gdiplusStarted) {
    if (!gdiplusStarted) return;
    for (const wchar_t* name : {L"Segoe UI", L"Tahoma", L"Arial"}) {
      m_family = std::make_unique<FontFamily>(name);
      if (m_family->GetLastStatus() == Ok) return;
    }
    if (const FontFamily* generic = FontFamily::GenericSansSerif()) {
      m_family.reset(generic->Clone());
      return;
    }
    const InstalledFontCollection installed;
    INT found = 0;
    m_family = std::make_unique<FontFamily>();
    if (installed.GetFamilyCount() == 0 || installed.GetFamilies(1, m_family.get(), &found) != Ok || found != 1) {
      m_family.reset();
    }
  }

  // Without any font the layout keeps rough measures and the texts are left out.
  bool HasFont() const { return m_family != nullptr; }

  double Width(std::string_view text, int pixels) const override {
    if (!HasFont()) return 0.55 * pixels * static_cast<double>(Wide(text).size());
    Bitmap bitmap(1, 1, PixelFormat32bppARGB);
    Graphics graphics(&bitmap);
    graphics.SetTextRenderingHint(TextRenderingHintAntiAlias);
    const std::unique_ptr<Font> font = FontAt(pixels);
    const std::wstring wide = Wide(text);
    RectF bounds;
    graphics.MeasureString(wide.c_str(), static_cast<INT>(wide.size()), font.get(), PointF(0, 0),
                           StringFormat::GenericTypographic(), &bounds);
    return bounds.Width;
  }
  double Ascent(int pixels) const override {
    return pixels * (HasFont() ? Share(m_family->GetCellAscent(FontStyleRegular)) : 0.8);
  }
  double Descent(int pixels) const override {
    return pixels * (HasFont() ? Share(m_family->GetCellDescent(FontStyleRegular)) : 0.2);
  }
  std::string Family() const override {
    if (!HasFont()) return "sans-serif";
    WCHAR name[LF_FACESIZE] = {};
    m_family->GetFamilyName(name);
    return Utf8(name);
  }

  std::unique_ptr<Font> FontAt(int pixels) const {
    return std::make_unique<Font>(m_family.get(), static_cast<REAL>(pixels), FontStyleRegular, UnitPixel);
  }

 private:
  // A measure of the family's design units as a part of its em.
  double Share(UINT16 units) const { return static_cast<double>(units) / m_family->GetEmHeight(FontStyleRegular); }

  std::unique_ptr<FontFamily> m_family;
};

void PaintDrawing(Graphics& graphics, const SDrawing& drawing, const CGdiTextMeasure& measure) {
  graphics.SetSmoothingMode(SmoothingModeAntiAlias);
  graphics.SetTextRenderingHint(TextRenderingHintAntiAlias);
  graphics.SetPixelOffsetMode(PixelOffsetModeHalf);
  const std::unique_ptr<Font> font = measure.HasFont() ? measure.FontAt(drawing.textPixels) : nullptr;
  for (const SDrawItem& item : drawing.items) {
    std::visit(
        [&](const auto& part) {
          using T = std::decay_t<decltype(part)>;
          if constexpr (std::is_same_v<T, SFill>) {
            const SolidBrush brush(ColourOf(part.colour));
            graphics.SetSmoothingMode(SmoothingModeNone);
            graphics.FillRectangle(&brush, RectOf(part.rect));
            graphics.SetSmoothingMode(SmoothingModeAntiAlias);
          } else if constexpr (std::is_same_v<T, SShape>) {
            GraphicsPath path;
            const RectF rect = RectOf(part.rect);
            if (part.kind == SShape::EKind::Ellipse) {
              path.AddEllipse(rect);
            } else if (part.kind == SShape::EKind::RoundedRectangle) {
              AddRoundedRectangle(path, rect, static_cast<REAL>(part.radius));
            } else {
              path.AddRectangle(rect);
            }
            if (AlphaOf(part.fill) != 0) {
              const SolidBrush brush(ColourOf(part.fill));
              graphics.FillPath(&brush, &path);
            }
            if (part.pen.width > 0) {
              Pen pen(ColourOf(part.pen.colour), static_cast<REAL>(part.pen.width));
              SetUpPen(pen, part.pen);
              graphics.DrawPath(&pen, &path);
            }
          } else if constexpr (std::is_same_v<T, SPolyline>) {
            if (part.pen.width > 0 && part.points.size() > 1) {
              Pen pen(ColourOf(part.pen.colour), static_cast<REAL>(part.pen.width));
              SetUpPen(pen, part.pen);
              const std::vector<PointF> points = PointsOf(part.points);
              graphics.DrawLines(&pen, points.data(), static_cast<INT>(points.size()));
            }
          } else if constexpr (std::is_same_v<T, SPolygon>) {
            if (AlphaOf(part.fill) != 0 && part.points.size() > 2) {
              const SolidBrush brush(ColourOf(part.fill));
              const std::vector<PointF> points = PointsOf(part.points);
              graphics.FillPolygon(&brush, points.data(), static_cast<INT>(points.size()));
            }
          } else if constexpr (std::is_same_v<T, SText>) {
            if (font == nullptr) return;
            const SolidBrush brush(ColourOf(part.colour));
            StringFormat format(StringFormat::GenericTypographic());
            format.SetAlignment(part.align == SText::EAlign::Centre ? StringAlignmentCenter : StringAlignmentFar);
            format.SetLineAlignment(StringAlignmentCenter);
            format.SetFormatFlags(format.GetFormatFlags() | StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
            const std::wstring text = Wide(part.text);
            // The text is centred on its box, which is just as tall as a line: a line's height
            // more above and below leaves the layout room for rounding (without it Wine's GDI+
            // finds no room for the line and draws nothing), and the text stays where it was.
            RectF box = RectOf(part.rect);
            box.Y -= box.Height;
            box.Height *= 3;
            graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), font.get(), box, &format, &brush);
          } else if constexpr (std::is_same_v<T, SClip>) {
            if (part.on) {
              graphics.SetClip(RectOf(part.rect));
            } else {
              graphics.ResetClip();
            }
          }
        },
        item);
  }
}

}  // namespace

struct CGdiplusSession::SState {
  SState() {
    comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const GdiplusStartupInput input;
    gdiplusStarted = GdiplusStartup(&gdiplusToken, &input, nullptr) == Ok;
    measure = std::make_unique<CGdiTextMeasure>(gdiplusStarted);
  }
  ~SState() {
    measure.reset();
    if (gdiplusStarted) GdiplusShutdown(gdiplusToken);
    if (comStarted) ::CoUninitialize();
  }

  bool comStarted = false;
  bool gdiplusStarted = false;
  ULONG_PTR gdiplusToken = 0;
  std::unique_ptr<CGdiTextMeasure> measure;
};

CGdiplusSession::CGdiplusSession() : m_state(std::make_unique<SState>()) {}

CGdiplusSession::~CGdiplusSession() = default;

const CTextMeasure& CGdiplusSession::Measure() const { return *m_state->measure; }

std::unique_ptr<Gdiplus::Bitmap> CGdiplusSession::Paint(const SDrawing& drawing) const {
  if (!m_state->gdiplusStarted) return nullptr;
  const int width = std::max(1, static_cast<int>(std::ceil(drawing.width)));
  const int height = std::max(1, static_cast<int>(std::ceil(drawing.height)));
  auto bitmap = std::make_unique<Bitmap>(width, height, PixelFormat32bppARGB);
  if (bitmap->GetLastStatus() != Ok) return nullptr;
  Graphics graphics(bitmap.get());
  PaintDrawing(graphics, drawing, *m_state->measure);
  return bitmap;
}

HBITMAP CGdiplusSession::PaintForWindow(const SDrawing& drawing, COLORREF background) const {
  const std::unique_ptr<Bitmap> bitmap = Paint(drawing);
  HBITMAP out = nullptr;
  if (bitmap == nullptr) return nullptr;
  Color under;
  under.SetFromCOLORREF(background);
  return bitmap->GetHBITMAP(under, &out) == Ok ? out : nullptr;
}
