// Writing a drawing as SVG.
#include "preview/svg_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <variant>

namespace {

// Pixels to a thousandth, shortest form, a decimal point whatever the locale.
std::string Number(double value) {
  if (!std::isfinite(value)) value = 0;
  const double rounded = std::round(value * 1000) / 1000;
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, rounded == 0 ? 0.0 : rounded);
  return std::string(text, result.ptr);
}

std::string Colour(ARGB colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(colour), GreenOf(colour), BlueOf(colour));
  return text;
}

std::string Opacity(const char* attribute, ARGB colour) {
  if (AlphaOf(colour) == 255) return {};
  return std::string(" ") + attribute + "=\"" + Number(AlphaOf(colour) / 255.0) + '"';
}

std::string Fill(ARGB fill) {
  if (AlphaOf(fill) == 0) return " fill=\"none\"";
  return " fill=\"" + Colour(fill) + '"' + Opacity("fill-opacity", fill);
}

std::string Stroke(const SPen& pen) {
  if (!(pen.width > 0)) return {};
  static const char* const kCaps[] = {"square", "butt", "round"};
  std::string text = " stroke=\"" + Colour(pen.colour) + '"' + Opacity("stroke-opacity", pen.colour) +
                     " stroke-width=\"" + Number(pen.width) + "\" stroke-linecap=\"" +
                     kCaps[static_cast<int>(pen.cap)] + "\" stroke-linejoin=\"" +
                     (pen.cap == ECap::Round ? "round" : "bevel") + '"';
  if (pen.dashed) text += " stroke-dasharray=\"" + Number(4 * pen.width) + ' ' + Number(2 * pen.width) + '"';
  return text;
}

std::string Points(const std::vector<SPoint>& points) {
  std::string text;
  for (const SPoint& point : points) {
    if (!text.empty()) text += ' ';
    text += Number(point.x) + ',' + Number(point.y);
  }
  return text;
}

std::string RectAttributes(const SRect& rect) {
  return " x=\"" + Number(rect.left) + "\" y=\"" + Number(rect.top) + "\" width=\"" + Number(rect.width) +
         "\" height=\"" + Number(rect.height) + '"';
}

// The next character of UTF-8 text, or U+FFFD for bytes that are none (a stray continuation byte,
// a sequence cut short, an overlong form, a surrogate).
char32_t NextCharacter(const std::string& text, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at++);
  if (lead < 0x80) return lead;
  int more = 0;
  char32_t value = 0;
  char32_t least = 0;
  if ((lead & 0xE0) == 0xC0) {
    more = 1, value = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    more = 2, value = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    more = 3, value = lead & 0x07, least = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (int i = 0; i < more; ++i) {
    if (at >= text.size() || (byte(at) & 0xC0) != 0x80) return 0xFFFD;
    value = value << 6 | (byte(at++) & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
  return value;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The characters of XML 1.0.
bool IsXmlCharacter(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    char32_t c = NextCharacter(text, at);
    if (!IsXmlCharacter(c)) c = 0xFFFD;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        AppendUtf8(out, c);
    }
  }
  return out;
}

// Writes the items; a clip is a group around the items it holds.
class CSvgItems {
 public:
  explicit CSvgItems(std::string& out) : m_out(out) {}

  void operator()(const SFill& fill) { m_out += "<rect" + RectAttributes(fill.rect) + Fill(fill.colour) + "/>\n"; }
  void operator()(const SShape& shape) {
    const std::string paint = Fill(shape.fill) + Stroke(shape.pen);
    const SRect& rect = shape.rect;
    if (shape.kind == SShape::EKind::Ellipse) {
      m_out += "<ellipse cx=\"" + Number(rect.Centre().x) + "\" cy=\"" + Number(rect.Centre().y) + "\" rx=\"" +
               Number(rect.width / 2) + "\" ry=\"" + Number(rect.height / 2) + '"' + paint + "/>\n";
    } else if (shape.kind == SShape::EKind::RoundedRectangle) {
      m_out += "<rect" + RectAttributes(rect) + " rx=\"" + Number(shape.radius) + '"' + paint + "/>\n";
    } else {
      m_out += "<rect" + RectAttributes(rect) + paint + "/>\n";
    }
  }
  void operator()(const SPolyline& line) {
    m_out += "<polyline points=\"" + Points(line.points) + "\" fill=\"none\"" + Stroke(line.pen) + "/>\n";
  }
  void operator()(const SPolygon& polygon) {
    m_out += "<polygon points=\"" + Points(polygon.points) + '"' + Fill(polygon.fill) + "/>\n";
  }
  void operator()(const SText& text) {
    const bool centred = text.align == SText::EAlign::Centre;
    const double x = centred ? text.rect.Centre().x : text.rect.Right();
    m_out += "<text x=\"" + Number(x) + "\" y=\"" + Number(text.baseline) + "\" text-anchor=\"" +
             (centred ? "middle" : "end") + '"' + Fill(text.colour) + '>' + Escaped(text.text) + "</text>\n";
  }
  void operator()(const SClip& clip) {
    EndClip();
    if (!clip.on) return;
    const std::string id = "clip" + std::to_string(++m_clips);
    m_out += "<clipPath id=\"" + id + "\"><rect" + RectAttributes(clip.rect) + "/></clipPath>\n";
    m_out += "<g clip-path=\"url(#" + id + ")\">\n";
    m_clipped = true;
  }
  void EndClip() {
    if (m_clipped) m_out += "</g>\n";
    m_clipped = false;
  }

 private:
  std::string& m_out;
  int m_clips = 0;
  bool m_clipped = false;
};

}  // namespace

std::string SvgDocument(const SDrawing& drawing) {
  const std::string width = Number(drawing.width);
  const std::string height = Number(drawing.height);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + width + "\" height=\"" + height +
         "\" viewBox=\"0 0 " + width + ' ' + height + "\">\n";
  out += "<title>Transvane</title>\n";
  // The family the texts were measured in, quoted for CSS, then any sans-serif face.
  std::string families;
  for (char c : drawing.fontFamily) {
    if (c != '\'' && c != '\\') families += c;
  }
  families = families.empty() ? "sans-serif" : "'" + families + "', sans-serif";
  out += "<g font-family=\"" + Escaped(families) + "\" font-size=\"" + std::to_string(drawing.textPixels) +
         "\" xml:space=\"preserve\">\n";
  CSvgItems items(out);
  for (const SDrawItem& item : drawing.items) std::visit(items, item);
  items.EndClip();
  out += "</g>\n</svg>\n";
  return out;
}
