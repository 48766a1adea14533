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
  int Count() const;
  const Text& At(int index) const;
  void Append(const Text& text);
  void Append(Text&& text);  // takes the text over instead of copying it

 private:
  std::vector<Text> items_;
};

int TextLength(const Text& text);
// Joins the parts in order; empty parts add nothing.
template <typename... Parts>
Text TextConcat(const Parts&... parts) {
  Text joined;
  joined.reserve((std::string_view(parts).size() + ... + 0));
  (joined.append(std::string_view(parts)), ...);
  return joined;
}
Text TextLeft(const Text& text, int n);
Text TextRight(const Text& text, int n);
Text TextMid(const Text& text, int start, int n);
int TextFind(const Text& text, const Text& sought, std::optional<int> start = {},
             bool ignoreCase = false);
Text TextReplace(const Text& text, const Text& sought, const Text& replacement = {},
                 std::optional<int> start = {}, std::optional<int> count = {},
                 bool caseSensitive = false);
TextArray TextSplit(const Text& text, const Text& delimiter = ",",
                    std::optional<int> maxPieces = {});
Text TextTrim(const Text& text);
Text TextStripSpaces(const Text& text);
int TextCompare(const Text& a, const Text& b, bool caseSensitive = true);
Text CharFromCode(int code);
Text ByteToHex(std::int32_t value);
Text BlankText(int n);
ByteBuffer TextToBytes(const Text& text);
Text BytesToText(const ByteBuffer& buffer);
int BytesLength(const ByteBuffer& buffer);
ByteBuffer BytesLeft(const ByteBuffer& buffer, int n);
// Joins the buffers in order.
template <typename... Parts>
ByteBuffer BytesConcat(const Parts&... parts) {
  ByteBuffer joined;
  joined.reserve((parts.size() + ... + 0));
  (joined.insert(joined.end(), parts.begin(), parts.end()), ...);
  return joined;
}
ByteBuffer BlankBytes(int n);
ByteBuffer BytesFromPointer(const void* address, int n);

}  // namespace qoravel
