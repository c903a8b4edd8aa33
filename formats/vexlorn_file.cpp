// Whole-file load and save of the desktop product's .wpt and .trk files.
#include "formats/vexlorn_file.h"

#include <new>

#include "formats/atomic_file.h"
#include "formats/input_file.h"
#include "formats/vexlorn_archive.h"

namespace {

template <typename Doc>
bool LoadBytes(const std::uint8_t* data, std::size_t size, Doc& doc, CDiagnostic* why, CCodePage* codePage) {
  CVexlornArchive archive(data, size, why);
  archive.SetCodePage(codePage);
  try {
    return doc.Load(archive);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to load the file");
  }
}

template <typename Doc>
bool LoadFile(const std::string& path, Doc& doc, CDiagnostic* why, CCodePage* codePage, STrailingBytes* trailing) {
  CInputFile file;
  if (!file.Open(path, why)) return false;
  CVexlornArchive archive(file, why);
  archive.SetCodePage(codePage);
  try {
    if (!doc.Load(archive)) return false;
    if (trailing != nullptr) *trailing = {archive.GetBytesLeft(), archive.GetOffset()};
    return true;
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to load the file");
  }
}

template <typename Doc>
bool SaveFile(const std::string& path, const Doc& doc, CDiagnostic* why) {
  // The destructor of CAtomicFile removes the temporary file if we stop here, also when memory ran
  // out (for the write buffers): that is a failed save like any other, not a crash.
  try {
    CAtomicFile file(path);
    if (!file.Open(why)) return false;
    CVexlornArchive archive(file, why);
    doc.Store(archive);
    return archive.Flush() && file.Commit(why);
  } catch (const std::bad_alloc&) {
    return Fail(why, "not enough memory to save " + path);
  }
}

template <typename Doc>
bool SaveBytes(const Doc& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  CVexlornArchive archive(out, why);
  doc.Store(archive);
  return archive.Flush();
}

}  // namespace

bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileWpt& doc, CDiagnostic* why,
                      CCodePage* codePage) {
  return LoadBytes(data, size, doc, why, codePage);
}

bool LoadVexlornBytes(const std::uint8_t* data, std::size_t size, CVexlornFileTrk& doc, CDiagnostic* why,
                      CCodePage* codePage) {
  return LoadBytes(data, size, doc, why, codePage);
}

bool LoadVexlornFile(const std::string& path, CVexlornFileWpt& doc, CDiagnostic* why, CCodePage* codePage,
                     STrailingBytes* trailing) {
  return LoadFile(path, doc, why, codePage, trailing);
}

bool LoadVexlornFile(const std::string& path, CVexlornFileTrk& doc, CDiagnostic* why, CCodePage* codePage,
                     STrailingBytes* trailing) {
  return LoadFile(path, doc, why, codePage, trailing);
}

bool SaveVexlornFile(const std::string& path, const CVexlornFileWpt& doc, CDiagnostic* why) {
  return SaveFile(path, doc, why);
}

bool SaveVexlornFile(const std::string& path, const CVexlornFileTrk& doc, CDiagnostic* why) {
  return SaveFile(path, doc, why);
}

bool SaveVexlornBytes(const CVexlornFileWpt& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  return SaveBytes(doc, out, why);
}

bool SaveVexlornBytes(const CVexlornFileTrk& doc, std::vector<std::uint8_t>& out, CDiagnostic* why) {
  return SaveBytes(doc, out, why);
}
