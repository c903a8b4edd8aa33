// The program's own string table.
#include "resources/string_table.h"

#include "resources/string_ids.h"

const char* BuiltInString(int id) {
  switch (id) {
    case IDS_ABOUT_ITEM: return "";
    case IDS_CAPTION: return "Tavrelin Transvane - v1.07";
    case IDS_PLEASE_WAIT: return "Please wait ...";
    case IDS_FILTER_DESKTOP_SOURCES: return "Waypoint/Route (*.wpt) - Track (*.trk)|*.wpt;*.trk||";
    case IDS_FILTER_UNIT_SOURCES: return "User POIs (*.upt) - Route (*.rte) - Track (*.log)|*.upt;*.rte;*.log||";
    case IDS_NO_UNIT_FOUND: return "No Tavrelin Norvantis found.";
    case IDS_TITLE_WELCOME: return "Welcome";
    case IDS_TITLE_FIND_UNIT: return "Connect your Tavrelin Norvantis";
    case IDS_TITLE_SELECT_MODE: return "Conversion mode";
    case IDS_TITLE_DESTINATION: return "Files selection";
    case IDS_FILTER_WPT: return "Waypoint/Route (*.wpt)|*.wpt||";
    case IDS_FILTER_TRK: return "Track (*.trk)|*.trk||";
    case IDS_FILTER_UPT: return "User POIs (*.upt)|*.upt||";
    case IDS_FILTER_RTE: return "Route (*.rte)|*.rte||";
    case IDS_FILTER_LOG: return "Track (*.log)|*.log||";
    case IDS_ERROR_LOADING: return "An error occured while loading file %s.";
    case IDS_ERROR_CONVERTING: return "An error occured while converting file %s.";
    case IDS_ERROR_TRANSFERRING: return "An error occured while transferring file %s.";
    case IDS_CONVERSION_RUNNING: return "Conversion and transfer in progress. Please wait ...";
    case IDS_CONVERSION_DONE: return "Conversion and transfer completed.";
    case IDS_CONVERSION_SUCCESS: return "Tavrelin Transvane successfully converted and transferred the file(s).";
    case IDS_CONVERSION_FAILURES:
      return "Tavrelin Transvane has detected some conversion or transfer warnings/errors. Please find them below.";
    case IDS_TITLE_MAP: return "Map region selection";
    case IDS_TITLE_FIND_CARD: return "Insert your Memory Card";
    case IDS_TITLE_CONVERSION: return "Conversion and Transfer";
    case IDS_TITLE_MAP_TRANSFER: return "Map transfer";
    case IDS_MAP_SUCCESS: return "Tavrelin Transvane successfully transferred the Map Region(s).";
    case IDS_MAP_FAILURES: return "Tavrelin Transvane has detected some transfer warnings/errors. Please find them below.";
    case IDS_ERROR_COPYING: return "An error occured while copying file %s.";
    case IDS_COPYING_FILE: return "Copying File:";
    case IDS_TIME_LEFT: return "Time Left:";
    case IDS_TRANSFER_RUNNING: return "Transfer in progress. Please wait ...";
    case IDS_TRANSFER_DONE: return "Transfer completed.";
    case IDS_MEGABYTES: return "%.1lf MB";
    case IDS_NO_CARD_FOUND: return "No Memory Card or Tavrelin Norvantis was found.";
    case IDS_FILTER_MAP_REGIONS: return "Map Region (*.imi;*.tdx)|*.imi;*.tdx||";
    case IDS_TITLE_FINISH: return "Finish";
    case IDS_CANCEL_TRANSFER: return "Do you want to cancel the transfer in progress?";
    case IDS_COLUMN_REGION: return "Region";
    case IDS_COLUMN_SIZE: return "Size(MB)";
    case IDS_COLUMN_DATE: return "Date";
    case IDS_FILTER_GPX: return "GPX Waypoint/Route/Track (*.gpx)|*.gpx||";
    default: return "";
  }
}

std::string FormatMessageWithPath(const std::string& message, const std::string& path) {
  std::string out;
  out.reserve(message.size() + path.size());
  bool pathUsed = false;
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '%' && i + 1 < message.size()) {
      if (message[i + 1] == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (message[i + 1] == 's' && !pathUsed) {
        out += path;
        pathUsed = true;
        ++i;
        continue;
      }
    }
    out += message[i];
  }
  return out;
}
