// The picture's PNG on Windows: painted by GDI+ into a bitmap of its own, encoded by WIC.
#include <windows.h>
// After windows.h, which they need.
#include <gdiplus.h>
#include <wincodec.h>

#include <cmath>
#include <memory>
#include <string>

#include "preview/png_painter.h"
#include "preview/win32/gdiplus_drawing.h"

namespace {

using namespace Gdiplus;

// A COM pointer released at the end of its scope.
template <typename T>
struct CCom {
  T* p = nullptr;
  ~CCom() {
    if (p != nullptr) p->Release();
  }
  T* operator->() const { return p; }
};

// The bitmap's pixels (32-bit BGRA, straight alpha) as PNG bytes, through WIC.
bool EncodePng(Bitmap& bitmap, std::string& bytes) {
  const UINT width = bitmap.GetWidth();
  const UINT height = bitmap.GetHeight();
  BitmapData data{};
  const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  if (bitmap.LockBits(&all, ImageLockModeRead, PixelFormat32bppARGB, &data) != Ok) return false;
  CCom<IWICImagingFactory> factory;
  CCom<IStream> stream;
  CCom<IWICBitmapEncoder> encoder;
  CCom<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  bool done =
      SUCCEEDED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory.p))) &&
      SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream.p)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder.p)) &&
      SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame.p, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
      SUCCEEDED(frame->SetSize(width, height)) && SUCCEEDED(frame->SetPixelFormat(&format)) &&
      IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
      SUCCEEDED(frame->WritePixels(height, static_cast<UINT>(data.Stride), static_cast<UINT>(data.Stride) * height,
                                   static_cast<BYTE*>(data.Scan0))) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  bitmap.UnlockBits(&data);
  HGLOBAL memory = nullptr;
  if (done && SUCCEEDED(::GetHGlobalFromStream(stream.p, &memory))) {
    STATSTG status{};
    done = SUCCEEDED(stream->Stat(&status, STATFLAG_NONAME));
    const void* start = done ? ::GlobalLock(memory) : nullptr;
    if (start != nullptr) {
      bytes.assign(static_cast<const char*>(start), static_cast<std::size_t>(status.cbSize.QuadPart));
      ::GlobalUnlock(memory);
    }
    done = start != nullptr;
  }
  return done;
}

}  // namespace

struct CPngPainter::SState {
  CGdiplusSession session;
};

CPngPainter::CPngPainter() : m_state(std::make_unique<SState>()) {}

CPngPainter::~CPngPainter() = default;

const CTextMeasure& CPngPainter::Measure() const { return m_state->session.Measure(); }

bool CPngPainter::WritePng(const SDrawing& drawing, std::string& bytes, std::string& reason) const {
  const std::unique_ptr<Bitmap> bitmap = m_state->session.Paint(drawing);
  if (bitmap == nullptr) {
    reason = "not enough memory for a picture of " + std::to_string(static_cast<int>(std::ceil(drawing.width))) + "x" +
             std::to_string(static_cast<int>(std::ceil(drawing.height)));
    return false;
  }
  if (!EncodePng(*bitmap, bytes)) {
    reason = "the PNG could not be made";
    return false;
  }
  return true;
}
