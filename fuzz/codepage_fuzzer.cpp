// The code-page conversions over arbitrary bytes, read as code page 936, as UTF-8 and as UTF-16:
// each result equals converting the whole input in one ICU call (the conversions work stretch by
// stretch), valid code page 936 text survives every round trip, and every input is handed over
// in a heap block of its exact size so that a read past its end is caught.
// Input: one byte choosing an extra code page, then the bytes.
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utf16.h>

#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "textcore/codepage.h"

namespace {

using qoravel::ByteBuffer;
using qoravel::Text;

// Code pages beyond 936 and UTF-8, for paths that only have to stay safe: Windows tables, stateful
// and wide encodings the conversions refuse, and numbers no converter has.
constexpr unsigned kOtherCodePages[] = {0,     1252,  950,   932,  949,   437, 20127,
                                        50220, 65000, 54936, 1200, 12000, 1,   999999};

UConverter* Converter(const char* name) {
  UErrorCode error = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(name, &error);
  if (U_FAILURE(error)) std::abort();
  return converter;
}

UConverter* Gbk() {
  static UConverter* const converter = Converter("windows-936-2000");
  return converter;
}

UConverter* Utf8() {
  static UConverter* const converter = Converter("UTF-8");
  return converter;
}

// The whole input through one converter call, as the platform converts it.
std::u16string WholeDecode(UConverter* converter, std::string_view bytes) {
  UErrorCode error = U_ZERO_ERROR;
  const int32_t size = ucnv_toUChars(converter, nullptr, 0, bytes.data(),
                                     static_cast<int32_t>(bytes.size()), &error);
  std::u16string units(static_cast<std::size_t>(size), u'\0');
  error = U_ZERO_ERROR;
  ucnv_toUChars(converter, units.data(), size + 1, bytes.data(), static_cast<int32_t>(bytes.size()),
                &error);
  if (U_FAILURE(error)) std::abort();
  return units;
}

std::string WholeEncode(UConverter* converter, std::u16string_view units) {
  UErrorCode error = U_ZERO_ERROR;
  const int32_t size = ucnv_fromUChars(converter, nullptr, 0, units.data(),
                                       static_cast<int32_t>(units.size()), &error);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  error = U_ZERO_ERROR;
  ucnv_fromUChars(converter, bytes.data(), size + 1, units.data(),
                  static_cast<int32_t>(units.size()), &error);
  if (U_FAILURE(error)) std::abort();
  return bytes;
}

ByteBuffer LittleEndian(std::u16string_view units, bool terminator) {
  ByteBuffer bytes;
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  if (terminator) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

std::u16string UnitsUpToZero(std::string_view bytes) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                            static_cast<std::uint8_t>(bytes[i + 1]) << 8);
    if (unit == 0) break;
    units.push_back(unit);
  }
  return units;
}

std::string BeforeNul(std::string bytes) { return bytes.substr(0, bytes.find('\0')); }

bool HasCombiningMark(std::u16string_view units) {
  for (std::size_t i = 0; i < units.size();) {
    UChar32 c;
    U16_NEXT(units.data(), i, units.size(), c);
    if ((U_GET_GC_MASK(c) & U_GC_M_MASK) != 0) return true;
  }
  return false;
}

// A Text in a heap block of its own: past 15 bytes the string's buffer is exactly size + 1 bytes,
// shorter ones sit in the object's own buffer, at the end of the object's block.
std::unique_ptr<const Text> HeapText(std::string_view bytes) {
  return std::make_unique<const Text>(bytes.data(), bytes.size());
}

ByteBuffer ExactBuffer(std::string_view bytes) {
  return ByteBuffer(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                    reinterpret_cast<const std::uint8_t*>(bytes.data()) + bytes.size());
}

// Code page 936 characters that read back as themselves, one by one: ASCII and two-byte
// characters that are not combining marks (a mark may join the character before it).
const std::vector<std::string>& RoundTripCharacters() {
  static const std::vector<std::string> characters = [] {
    std::vector<std::string> found;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        if (trail == 0x7F) continue;
        const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
        const std::u16string units = WholeDecode(Gbk(), pair);
        if (units.size() != 1 || units[0] == 0xFFFD || HasCombiningMark(units)) continue;
        if (WholeEncode(Gbk(), units) == pair) found.push_back(pair);
      }
    }
    return found;
  }();
  return characters;
}

// Valid code page 936 text made from the input: bytes 01-7F stay ASCII, a byte of 80 or above
// and the byte after it pick a two-byte character.
Text ValidGbk(std::string_view bytes) {
  const std::vector<std::string>& characters = RoundTripCharacters();
  Text text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(bytes[i]);
    if (byte == 0) continue;
    if (byte < 0x80) {
      text.push_back(static_cast<char>(byte));
      continue;
    }
    const std::size_t next = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[++i]) : 0;
    text += characters[((byte - 0x80u) << 8 | next) % characters.size()];
  }
  return text;
}

void CheckGbkInput(std::string_view bytes) {
  const auto text = HeapText(bytes);
  const std::u16string units = WholeDecode(Gbk(), bytes);
  FUZZ_CHECK(qoravel::GbkToUtf8(*text) == WholeEncode(Utf8(), units));
  const ByteBuffer wide = qoravel::GbkToUtf16(*text);
  FUZZ_CHECK(wide == (bytes.empty() ? ByteBuffer() : LittleEndian(units, true)));
  FUZZ_CHECK(qoravel::MultiByteToUtf16(*text, 936) == wide);
  FUZZ_CHECK(qoravel::GbkToUtf16(*text, true) == LittleEndian(units, false));
}

void CheckUtf8Input(std::string_view bytes) {
  const auto text = HeapText(bytes);
  const std::u16string units = WholeDecode(Utf8(), bytes);
  FUZZ_CHECK(qoravel::Utf8ToGbk(*text) == WholeEncode(Gbk(), units));
  FUZZ_CHECK(qoravel::MultiByteToUtf16(*text) ==
             (bytes.empty() ? ByteBuffer() : LittleEndian(units, true)));
}

void CheckUtf16Input(std::string_view bytes) {
  const ByteBuffer buffer = ExactBuffer(bytes);
  const std::u16string units = UnitsUpToZero(bytes);
  const Text gbk = BeforeNul(WholeEncode(Gbk(), units));
  FUZZ_CHECK(qoravel::Utf16ToMultiByte(buffer, 936) == gbk);
  FUZZ_CHECK(qoravel::Utf16ToMultiByte(buffer, 0) == gbk);
  FUZZ_CHECK(qoravel::Utf16ToMultiByte(buffer, 65001) == BeforeNul(WholeEncode(Utf8(), units)));
  const Text composed = qoravel::Utf16ToGbk(buffer);
  if (!HasCombiningMark(units)) FUZZ_CHECK(composed == gbk);
}

void CheckRoundTrips(std::string_view bytes) {
  const Text valid = ValidGbk(bytes);
  const auto text = HeapText(valid);
  const Text utf8 = qoravel::GbkToUtf8(*text);
  FUZZ_CHECK(qoravel::Utf8ToGbk(*HeapText(utf8)) == valid);
  FUZZ_CHECK(qoravel::Utf16ToGbk(qoravel::GbkToUtf16(*text)) == valid);
  FUZZ_CHECK(qoravel::Utf16ToMultiByte(qoravel::MultiByteToUtf16(*text, 936), 936) == valid);
  FUZZ_CHECK(qoravel::Utf16ToMultiByte(qoravel::MultiByteToUtf16(*HeapText(utf8)), 0) == valid);
}

// Other code pages: any result will do, as long as nothing is read out of bounds.
void CheckOtherCodePage(unsigned codePage, std::string_view bytes) {
  const ByteBuffer wide = qoravel::MultiByteToUtf16(*HeapText(bytes), codePage);
  FUZZ_CHECK(wide.size() % 2 == 0);
  (void)qoravel::Utf16ToMultiByte(ExactBuffer(bytes), codePage);
  (void)qoravel::Utf16ToMultiByte(wide, codePage);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  (void)RoundTripCharacters();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qoravel::fuzz::FuzzInput input(data, size);
  const unsigned otherCodePage = kOtherCodePages[input.Byte() % std::size(kOtherCodePages)];
  const std::string_view bytes = input.Rest();
  const std::string_view text = bytes.substr(0, bytes.find('\0'));  // a Text ends at a NUL
  CheckGbkInput(text);
  CheckUtf8Input(text);
  CheckUtf16Input(bytes);
  CheckRoundTrips(bytes);
  CheckOtherCodePage(otherCodePage, text);
  return 0;
}
