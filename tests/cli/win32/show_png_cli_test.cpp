// `show --png` on Windows: the labels are painted (GDI+), whatever fonts the system has.
#include <windows.h>
// After windows.h, which they need.
#include <gdiplus.h>
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

#include "tests/cli/cli_test_support.h"

namespace {

// The pixels of a PNG as dark as the labels' text (#303030) and no line of the picture is.
int DarkPixels(const std::string& png) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return -1;
  int dark = -1;
  if (IStream* stream = ::SHCreateMemStream(reinterpret_cast<const BYTE*>(png.data()), static_cast<UINT>(png.size()))) {
    {
      Gdiplus::Bitmap bitmap(stream);
      if (bitmap.GetLastStatus() == Gdiplus::Ok) {
        dark = 0;
        for (UINT y = 0; y < bitmap.GetHeight(); ++y) {
          for (UINT x = 0; x < bitmap.GetWidth(); ++x) {
            Gdiplus::Color colour;
            bitmap.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &colour);
            if (colour.GetR() < 0x60 && colour.GetG() < 0x60 && colour.GetB() < 0x60) ++dark;
          }
        }
      }
    }
    stream->Release();
  }
  Gdiplus::GdiplusShutdown(token);
  return dark;
}

class ShowPngTest : public CCliTest {};

TEST_F(ShowPngTest, PaintsTheLabels) {
  const std::string wpt = Copy("trip~saved.wpt", "trip.wpt");
  const SRun run = Run({"show", "--png", Path("trip.png"), wpt});
  ASSERT_EQ(run.status, 0) << run.err;
  // The scale bar alone gives some 270 such pixels, the labels of the six waypoints some 1100 more.
  EXPECT_GT(DarkPixels(ReadBytes(U8(Path("trip.png")))), 600) << "no label was painted";
}

}  // namespace
