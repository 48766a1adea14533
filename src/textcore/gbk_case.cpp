#include "textcore/gbk_case.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <array>
#include <memory>
#include <string>

#include "textcore/icu_converters.h"

namespace qoravel::gbk_case {
namespace {

using icu_converters::kGbkCodePage;

constexpr int kLeadBytes = 0x80;  // lead bytes 0x80-0xFF

// The upper-case form of one two-byte character: its Unicode character, upper-cased, back in
// code page 936 when it is a two-byte character there that reads back as the same character.
std::uint16_t ComputeUpper(std::uint8_t lead, std::uint8_t trail) {
  const std::uint16_t self = static_cast<std::uint16_t>(lead << 8 | trail);
  const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
  std::u16string decoded;
  if (!icu_converters::AppendDecoded({bytes, 2}, kGbkCodePage, decoded) || decoded.size() != 1) {
    return self;
  }
  const char16_t upper = static_cast<char16_t>(u_toupper(decoded[0]));
  if (upper == decoded[0] || U16_IS_SURROGATE(upper)) return self;
  std::string encoded;
  if (!icu_converters::AppendEncoded(std::u16string(1, upper), kGbkCodePage, encoded) ||
      encoded.size() != 2) {
    return self;
  }
  std::u16string back;
  if (!icu_converters::AppendDecoded(encoded, kGbkCodePage, back) ||
      back != std::u16string(1, upper)) {
    return self;
  }
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(encoded[0]) << 8 |
                                    static_cast<std::uint8_t>(encoded[1]));
}

using UpperTable = std::array<std::uint16_t, kLeadBytes * 256>;

std::unique_ptr<UpperTable> BuildTable() {
  auto table = std::make_unique<UpperTable>();
  for (int lead = 0x80; lead <= 0xFF; ++lead) {
    for (int trail = 0; trail <= 0xFF; ++trail) {
      (*table)[(lead - 0x80) * 256 + trail] =
          ComputeUpper(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
    }
  }
  return table;
}

}  // namespace

std::uint16_t UpperTwoByte(std::uint8_t lead, std::uint8_t trail) {
  if (lead < 0x80) return static_cast<std::uint16_t>(lead << 8 | trail);
  static const std::unique_ptr<UpperTable> table = BuildTable();
  return (*table)[(lead - 0x80) * 256 + trail];
}

}  // namespace qoravel::gbk_case
