// What a preview pane shows of a file, on both systems: the summary in the caller's words, or the
// failure with the path as the system writes it and the reason.
#include "preview/preview_content.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "preview/navigation_reader.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"

namespace {

TEST(PreviewContentTest, ASummaryInTheCallersWordsOrTheFailureWithItsReason) {
  CTempFolder folder;
  const std::string broken = folder.File("broken.upt", "$PTVLWPL,nonsense*00\r\n");
  const SSummaryWords words = SummaryWordsOf([](const std::string& key) { return "<" + key + ">"; });
  const std::string failure = "Cannot load %s.";
  const struct {
    std::string path;
    bool read;
    std::string start;
  } cases[] = {
      {FixturePath("morning.log"), true, "<preview.waypoints>: 0\n<preview.routes>: 0\n"},
      {broken, false, "Cannot load " + platform::NativePath(broken) + ".\n"},
      {folder.Path("missing.wpt"), false, "Cannot load " + platform::NativePath(folder.Path("missing.wpt")) + ".\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    const auto content = ReadPreviewContent(ReadNavigationFile, c.path, words, failure, 800, nullptr);
    EXPECT_EQ(content->read, c.read);
    EXPECT_EQ(content->picture != nullptr, c.read);
    EXPECT_EQ(content->text.substr(0, c.start.size()), c.start);
    EXPECT_GT(content->text.size(), c.start.size()) << "the rest of the summary, or the reason";
  }
}

}  // namespace
