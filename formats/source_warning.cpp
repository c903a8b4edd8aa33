// What a conversion did to a source file without refusing it, and the words for it.
#include "formats/source_warning.h"

#include <utility>

#include "formats/gpx_values.h"

namespace {

constexpr const char* kNoTime = "the unit's \"no time\" (2000-01-01 00:00:00 local time)";

}  // namespace

std::string SSourcePlace::Text() const {
  std::string text;
  if (line != 0) {
    text = "line " + std::to_string(line);
    if (column != 0) text += ", column " + std::to_string(column);
    return text;
  }
  if (node != 0) text = "node " + std::to_string(node) + (hasOffset ? " at " : "");
  if (hasOffset) text += "offset " + std::to_string(offset);
  return text;
}

std::string SSourceWarning::Text() const {
  std::string text = source + ": " + std::to_string(count) + ' ' + what;
  if (first.IsKnown()) {
    text += ", the first at " + first.Text();
    if (!detail.empty()) text += " (" + detail + ')';
  }
  if (!outcome.empty()) {
    text += ": " + outcome;
    for (std::size_t i = 0; i < outputs.size(); ++i) text += (i == 0 ? " in " : ", ") + outputs[i];
  }
  return text;
}

void CUntimedPoints::Take(const CUnitTimes& times, ETimeTarget target, SVexlornTnodBlock& node,
                          const SSourcePlace& place) {
  if (m_count++ == 0) {
    m_first = place;
    m_firstHadTime = !times.IsNoTime(node.GetTime(), node.GetHundredths());
    m_firstTime = node.GetTime();
  }
  std::int64_t seconds = node.GetTime();
  std::uint8_t hundredths = node.GetHundredths();
  times.Fit(target, seconds, hundredths);
  node.SetTime(seconds);
  node.SetHundredths(hundredths);
}

void CUntimedPoints::Add(const CUntimedPoints& later) {
  if (m_count == 0)
    *this = later;
  else
    m_count += later.m_count;
}

SSourceWarning CUntimedPoints::Warning(const std::string& source, ETimeTarget target,
                                       std::vector<std::string> outputs) const {
  SSourceWarning warning;
  warning.source = source;
  warning.count = m_count;
  warning.first = m_first;
  warning.outputs = std::move(outputs);
  if (target == ETimeTarget::kGpx) {
    // Only a point at the instant that stands for none goes to GPX without a time.
    warning.what = std::string("track point(s) at ") + kNoTime;
    warning.outcome = "written without <time>";
    return warning;
  }
  warning.what = target == ETimeTarget::kTrackLog
                     ? "track point(s) without a time a .log file can hold (2000-01-01 00:00:00 to 2099-12-31 "
                       "23:59:59 local time)"
                     : "track point(s) without a time a .trk file can hold (1901-12-13 20:45:52 to 2038-01-19 "
                       "03:14:07 UTC)";
  warning.detail = m_firstHadTime ? UtcDateText(m_firstTime) : "no time";
  warning.outcome = std::string("given ") + kNoTime;
  return warning;
}

SSourceWarning STrailingBytes::Warning(const std::string& source) const {
  SSourceWarning warning;
  warning.source = source;
  warning.count = count;
  warning.what = "byte(s) after the last record were not read";
  warning.first = SSourcePlace::AtOffset(offset);
  return warning;
}

SSourceWarning ReplacedCharactersWarning(const std::string& source, std::uint64_t count, const std::string& codePage) {
  SSourceWarning warning;
  warning.source = source;
  warning.count = count;
  warning.what = "character(s) not held by " + codePage + " or by XML became '?'";
  return warning;
}
