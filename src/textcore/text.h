// Text, byte-buffer and text-array primitives over code page 936 byte text.
// Positions are 1-based bytes, a failed search gives -1, searches step over two-byte characters.
// No shared state: every function may run on any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qoravel {

using Text = std::string;  // code page 936 bytes, never a NUL byte
using ByteBuffer = std::vector<std::uint8_t>;

// An ordered list of texts addressed 1..Count(); any other index stops the program.
class TextArray {
 public:
  [[nodiscard]] int Count() const;
  [[nodiscard]] const Text& At(int index) const;
  void Append(const Text& text);
  void Append(Text&& text);  // takes the text over instead of copying it

 private:
  std::vector<Text> items_;
};

[[nodiscard]] int TextLength(const Text& text);
// Joins the parts in order; empty parts add nothing.
template <typename... Parts>
[[nodiscard]] Text TextConcat(const Parts&... parts) {
  Text joined;
  joined.reserve((std::string_view(parts).size() + ... + 0));
  (joined.append(std::string_view(parts)), ...);
  return joined;
}
[[nodiscard]] Text TextLeft(const Text& text, int n);
[[nodiscard]] Text TextRight(const Text& text, int n);
[[nodiscard]] Text TextMid(const Text& text, int start, int n);
[[nodiscard]] int TextFind(const Text& text, const Text& sought, std::optional<int> start = {},
                           bool ignoreCase = false);
[[nodiscard]] Text TextReplace(const Text& text, const Text& sought, const Text& replacement = {},
                               std::optional<int> start = {}, std::optional<int> count = {},
                               bool caseSensitive = false);
[[nodiscard]] TextArray TextSplit(const Text& text, const Text& delimiter = ",",
                                  std::optional<int> maxPieces = {});
[[nodiscard]] Text TextTrim(const Text& text);
[[nodiscard]] Text TextStripSpaces(const Text& text);
[[nodiscard]] int TextCompare(const Text& a, const Text& b, bool caseSensitive = true);
[[nodiscard]] Text CharFromCode(int code);
[[nodiscard]] Text ByteToHex(std::int32_t value);
[[nodiscard]] Text BlankText(int n);
[[nodiscard]] ByteBuffer TextToBytes(const Text& text);
[[nodiscard]] Text BytesToText(const ByteBuffer& buffer);
[[nodiscard]] int BytesLength(const ByteBuffer& buffer);
[[nodiscard]] ByteBuffer BytesLeft(const ByteBuffer& buffer, int n);
// Joins the buffers in order.
template <typename... Parts>
[[nodiscard]] ByteBuffer BytesConcat(const Parts&... parts) {
  ByteBuffer joined;
  joined.reserve((parts.size() + ... + 0));
  (joined.insert(joined.end(), parts.begin(), parts.end()), ...);
  return joined;
}
[[nodiscard]] ByteBuffer BlankBytes(int n);
[[nodiscard]] ByteBuffer BytesFromPointer(const void* address, int n);

}  // namespace qoravel
