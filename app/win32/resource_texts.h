// The wizard's texts from a module's resources: the string table, and the texts file the resource
// generator puts beside the dialogs.
#pragma once

#include <windows.h>

#include <map>
#include <string>

#include "resources/text_source.h"

// Answers from the module's resources: the program's own, or a resource library that replaces
// them (its texts in its language). String ids the module lacks read as empty, as LoadString
// answers them.
class CResourceTexts : public CTextSource {
 public:
  explicit CResourceTexts(HMODULE module);
  std::string Utf8String(int id) const override;
  std::string Utf8DialogText(int dialogId, const char* control) const override;
  // A text by its whole key, for texts that belong to no dialog ("sheet.next").
  std::string Utf8Text(const std::string& key) const;
  std::wstring String(int id) const;

 private:
  HMODULE m_module;
  std::map<std::string, std::string> m_texts;
};

// UTF-8 to UTF-16 and back for the window system; text that is not valid converts to nothing.
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
