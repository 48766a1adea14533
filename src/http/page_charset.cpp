#include "http/page_charset.h"

#include <unicode/ucnv.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>

#include "http/message_pump.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

const Text kMetaCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";
constexpr int kSearchedBytes = 1024;  // a declaration further into the page is not looked for

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

std::optional<std::u16string> ToUnits(UConverter* converter, std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size());
  const char* source = bytes.data();
  const char* sourceLimit = source + bytes.size();
  char16_t chunk[16384];
  UErrorCode status;
  do {
    status = U_ZERO_ERROR;
    UChar* target = chunk;
    ucnv_toUnicode(converter, &target, chunk + std::size(chunk), &source, sourceLimit, nullptr,
                   true, &status);
    units.append(chunk, static_cast<size_t>(target - chunk));
  } while (status == U_BUFFER_OVERFLOW_ERROR);
  if (U_FAILURE(status)) return std::nullopt;
  return units;
}

ByteBuffer LittleEndianBytes(std::u16string_view units) {
  ByteBuffer bytes(units.size() * 2);
  if (bytes.empty()) return bytes;  // an empty vector's data() may be null, even for memcpy of 0
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes.data(), units.data(), bytes.size());
  } else {
    for (size_t i = 0; i < units.size(); ++i) {
      bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
  }
  return bytes;
}

}  // namespace

Text DecodeCharset(std::string_view bytes, const Text& charset) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterHandle converter(ucnv_open(charset.c_str(), &status));
  if (U_FAILURE(status) || !converter) return {};
  std::optional<std::u16string> units = ToUnits(converter.get(), bytes);
  if (!units) return {};
  std::u16string_view text = *units;
  if (!text.empty() && text.front() == u'\uFEFF') text.remove_prefix(1);
  return Utf16ToGbk(LittleEndianBytes(text));
}

void ConvertPageCharset(RegexObject& regex, Text& pageText, std::string_view body) {
  if (!regex.CompileAndExecute(kMetaCharsetPattern, TextLeft(pageText, kSearchedBytes))) return;
  Text charset = regex.SubMatchText(1, 1);
  if (TextLength(charset) > 0 && TextCompare(charset, "gbk") != 0 &&
      TextCompare(charset, "gb2312") != 0) {
    pageText = DecodeCharset(body, charset);
  }
  RunMessagePump();
}

}  // namespace qoravel
