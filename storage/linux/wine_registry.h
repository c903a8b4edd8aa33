// Reading the registry files that Wine keeps in a prefix (system.reg, user.reg).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One registry branch as Wine saves it: "[Software\\Vendor\\Key] 1700000000" section headers
// relative to the branch's root, then value lines "Name"="text", @=..., str(2):"...",
// dword:..., hex(N):..,.. with "\" line continuations. Any text is accepted: lines that cannot
// be read are skipped, never guessed at. Key and value names are compared without regard to
// letter case (ASCII letters), as the registry does. Wine writes keys sorted, so the order in
// which subkeys first appear in the file is their index order.
class CWineRegistryFile {
 public:
  // False when the file cannot be read; the branch is then empty.
  bool Load(const std::string& path);
  void Parse(std::string_view text);

  // Whether the key exists: named by a section or lying above one.
  bool HasKey(const std::string& keyPath) const;
  // The names of the key's direct subkeys, in index order.
  std::vector<std::string> SubkeyNames(const std::string& keyPath) const;
  // A string value (REG_SZ or REG_EXPAND_SZ, written as text or as hex), as UTF-8, up to its
  // first NUL. Expand strings are not expanded, as the registry's plain query does not.
  bool QueryString(const std::string& keyPath, const std::string& valueName, std::string& value) const;

 private:
  struct SValue {
    std::string foldedName;
    unsigned type = 0;
    bool hex = false;  // data holds raw bytes (UTF-16LE for strings) rather than decoded text
    std::string data;
  };
  struct SKey {
    std::string foldedPath;
    std::vector<std::string> names;  // the path's elements as written
    std::vector<SValue> values;
  };

  std::size_t KeyFor(const std::vector<std::string>& names);

  std::vector<SKey> m_keys;
  std::unordered_map<std::string, std::size_t> m_index;  // folded path → m_keys
};
