// The reason a whole-file operation or a conversion refused its input, kept for the caller to show.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// What was refused (the rule) and where, as separate parts: the line (and column) of a text file or
// the byte offset of a binary one, each set by the layer that knows it. Reason() puts them together
// in one place: "line 3: rule", "line 3, column 5: rule", "rule at offset 40". Filled only when
// something fails, so the success path costs nothing; every operation that can explain a refusal
// takes an optional pointer to one, and a null pointer means "no one is asking".
class CDiagnostic {
 public:
  // A new rule; the place of an earlier one is forgotten.
  void Set(std::string rule) {
    m_rule = std::move(rule);
    m_line = m_column = 0;
    m_offset = kNoOffset;
  }
  // 1-based; 0 means not known.
  void SetLine(std::uint64_t line) { m_line = line; }
  void SetLineAndColumn(std::uint64_t line, std::uint64_t column) {
    m_line = line;
    m_column = column;
  }
  void SetOffset(std::uint64_t offset) { m_offset = offset; }
  void Clear() { Set({}); }

  const std::string& Rule() const { return m_rule; }
  std::uint64_t Line() const { return m_line; }
  std::uint64_t Column() const { return m_column; }
  bool HasOffset() const { return m_offset != kNoOffset; }
  std::uint64_t Offset() const { return m_offset; }
  bool HasReason() const { return !m_rule.empty(); }
  // The rule with its place, as the user reads it.
  std::string Reason() const {
    std::string reason;
    if (m_line != 0) {
      reason = "line " + std::to_string(m_line);
      if (m_column != 0) reason += ", column " + std::to_string(m_column);
      reason += ": ";
    }
    reason += m_rule;
    if (HasOffset()) reason += " at offset " + std::to_string(m_offset);
    return reason;
  }

 private:
  static constexpr std::uint64_t kNoOffset = ~std::uint64_t{0};

  std::string m_rule;
  std::uint64_t m_line = 0;
  std::uint64_t m_column = 0;
  std::uint64_t m_offset = kNoOffset;
};

// Records a rule when someone asked for one; always answers false so that callers can write
// `return Fail(why, "...")`.
inline bool Fail(CDiagnostic* why, std::string rule) {
  if (why != nullptr) why->Set(std::move(rule));
  return false;
}

// The same with its place.
inline bool FailAtLine(CDiagnostic* why, std::uint64_t line, std::string rule) {
  if (why != nullptr) {
    why->Set(std::move(rule));
    why->SetLine(line);
  }
  return false;
}

inline bool FailAtOffset(CDiagnostic* why, std::uint64_t offset, std::string rule) {
  if (why != nullptr) {
    why->Set(std::move(rule));
    why->SetOffset(offset);
  }
  return false;
}

// Gives a rule that a lower layer set (a sentence's) the line where it was found.
inline bool FailedAtLine(CDiagnostic* why, std::uint64_t line) {
  if (why != nullptr) why->SetLine(line);
  return false;
}
