// transvane-cli show: the summary of navigation files and, on request, their picture as PNG or SVG.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/conversion_options.h"
#include "cli/report_printer.h"
#include "cli/terminal_text.h"
#include "formats/atomic_file.h"
#include "formats/code_page.h"
#include "preview/navigation_picture.h"
#include "preview/navigation_reader.h"
#include "preview/navigation_summary.h"
#include "preview/png_painter.h"
#include "preview/summary_text.h"
#include "preview/svg_writer.h"
#include "resources/string_ids.h"

namespace {

struct SOptions {
  std::string png;
  std::string svg;
  std::string size = "800x600";
  std::string codePage;  // empty: the locale's
  std::vector<std::string> files;
};

constexpr int kSmallestSide = 64;
constexpr int kLargestSide = 8192;

// "WxH" → the two sides; false unless both are whole numbers within the limits.
bool ParseSize(const std::string& text, int& width, int& height) {
  char rest = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &rest) == 2 && width >= kSmallestSide &&
         height >= kSmallestSide && width <= kLargestSide && height <= kLargestSide &&
         text.find_first_not_of("0123456789x") == std::string::npos;
}

// The picture's bytes in the format the path was given for.
bool DrawPicture(const CNavigationPicture& picture, const SOptions& options, int width, int height, std::string& bytes,
                 std::string& reason) {
  const CPngPainter painter;
  const SDrawing drawing = picture.Draw(width, height, painter.Measure());
  if (!options.svg.empty()) {
    bytes = SvgDocument(drawing);
    return true;
  }
  return painter.WritePng(drawing, bytes, reason);
}

// The picture replaces the file only once it is whole.
bool WritePicture(const std::string& path, const std::string& bytes, std::string& reason) {
  CDiagnostic why;
  CAtomicFile file(path);
  if (file.Open(&why) && file.Write(bytes.data(), bytes.size(), &why) && file.Commit(&why)) {
    return true;
  }
  reason = why.Reason();
  return false;
}

void RunShow(const SOptions& options, int& status) {
  int width = 0, height = 0;
  ParseSize(options.size, width, height);  // checked when the options were parsed
  const std::unique_ptr<CCodePage> usable = OpenCodePage(options.codePage);
  if (!usable) {
    status = 2;
    return;
  }
  CCodePage& codePage = *usable;
  CDiagnostic why;

  CStandardErrorReport report;
  const std::string picturePath = options.svg.empty() ? options.png : options.svg;
  // Every file goes into one picture as it is read; a file that fails leaves no picture at all.
  CNavigationPicture picture(std::max(width, height));
  std::size_t routes = 0, tracks = 0;
  for (const std::string& path : options.files) {
    CNavigationSummaryBuilder summary;
    std::vector<CNavigationSink*> sinks = {&summary};
    if (!picturePath.empty()) sinks.push_back(&picture);
    CNavigationFanOut both(std::move(sinks));
    if (!ReadNavigationFile(path, both, codePage, &why)) {
      report.AddReportLine(IDS_ERROR_LOADING, path, why.Reason());
      continue;
    }
    // Routes and tracks are numbered across the files, as the picture of all of them numbers them.
    const SNavigationSummary figures = summary.Summary();
    std::string text = ShownPath(path) + '\n';
    for (const std::string& line : SummaryLines(figures, {}, routes + 1, tracks + 1)) {
      text += "  " + EscapeForTerminal(line) + '\n';
    }
    WriteText(stdout, text);
    routes += figures.routes;
    tracks += figures.tracks;
  }
  std::fflush(stdout);

  if (!picturePath.empty()) {
    // A picture without every file would pass for all of them; the former picture stays instead.
    if (report.Failed()) {
      PrintText(stderr, "%s was not written: not every file could be read\n", ShownPath(picturePath).c_str());
    } else {
      std::string bytes;
      std::string reason;
      if (DrawPicture(picture, options, width, height, bytes, reason) && WritePicture(picturePath, bytes, reason)) {
        PrintText(stdout, "%s\n", ShownPath(picturePath).c_str());
      } else {
        PrintText(stderr, "Cannot write the picture %s.\n  %s\n", ShownPath(picturePath).c_str(),
                  EscapeForTerminal(reason).c_str());
        status = 1;
        return;
      }
    }
  }
  std::fflush(stdout);
  status = report.Failed() ? 1 : 0;
}

}  // namespace

void AddShowCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "show",
      "Print a summary of navigation files (.wpt, .trk, .upt, .rte, .log, .gpx): counts, the length of each route "
      "and track, time span and bounding box; with --png or --svg also draw them all in one picture: map, "
      "waypoints, routes, tracks and their elevation profile");
  auto options = std::make_shared<SOptions>();
  auto* png = command->add_option("--png", options->png, "Draw the picture into this PNG file");
  auto* svg = command->add_option("--svg", options->svg, "Draw the picture into this SVG file");
  png->excludes(svg);
  command
      ->add_option("--size", options->size,
                   "Width and height of the picture in pixels, WxH (64 to 8192 each; default 800x600)")
      ->check(
          [](const std::string& text) {
            int width = 0, height = 0;
            return ParseSize(text, width, height) ? std::string() : "WxH expected, each side 64 to 8192 pixels";
          },
          "WxH");
  AddCodePageOption(*command, options->codePage);
  command->add_option("FILE", options->files, "Files to show")->required();
  command->callback([options, &status] { RunShow(*options, status); });
}
