#include "textcore/composite_check.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <string>

#include "textcore/icu_converters.h"

namespace qoravel::composite_check {
namespace {

bool IsCombiningMark(UChar32 c) { return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0; }

void AppendCodePoint(UChar32 c, std::u16string& out) {
  if (U_IS_BMP(c)) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    out.push_back(static_cast<char16_t>(U16_LEAD(c)));
    out.push_back(static_cast<char16_t>(U16_TRAIL(c)));
  }
}

// Whether code page 936 has the character, rather than giving its substitute "?" for it.
bool GbkHasCharacter(UChar32 c) {
  std::u16string units;
  AppendCodePoint(c, units);
  std::string bytes;
  return icu_converters::AppendEncoded(units, icu_converters::kGbkCodePage, bytes) &&
         (bytes != "?" || c == '?');
}

}  // namespace

std::u16string ComposeForGbk(std::u16string_view units) {
  constexpr std::size_t kNoBase = std::u16string::npos;
  UErrorCode error = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&error);
  std::u16string out;
  out.reserve(units.size());
  std::size_t baseAt = kNoBase;  // where the character that marks may join begins in out
  UChar32 base = 0;
  std::size_t i = 0;
  while (i < units.size()) {
    UChar32 c;
    U16_NEXT(units.data(), i, units.size(), c);
    const bool mark = IsCombiningMark(c);
    if (mark && baseAt != kNoBase && U_SUCCESS(error)) {
      const UChar32 composite = unorm2_composePair(nfc, base, c);
      if (composite >= 0 && GbkHasCharacter(composite)) {
        out.resize(baseAt);
        AppendCodePoint(composite, out);
        base = composite;
        continue;
      }
    }
    baseAt = mark ? kNoBase : out.size();
    base = c;
    AppendCodePoint(c, out);
  }
  return out;
}

}  // namespace qoravel::composite_check
