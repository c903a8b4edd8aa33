// A preview's content read from one navigation file.
#include "preview/preview_content.h"

#include <utility>

#include "platform/files.h"
#include "preview/navigation_summary.h"
#include "resources/string_table.h"

SSummaryWords SummaryWordsOf(const std::function<std::string(const std::string& key)>& text) {
  SSummaryWords words;
  words.waypoints = text("preview.waypoints");
  words.routes = text("preview.routes");
  words.routePoints = text("preview.routePoints");
  words.tracks = text("preview.tracks");
  words.trackPoints = text("preview.trackPoints");
  words.route = text("preview.route");
  words.track = text("preview.track");
  words.points = text("preview.points");
  words.timeSpan = text("preview.timeSpan");
  words.bounds = text("preview.bounds");
  words.withoutPosition = text("preview.withoutPosition");
  words.withoutTime = text("preview.withoutTime");
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
