#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <GeographicLib/Geodesic.hpp>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

TEST(WindowsSmoke, ParsesXmlWithoutNetwork) {
  const char doc[] = "<?xml version=\"1.0\"?><gpx><wpt lat=\"1\" lon=\"2\"/></gpx>";
  xmlDocPtr d = xmlReadMemory(doc, sizeof doc - 1, "smoke.gpx", nullptr, XML_PARSE_NONET);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(reinterpret_cast<const char*>(xmlDocGetRootElement(d)->name), "gpx");
  xmlFreeDoc(d);
}

TEST(WindowsSmoke, GeodesicInverse) {
  double s12 = 0;
  GeographicLib::Geodesic::WGS84().Inverse(0, 0, 0, 1, s12);
  EXPECT_NEAR(s12, 111319.49, 0.01);
}

TEST(WindowsSmoke, FilesAndThreads) {
  auto dir = std::filesystem::temp_directory_path() / L"sm\u00f8ke";
  std::filesystem::create_directories(dir);
  std::thread([&] { std::ofstream(dir / "a.txt", std::ios::binary) << "x\n"; }).join();
  EXPECT_EQ(std::filesystem::file_size(dir / "a.txt"), 2u);
  std::filesystem::remove_all(dir);
  std::printf("temp: %s\n", std::filesystem::temp_directory_path().string().c_str());
}

TEST(WindowsSmoke, FailsOnRequest) {
  const char* how = std::getenv("SMOKE_FAIL");
  if (how == nullptr || *how == '\0') return;
  if (std::string(how) == "crash") *static_cast<volatile int*>(nullptr) = 1;
  if (std::string(how) == "abort") std::abort();
  FAIL() << "asked to fail";
}
