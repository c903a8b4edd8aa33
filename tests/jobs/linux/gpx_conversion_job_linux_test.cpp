// The GPX job under a limit only POSIX can set, in a forked child: a file of more tracks than the
// process may hold open at once goes through, as the tracks' files are closed as each track ends
// and put in place at the end.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "jobs/gpx_conversion_job.h"
#include "storage/report_sink.h"
#include "tests/child_process.h"
#include "tests/formats/golden_support.h"
#include "tests/temp_folder.h"

namespace {

TEST(GpxConversionJobLinuxTest, MoreTracksThanOpenFiles) {
  CTempFolder temp;
  std::string gpx = "<gpx version=\"1.1\">";
  for (int i = 0; i < 40; ++i) {
    gpx += "<trk><trkseg>";
    for (int j = 0; j < 2; ++j) {
      gpx += "<trkpt lat=\"47." + std::to_string(i + j) + "\" lon=\"11.5\"><time>2023-06-10T08:15:1" +
             std::to_string(j) + "Z</time></trkpt>";
    }
    gpx += "</trkseg></trk>";
  }
  gpx += "</gpx>";
  WriteBytes(temp.Path("many.gpx"), gpx);
  EXPECT_EQ(ExitStatusInChild([&] {
              const rlimit limit{24, 24};
              if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) return 3;
              CCodePage codePage;
              CUnitTimes times;
              CTargetNames rows;
              std::vector<std::string> written;
              CReportLines report;
              const bool done = ConvertGpxFile(temp.Path("many.gpx"), temp.Path("out"), EGpxOutputs::Unit, codePage,
                                               times, rows, written, report);
              return done && written.size() == 40 ? 0 : 1;
            }),
            0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.Path("out")), std::filesystem::directory_iterator()),
            40);
}

}  // namespace
