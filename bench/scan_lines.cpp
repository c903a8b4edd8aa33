// The floor under a conversion's reading: one pass over a file in large blocks that checks the
// checksum of every sentence line ("$...*hh"), as a converter must at the least. scripts/bench
// times it beside each conversion. Prints the lines, sentences and bad checksums seen (a binary
// input has lines of chance that look like sentences); exits 2 only when the file cannot be read.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kBlockSize = 1 << 20;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// True when the line is no sentence or its checksum matches.
bool CheckLine(const char* line, std::size_t size, std::size_t& sentences) {
  if (size == 0 || line[0] != '$') return true;
  const char* star = static_cast<const char*>(std::memchr(line, '*', size));
  if (star == nullptr || line + size - star < 3) return true;
  ++sentences;
  std::uint8_t sum = 0;
  for (const char* p = line + 1; p < star; ++p) sum ^= static_cast<std::uint8_t>(*p);
  return HexDigit(star[1]) * 16 + HexDigit(star[2]) == sum;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: transvane_scan FILE\n");
    return 2;
  }
  const int fd = ::open(argv[1], O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    std::perror(argv[1]);
    return 2;
  }
  // Room for a block and the unfinished line carried over from the one before.
  std::size_t capacity = 2 * kBlockSize;
  auto buffer = std::make_unique_for_overwrite<char[]>(capacity);
  std::size_t kept = 0;
  std::size_t lines = 0, sentences = 0, bad = 0;
  for (;;) {
    if (capacity - kept < kBlockSize) {
      auto larger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::memcpy(larger.get(), buffer.get(), kept);
      buffer = std::move(larger);
      capacity *= 2;
    }
    const ssize_t got = ::read(fd, buffer.get() + kept, kBlockSize);
    if (got < 0) {
      std::perror(argv[1]);
      return 2;
    }
    const std::size_t end = kept + static_cast<std::size_t>(got);
    std::size_t start = 0;
    for (;;) {
      const char* lf = static_cast<const char*>(std::memchr(buffer.get() + start, '\n', end - start));
      if (lf == nullptr) break;
      const std::size_t next = static_cast<std::size_t>(lf - buffer.get()) + 1;
      if (!CheckLine(buffer.get() + start, next - start, sentences)) ++bad;
      ++lines;
      start = next;
    }
    if (got == 0) {
      if (start < end) {
        if (!CheckLine(buffer.get() + start, end - start, sentences)) ++bad;
        ++lines;
      }
      break;
    }
    kept = end - start;
    std::memmove(buffer.get(), buffer.get() + start, kept);
  }
  ::close(fd);
  std::printf("%zu lines, %zu sentences, %zu bad checksums\n", lines, sentences, bad);
  return 0;
}
