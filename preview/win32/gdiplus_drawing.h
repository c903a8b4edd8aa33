// The drawing painted with GDI+, into a bitmap for the PNG encoder or for a window, and its texts
// measured in the font of the system's dialogs.
#pragma once

#include <windows.h>

#include <memory>

#include "preview/drawing.h"
#include "preview/text_measure.h"

namespace Gdiplus {
class Bitmap;
}

// GDI+, and COM for the imaging component, started on this thread for the object's life, with
// the font the texts are measured and painted in. One at a time, on one thread.
class CGdiplusSession {
 public:
  CGdiplusSession();
  ~CGdiplusSession();
  CGdiplusSession(const CGdiplusSession&) = delete;
  CGdiplusSession& operator=(const CGdiplusSession&) = delete;

  // A drawing laid out with this measure fits what Paint makes of it.
  const CTextMeasure& Measure() const;
  // The drawing painted into a new 32-bit bitmap; nullptr when GDI+ did not start or there is
  // no memory for the pixels.
  std::unique_ptr<Gdiplus::Bitmap> Paint(const SDrawing& drawing) const;
  // The same as a GDI bitmap for a window, on `background` where the drawing is transparent; the
  // caller deletes it. nullptr as for Paint.
  HBITMAP PaintForWindow(const SDrawing& drawing, COLORREF background) const;

 private:
  struct SState;
  std::unique_ptr<SState> m_state;
};
