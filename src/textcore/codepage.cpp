#include "textcore/codepage.h"

#include <bit>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "textcore/ascii_runs.h"
#include "textcore/composite_check.h"
#include "textcore/icu_converters.h"

namespace qoravel {
namespace {

using icu_converters::AppendDecoded;
using icu_converters::AppendEncoded;
using icu_converters::kGbkCodePage;
using icu_converters::kUtf8CodePage;

// A Text ends at its first NUL byte, as the platform reads it.
std::string_view UpToNul(const Text& text) { return std::string_view(text.c_str()); }

// In code page 936 an ASCII byte may be the second byte of a two-byte character.
bool AsciiMayTrail(unsigned codePage) { return codePage != kUtf8CodePage; }

std::optional<std::u16string> Decode(std::string_view bytes, unsigned codePage) {
  std::u16string units;
  units.reserve(bytes.size() + 1);  // room for the zero unit MultiByteToUtf16 adds
  const bool converted =
      icu_converters::IsAsciiCompatible(codePage)
          ? ascii_runs::ConvertByRuns(bytes, AsciiMayTrail(codePage), false, units,
                                      [codePage](std::string_view run, std::u16string& out) {
                                        return AppendDecoded(run, codePage, out);
                                      })
          : AppendDecoded(bytes, codePage, units);
  if (!converted) return std::nullopt;
  return units;
}

bool AppendEncodedChecked(std::u16string_view units, unsigned codePage, bool compositeCheck,
                          std::string& out) {
  if (!compositeCheck) return AppendEncoded(units, codePage, out);
  return AppendEncoded(composite_check::ComposeForGbk(units), codePage, out);
}

std::optional<std::string> Encode(std::u16string_view units, unsigned codePage,
                                  bool compositeCheck) {
  std::string bytes;
  bytes.reserve(units.size());
  const bool converted =
      icu_converters::IsAsciiCompatible(codePage)
          ? ascii_runs::ConvertByRuns(
                units, false, compositeCheck, bytes,
                [codePage, compositeCheck](std::u16string_view run, std::string& out) {
                  return AppendEncodedChecked(run, codePage, compositeCheck, out);
                })
          : AppendEncodedChecked(units, codePage, compositeCheck, bytes);
  if (!converted) return std::nullopt;
  return bytes;
}

// Converts between two ASCII-compatible code pages through UTF-16, stretch by stretch.
Text Transcode(const Text& text, unsigned fromCodePage, unsigned toCodePage) {
  thread_local std::u16string scratch;
  Text out;
  out.reserve(text.size() + text.size() / 2);
  const bool converted =
      ascii_runs::ConvertByRuns(UpToNul(text), AsciiMayTrail(fromCodePage), false, out,
                                [fromCodePage, toCodePage](std::string_view run, Text& target) {
                                  scratch.clear();
                                  return AppendDecoded(run, fromCodePage, scratch) &&
                                         AppendEncoded(scratch, toCodePage, target);
                                });
  // A thread keeps a small scratch buffer between calls, not the largest it ever needed.
  constexpr std::size_t kKeptScratchUnits = 64 * 1024;
  if (scratch.capacity() > kKeptScratchUnits) std::u16string().swap(scratch);
  if (!converted) return {};
  return out;
}

ByteBuffer ToLittleEndianBytes(std::u16string_view units) {
  if constexpr (std::endian::native == std::endian::little) {
    const auto* first = reinterpret_cast<const std::uint8_t*>(units.data());
    return ByteBuffer(first, first + units.size() * 2);
  } else {
    ByteBuffer bytes;
    bytes.reserve(units.size() * 2);
    for (const char16_t unit : units) {
      bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
  }
}

// The whole units of a UTF-16LE buffer up to its first zero unit or its end; an odd last
// byte is not part of any unit.
std::u16string UnitsUpToZero(const ByteBuffer& buffer) {
  const std::size_t count = buffer.size() / 2;
  if (count == 0) return {};
  std::u16string units(count, u'\0');
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(units.data(), buffer.data(), count * 2);
  } else {
    for (std::size_t i = 0; i < count; ++i) {
      units[i] = static_cast<char16_t>(buffer[2 * i] | (buffer[2 * i + 1] << 8));
    }
  }
  const std::size_t zero = units.find(u'\0');
  if (zero != std::u16string::npos) units.resize(zero);
  return units;
}

// The bytes before the first NUL byte, which a code page that is not ASCII-compatible may
// give for a non-zero unit.
Text BeforeFirstNul(std::string bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return bytes;
}

}  // namespace

ByteBuffer MultiByteToUtf16(const Text& text, unsigned codePage) {
  const std::string_view bytes = UpToNul(text);
  if (bytes.empty()) return {};
  std::optional<std::u16string> units = Decode(bytes, codePage);
  if (!units) return {};
  units->push_back(u'\0');
  return ToLittleEndianBytes(*units);
}

Text Utf16ToMultiByte(const ByteBuffer& buffer, unsigned codePage) {
  const std::u16string units = UnitsUpToZero(buffer);
  if (units.empty()) return {};
  std::optional<std::string> bytes = Encode(units, codePage, false);
  if (!bytes) return {};
  return BeforeFirstNul(std::move(*bytes));
}

Text GbkToUtf8(const Text& text) { return Transcode(text, kGbkCodePage, kUtf8CodePage); }

Text Utf8ToGbk(const Text& text) { return Transcode(text, kUtf8CodePage, kGbkCodePage); }

ByteBuffer GbkToUtf16(const Text& text, bool dropTerminator) {
  if (text.empty()) return {};
  ByteBuffer buffer = MultiByteToUtf16(text, kGbkCodePage);
  if (dropTerminator && buffer.size() >= 2) buffer.resize(buffer.size() - 2);
  return buffer;
}

Text Utf16ToGbk(const ByteBuffer& buffer) {
  const std::u16string units = UnitsUpToZero(buffer);
  if (units.empty()) return {};
  std::optional<std::string> bytes = Encode(units, kGbkCodePage, true);
  if (!bytes) return {};
  return BeforeFirstNul(std::move(*bytes));
}

Text operator""_gbk(const char* utf8, std::size_t size) { return Utf8ToGbk(Text(utf8, size)); }

}  // namespace qoravel
