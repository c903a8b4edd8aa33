// The job's table of files to produce: target path to source path.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

// Keeps the order in which pairs were set, so that the jobs visit them (and report on them) in
// the order of the rows the user saw. Targets are compared with case; setting a target that is
// already present replaces its source in place.
class CFilePairs {
 public:
  struct SPair {
    std::string target;
    std::string source;
    // Which of the source's parts of the target's kind the target holds, counted from 0: a GPX
    // file gives one track log per track. 0 for every other source.
    int part = 0;
  };

  void Set(const std::string& target, const std::string& source, int part = 0) {
    const auto found = m_index.find(target);
    if (found != m_index.end()) {
      m_pairs[found->second].source = source;
      m_pairs[found->second].part = part;
      return;
    }
    m_index.emplace(target, m_pairs.size());
    m_pairs.push_back({target, source, part});
  }
  void Clear() {
    m_pairs.clear();
    m_index.clear();
  }
  std::size_t Count() const { return m_pairs.size(); }
  bool Empty() const { return m_pairs.empty(); }
  const SPair& operator[](std::size_t i) const { return m_pairs[i]; }
  std::vector<SPair>::const_iterator begin() const { return m_pairs.begin(); }
  std::vector<SPair>::const_iterator end() const { return m_pairs.end(); }

 private:
  std::vector<SPair> m_pairs;
  std::unordered_map<std::string, std::size_t> m_index;
};
