// Reading a fuzz input: a few control bytes first, then texts separated by NUL bytes (a Text
// never holds one), so that a seed file reads like the data it stands for. Also the check that
// stops a fuzz target with a message when a property fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qoravel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next control byte; 0 once the input is used up.
  std::uint8_t Byte() {
    if (rest_.empty()) return 0;
    const auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
  }

  // The bytes up to the next NUL (which is passed over), or the rest of the input.
  std::string NextText() {
    const std::size_t nul = rest_.find('\0');
    const std::string_view text = rest_.substr(0, nul);
    rest_.remove_prefix(nul == std::string_view::npos ? rest_.size() : nul + 1);
    return std::string(text);
  }

  // Everything not read yet, NUL bytes included.
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

// Dense mode: each byte becomes one of a few characters that make matches, blanks, two-byte
// characters and lone lead bytes common, so the searches meet their edges often.
inline std::string Densify(std::string_view bytes) {
  static constexpr char kAlphabet[] = {'a', 'A', 'b', ' ', ';', '\xA1', '\x81', '\xC4'};
  std::string dense;
  dense.reserve(bytes.size());
  for (const char byte : bytes) dense.push_back(kAlphabet[static_cast<std::uint8_t>(byte) % 8]);
  return dense;
}

// Prints what failed and aborts, which libFuzzer reports as a crash with the input saved.
[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
  std::abort();
}

}  // namespace qoravel::fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? static_cast<void>(0) : ::qoravel::fuzz::Fail(#condition, __FILE__, __LINE__))
