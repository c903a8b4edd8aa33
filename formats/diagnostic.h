// The reason a whole-file operation or a conversion refused its input, kept for the caller to show.
#pragma once

#include <string>
#include <utility>

// Filled only when something fails, so the success path costs nothing. Every operation that can
// explain a refusal takes an optional pointer to one; a null pointer means "no one is asking".
class CDiagnostic {
 public:
  void Set(std::string reason) { m_reason = std::move(reason); }
  void Clear() { m_reason.clear(); }
  const std::string& Reason() const { return m_reason; }
  bool HasReason() const { return !m_reason.empty(); }

 private:
  std::string m_reason;
};

// Records a reason when someone asked for one; always answers false so that callers can write
// `return Fail(why, "...")`.
inline bool Fail(CDiagnostic* why, std::string reason) {
  if (why != nullptr) why->Set(std::move(reason));
  return false;
}
