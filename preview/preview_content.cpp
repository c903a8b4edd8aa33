// A preview's content read from one navigation file.
#include "preview/preview_content.h"

#include <utility>

#include "platform/files.h"
#include "preview/navigation_summary.h"
#include "resources/string_table.h"

SSummaryWords SummaryWordsOf(const std::function<std::string(const std::string& key)>& text) {
  static const std::pair<std::string SSummaryWords::*, const char*> kKeys[] = {
      {&SSummaryWords::waypoints, "preview.waypoints"},
      {&SSummaryWords::routes, "preview.routes"},
      {&SSummaryWords::routePoints, "preview.routePoints"},
      {&SSummaryWords::tracks, "preview.tracks"},
      {&SSummaryWords::trackPoints, "preview.trackPoints"},
      {&SSummaryWords::route, "preview.route"},
      {&SSummaryWords::track, "preview.track"},
      {&SSummaryWords::points, "preview.points"},
      {&SSummaryWords::timeSpan, "preview.timeSpan"},
      {&SSummaryWords::bounds, "preview.bounds"},
      {&SSummaryWords::withoutPosition, "preview.withoutPosition"},
      {&SSummaryWords::withoutTime, "preview.withoutTime"},
  };
  SSummaryWords words;
  for (const auto& [word, key] : kKeys) words.*word = text(key);
  return words;
}

std::shared_ptr<const SPreviewContent> ReadPreviewContent(const FReadNavigation& read, const std::string& path,
                                                          const SSummaryWords& words, const std::string& failure,
                                                          int finestSide, const std::atomic<bool>* stop) {
  auto content = std::make_shared<SPreviewContent>();
  CCodePage codePage;
  CDiagnostic why;
  CNavigationSummaryBuilder summary;
  auto picture = std::make_unique<CNavigationPicture>(finestSide);
  CNavigationFanOut both({&summary, picture.get()});
  content->read = read(path, both, codePage, &why, stop);
  if (!content->read) {
    content->text = FormatMessageWithPath(failure, platform::NativePath(path)) + '\n' + why.Reason();
    return content;
  }
  content->picture = std::move(picture);
  for (const std::string& line : SummaryLines(summary.Summary(), words)) {
    if (!content->text.empty()) content->text += '\n';
    content->text += line;
  }
  return content;
}
