// Small documents of the desktop's binary files, and their bytes, for the tests of those files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "formats/vexlorn_file.h"
#include "tests/temp_folder.h"

namespace vexlorn_fixtures {

using Bytes = std::vector<std::uint8_t>;

template <typename Doc>
Bytes Save(const Doc& doc) {
  Bytes out;
  EXPECT_TRUE(SaveVexlornBytes(doc, out));
  return out;
}

inline CVexlornFileWpt SmallWpt() {
  CVexlornFileWpt doc;
  for (int i = 0; i < 2; ++i) {
    SVexlornWptBlock waypoint;
    waypoint.SetName("WP" + std::to_string(i));
    waypoint.SetComment(i == 0 ? "first" : "");
    waypoint.SetNumber(i + 1);
    waypoint.SetSymbol(static_cast<std::uint8_t>(40 + i));
    waypoint.SetRouteUsed(i == 0);
    waypoint.SetAltitude(10.25 * i);
    waypoint.SetLongitude(-3.5 + i);
    waypoint.SetLatitude(-48.25 - i);
    doc.GetWaypoints().Add(waypoint);
  }
  SVexlornRteBlock route;
  route.SetName("R");
  route.SetNumber(7);
  SVexlornRwptBlock point;
  point.SetName("WP0");
  point.SetNumber(1);
  point.SetSymbol(40);
  route.GetPoints().Add(point);
  doc.GetRoutes().Add(route);
  return doc;
}

inline CVexlornFileTrk SmallTrk() {
  CVexlornFileTrk doc;
  doc.SetName("T");
  for (int i = 0; i < 3; ++i) {
    SVexlornTnodBlock node;
    node.SetLongitude(i * 0.125);
    node.SetLatitude(-i * 0.25);
    node.SetAltitude(1.5f * static_cast<float>(i));
    node.SetTime(-100 + i);
    node.SetValidFix(i == 2 ? 7 : 1);
    node.SetHundredths(static_cast<std::uint8_t>(97 + i));
    doc.GetNodes().Add(node);
  }
  return doc;
}

// The names in a folder.
inline std::vector<std::string> NamesIn(const CTempFolder& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CTempFolder::FromUtf8(folder.Path())))
    names.push_back(CTempFolder::Utf8(entry.path().filename()));
  return names;
}

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(CTempFolder::FromUtf8(path), std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace vexlorn_fixtures
