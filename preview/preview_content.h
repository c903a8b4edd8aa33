// What a preview pane shows of one navigation file, apart from any window system: the file read
// once into the text of its summary and into what its pictures need, at any size.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "formats/code_page.h"
#include "formats/diagnostic.h"
#include "preview/navigation_data.h"
#include "preview/navigation_picture.h"
#include "preview/summary_text.h"

struct SPreviewContent {
  bool read = false;
  std::unique_ptr<const CNavigationPicture> picture;  // set when read
  std::string text;                                   // the summary's lines, or the failure's message and its reason
};

// How a file is read: ReadNavigationFile, or what a test puts around it.
using FReadNavigation = std::function<bool(const std::string& path, CNavigationSink& sink, CCodePage& codePage,
                                           CDiagnostic* why, const std::atomic<bool>* stop)>;

// The summary's words by their keys in the wizard's texts ("preview.waypoints").
SSummaryWords SummaryWordsOf(const std::function<std::string(const std::string& key)>& text);

// Reads the file (UTF-8 path) once into its summary and a picture as fine as `finestSide` pixels
// can show. When it cannot be read, the text is `failure` with the path in it, then the reason.
std::shared_ptr<const SPreviewContent> ReadPreviewContent(const FReadNavigation& read, const std::string& path,
                                                          const SSummaryWords& words, const std::string& failure,
                                                          int finestSide, const std::atomic<bool>* stop);
