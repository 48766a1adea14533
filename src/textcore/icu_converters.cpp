#include "textcore/icu_converters.h"

#include <unicode/ucnv.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qoravel::icu_converters {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// The UTF-16 and UTF-32 code page numbers: the platform converts only multibyte code pages.
bool IsWideCodePage(unsigned codePage) {
  return codePage == 1200 || codePage == 1201 || codePage == 12000 || codePage == 12001;
}

// ICU's names to try for a Windows code page number, best first.
std::vector<std::string> IcuNames(unsigned codePage) {
  switch (codePage) {
    case kAnsiCodePage:
    case kGbkCodePage:
      return {"windows-936-2000"};  // the exact Microsoft table: 0x80 is the euro sign
    case kUtf8CodePage:
      return {"UTF-8"};
    default:
      if (IsWideCodePage(codePage)) return {};
      return {"windows-" + std::to_string(codePage), "cp" + std::to_string(codePage)};
  }
}

// The converters of one thread, opened on first use. A code page ICU does not know is
// remembered as a null handle so that it is not looked up again.
class ThreadConverters {
 public:
  UConverter* For(unsigned codePage) {
    if (codePage == kAnsiCodePage) codePage = kGbkCodePage;
    auto found = converters_.find(codePage);
    if (found == converters_.end()) {
      found = converters_.emplace(codePage, Open(codePage)).first;
    }
    return found->second.get();
  }

 private:
  static ConverterHandle Open(unsigned codePage) {
    for (const std::string& name : IcuNames(codePage)) {
      UErrorCode error = U_ZERO_ERROR;
      ConverterHandle converter(ucnv_open(name.c_str(), &error));
      if (U_SUCCESS(error)) return converter;
    }
    return nullptr;
  }

  std::map<unsigned, ConverterHandle> converters_;
};

UConverter* ConverterFor(unsigned codePage) {
  thread_local ThreadConverters converters;
  return converters.For(codePage);
}

}  // namespace

bool IsAsciiCompatible(unsigned codePage) {
  return codePage == kAnsiCodePage || codePage == kGbkCodePage || codePage == kUtf8CodePage;
}

namespace {

// Runs one ICU conversion (ucnv_toUnicode or ucnv_fromUnicode) of the whole source, appending to
// out and growing it until the converter stops asking for room. On failure out is left as it was.
template <typename Source, typename Target, typename Convert>
bool AppendConverted(UConverter* converter, std::basic_string_view<Source> input, std::size_t room,
                     std::basic_string<Target>& out, Convert convert) {
  const std::size_t start = out.size();
  std::size_t written = start;
  out.resize(start + room);
  const Source* source = input.data();
  const Source* sourceEnd = source + input.size();
  for (;;) {
    Target* target = out.data() + written;
    UErrorCode error = U_ZERO_ERROR;
    convert(converter, &target, out.data() + out.size(), &source, sourceEnd, nullptr,
            /*flush=*/true, &error);
    written = static_cast<std::size_t>(target - out.data());
    if (error == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(out.size() * 2 + 16);
      continue;
    }
    if (U_FAILURE(error)) {
      out.resize(start);
      return false;
    }
    out.resize(written);
    return true;
  }
}

}  // namespace

bool AppendDecoded(std::string_view bytes, unsigned codePage, std::u16string& out) {
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr) return false;
  ucnv_resetToUnicode(converter);
  // One unit per byte is enough for every code page met here; the loop grows it otherwise.
  return AppendConverted(converter, bytes, bytes.size() + 1, out, ucnv_toUnicode);
}

bool AppendEncoded(std::u16string_view units, unsigned codePage, std::string& out) {
  UConverter* converter = ConverterFor(codePage);
  if (converter == nullptr) return false;
  ucnv_resetFromUnicode(converter);
  // Three bytes per unit covers UTF-8 and every double-byte code page.
  return AppendConverted(converter, units, units.size() * 3 + 4, out, ucnv_fromUnicode);
}

}  // namespace qoravel::icu_converters
