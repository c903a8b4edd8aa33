// GPX files where only POSIX can set the scene: entities and a DTD that would be read from a FIFO,
// and the FIFO itself named as the file. Each read that could hang runs in a forked child with an
// alarm.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "formats/code_page.h"
#include "formats/gpx_reader.h"
#include "tests/child_process.h"
#include "tests/temp_folder.h"

namespace {

TEST(GpxLinuxTest, NothingOutsideTheFileIsLoadedAndAFifoIsRefusedAtOnce) {
  CTempFolder folder;
  const std::string fifo = folder.Path("pipe.gpx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string pipe = "file://" + fifo;
  const struct {
    std::string prolog;
    std::string name;  // as written in the file
    std::string read;  // empty: refused (without waiting for the FIFO)
  } cases[] = {
      {"<!DOCTYPE gpx [<!ENTITY x SYSTEM \"" + pipe + "\">]>", "&x;", "&x;"},
      {"<!DOCTYPE gpx [<!ENTITY % p SYSTEM \"" + pipe + "\"> %p;]>", "P", ""},
      {"<!DOCTYPE gpx SYSTEM \"" + pipe + "\">", "D", "D"},
  };
  for (const auto& c : cases) {
    const std::string text =
        c.prolog + "<gpx version=\"1.1\"><wpt lat=\"1\" lon=\"2\"><name>" + c.name + "</name></wpt></gpx>";
    EXPECT_EQ(ExitStatusInChild([&] {
                alarm(10);
                SGpxDocument doc;
                CCodePage codePage;
                CDiagnostic why;
                if (!ReadGpxText(text, doc, codePage, &why)) {
                  std::fprintf(stderr, "%s\n", why.Reason().c_str());
                  return c.read.empty() ? 0 : 1;
                }
                const std::string name = doc.points.GetWaypoints().GetAt(0).GetName();
                if (name != c.read) std::fprintf(stderr, "read as '%s'\n", name.c_str());
                return name == c.read ? 0 : 2;
              }),
              0)
        << text << "\n-1: it hung or crashed, 1: refused, 2: read otherwise (or read at all)";
  }
  EXPECT_EQ(ExitStatusInChild([&] {
              alarm(10);
              SGpxDocument doc;
              CCodePage codePage;
              CDiagnostic why;
              return !ReadGpxFile(fifo, doc, codePage, &why) &&
                             why.Reason() == "cannot read " + fifo + ": not a regular file"
                         ? 0
                         : 1;
            }),
            0);
}

}  // namespace
