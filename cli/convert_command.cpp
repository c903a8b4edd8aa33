// transvane-cli convert: desktop files to unit files and back, file by file, through the same
// per-file routines as the wizard's conversion job.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "resources/string_ids.h"
#include "resources/string_table.h"
#include "storage/file_system.h"
#include "storage/report_sink.h"
#include "wizard/conversion_job.h"
#include "wizard/target_naming.h"

namespace {

// Each failure as the wizard words it, then the reason indented on the next line.
class CStandardErrorReport : public CReportSink {
 public:
  bool AddReportLine(int messageId, const std::string& path, const std::string& reason) override {
    std::string text = FormatMessageWithPath(BuiltInString(messageId), path) + '\n';
    if (!reason.empty()) text += "  " + reason + '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    m_failed = true;
    return false;
  }
  bool Failed() const { return m_failed; }

 private:
  bool m_failed = false;
};

struct SOptions {
  std::string outputFolder;
  std::vector<std::string> files;
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The extensions of the outputs of one input, and whether they are bound for the unit.
bool OutputsOf(const std::string& kind, std::vector<const char*>& extensions, bool& toUnit) {
  toUnit = kind == "wpt" || kind == "trk";
  if (kind == "wpt")
    extensions = {"upt", "rte"};
  else if (kind == "trk")
    extensions = {"log"};
  else if (kind == "upt" || kind == "rte")
    extensions = {"wpt"};
  else if (kind == "log")
    extensions = {"trk"};
  else
    return false;
  return true;
}

void RunConvert(const SOptions& options, int& status) {
  const SECFileSystem files;
  CStandardErrorReport report;
  const SConversionContext noUnit;
  std::vector<std::string> targets;
  for (const std::string& source : options.files) {
    std::vector<const char*> extensions;
    bool toUnit = false;
    if (!OutputsOf(Lower(files.ExtensionOf(source)), extensions, toUnit)) {
      report.AddReportLine(IDS_ERROR_LOADING, source, "unknown kind of file: expected .wpt, .trk, .upt, .rte or .log");
      continue;
    }
    std::string folder = options.outputFolder.empty() ? files.FolderOf(source) : options.outputFolder;
    if (folder.empty()) folder = ".";
    for (const char* extension : extensions) {
      // Two inputs of one run that want the same output (a.upt and a.rte both give a.wpt) must
      // not overwrite each other: the later one gets a numbered name, as in the wizard's list.
      const std::string target =
          UniqueTargetName(files.JoinPath(folder, files.StemOf(source) + '.' + extension), targets);
      targets.push_back(target);
      const bool converted =
          toUnit ? ConvertFileToUnit(source, target, noUnit, report) : ConvertFileToDesktop(source, target, report);
      if (converted) std::printf("%s\n", target.c_str());
    }
  }
  std::fflush(stdout);
  status = report.Failed() ? 1 : 0;
}

}  // namespace

void AddConvertCommand(CLI::App& app, int& status) {
  auto* command = app.add_subcommand(
      "convert",
      "Convert desktop files to unit files (.wpt to .upt and .rte, .trk to .log) and unit files to desktop files "
      "(.upt and .rte to .wpt, .log to .trk); prints each file written");
  auto options = std::make_shared<SOptions>();
  command->add_option("-o,--output", options->outputFolder,
                      "Folder for the converted files (made when missing); default: each input's own folder");
  command->add_option("FILE", options->files, "Files to convert; the extension decides the direction")->required();
  command->callback([options, &status] { RunConvert(*options, status); });
}
