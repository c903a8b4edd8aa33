// transvane-win32-screenshots: Transvane.exe /T walked through every page of both jobs, as
// app/screenshots_main.cpp walks the Linux wizard, each page captured from the screen into a PNG.
// scripts/windows-screenshots runs it under Wine on Xvfb with the demo desktop installation.
//   transvane-win32-screenshots PROGRAM OUTPUT_FOLDER
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <wincodec.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "resources/string_ids.h"
#include "resources/win32/resource_ids.h"
#include "tests/app/win32/wizard_remote.h"

namespace {

// The sheet's client area as it shows on the screen (as the Linux pictures show the sheet without
// its frame; without a window manager there is no title bar to show), as a PNG file, through WIC.
bool SaveSheet(HWND sheet, const std::wstring& path) {
  RECT place = {};
  GetClientRect(sheet, &place);
  MapWindowPoints(sheet, nullptr, reinterpret_cast<POINT*>(&place), 2);
  const int width = place.right - place.left;
  const int height = place.bottom - place.top;
  BITMAPINFO format = {};
  format.bmiHeader.biSize = sizeof(format.bmiHeader);
  format.bmiHeader.biWidth = width;
  format.bmiHeader.biHeight = -height;
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, picture);
  BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
  GdiFlush();
  auto* pixels = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i * 4 + 3] = 0xFF;  // opaque

  bool saved = false;
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat32bppBGRA;
  if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) &&
      SUCCEEDED(factory->CreateStream(&stream)) &&
      SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
      SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
      SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
      SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
      SUCCEEDED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height))) &&
      SUCCEEDED(frame->SetPixelFormat(&pixelFormat)) &&
      SUCCEEDED(frame->WritePixels(static_cast<UINT>(height), static_cast<UINT>(width) * 4,
                                   static_cast<UINT>(width * height * 4), pixels)) &&
      SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
    saved = true;
  }
  if (frame != nullptr) frame->Release();
  if (encoder != nullptr) encoder->Release();
  if (stream != nullptr) stream->Release();
  if (factory != nullptr) factory->Release();
  SelectObject(memory, old);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return saved;
}

std::wstring Folder(std::wstring path) {
  if (!path.empty() && path.front() == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: transvane-win32-screenshots PROGRAM OUTPUT_FOLDER\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t caption[256] = {};
  LoadStringW(GetModuleHandleW(nullptr), IDS_CAPTION, caption, 256);
  CWizardRemote wizard;
  if (!wizard.Start(argv[1], caption)) {
    std::fprintf(stderr, "no wizard window appeared\n");
    return 1;
  }
  const std::wstring output = Folder(argv[2]);
  int failures = 0;
  const auto fail = [&](const char* what) {
    std::fprintf(stderr, "%s\n", what);
    ++failures;
  };
  const auto shoot = [&](int page, const wchar_t* name) {
    if (!wizard.ShowsPage(page)) fail("a page did not show");
    // Painted before it is taken: everything drawn again now, and the program through with
    // what was sent before.
    RedrawWindow(wizard.Sheet(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageW(wizard.Sheet(), WM_NULL, 0, 0);
    Sleep(500);
    if (!SaveSheet(wizard.Sheet(), output + name + L".png")) fail("a picture could not be written");
  };
  const auto next = [&] { wizard.Press(PSBTN_NEXT); };
  const auto back = [&] { wizard.Press(PSBTN_BACK); };
  const auto untilNext = [&] {
    if (!WaitFor([&] { return wizard.NextEnabled(); })) fail("Next stayed off");
  };
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring unit = temp;

  untilNext();
  shoot(129, L"1-welcome");
  next();
  shoot(137, L"2-connect-unit");
  next();
  shoot(130, L"3-conversion-mode");
  next();
  // The samples of the demo installation's documents folder, one after the other.
  const auto choose = [&](int browse, const std::vector<std::wstring>& paths) {
    if (!wizard.ShowsPage(134)) fail("the file selection page did not show");
    for (const std::wstring& path : paths) {
      if (!wizard.ChooseInOpenDialog(browse, path)) fail("a file could not be chosen");
    }
  };
  const std::wstring documents = L"C:\\Program Files\\Tavrelin\\Vexlorn\\Docs\\";
  const std::vector<std::wstring> samples = {documents + L"trip.wpt", documents + L"morning.trk"};
  choose(IDC_LEFT_BROWSE, samples);
  untilNext();
  shoot(134, L"4-files-selection");
  next();
  untilNext();
  shoot(135, L"5-conversion-and-transfer");
  next();
  shoot(133, L"6-finish");

  // The export to GPX: Back from Finish to the file selection page, Back again to the modes.
  back();
  wizard.ShowsPage(134);
  back();
  wizard.ShowsPage(130);
  wizard.Click(IDC_CHOICE_THIRD);
  shoot(130, L"11-export-mode");
  next();
  choose(IDC_LEFT_BROWSE, samples);
  untilNext();
  shoot(134, L"12-export-files-selection");

  // The unit files made of the samples, converted back: their targets are the samples, marked as
  // files that exist already.
  back();
  wizard.ShowsPage(130);
  wizard.Click(IDC_CHOICE_SECOND);
  next();
  choose(IDC_RIGHT_BROWSE, {unit + L"trip.upt", unit + L"trip.rte", unit + L"morning.log"});
  untilNext();
  shoot(134, L"13-to-desktop-files-selection");

  // The map job: back to the Welcome page, then the card page; in test mode the temporary folder
  // is the one destination.
  for (int i = 0; i < 9 && wizard.PageId() != 129; ++i) {
    const int before = wizard.PageId();
    back();
    WaitFor([&] { return wizard.PageId() != before; });
  }
  wizard.Click(IDC_CHOICE_SECOND);
  next();
  shoot(140, L"7-insert-card");
  next();
  wizard.ShowsPage(139);
  HWND regions = GetDlgItem(wizard.Page(), IDC_REGIONS);
  WaitFor([&] { return SendMessageW(regions, LVM_GETITEMCOUNT, 0, 0) >= 2; });
  for (int row = 0; row < 2; ++row) wizard.TickListRow(regions, row);
  untilNext();
  shoot(139, L"8-map-region-selection");
  next();
  untilNext();
  shoot(141, L"9-map-transfer");
  next();
  shoot(133, L"10-map-finish");

  PostMessageW(wizard.Sheet(), WM_CLOSE, 0, 0);
  WaitForSingleObject(wizard.Process(), 30000);
  CoUninitialize();
  return failures == 0 ? 0 : 1;
}
