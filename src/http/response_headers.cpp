#include "http/response_headers.h"

#include "http/cookies.h"
#include "http/message_pump.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr int kStatusStart = 10;  // first byte after an eight-byte version such as "HTTP/1.1 "

Text StatusTextOf(const Text& headers) {
  int lineEnd = TextFind(headers, "\r\n", kStatusStart);
  return TextMid(headers, kStatusStart, lineEnd - kStatusStart);
}

Text CookieEntryOf(const Text& line) {
  Text entry = TextFind(line, ";") != -1
                   ? TextBetween(line, "Set-Cookie:", ";")
                   : TextReplace(line, "Set-Cookie:", {}, std::nullopt, std::nullopt, false);
  return TextTrim(entry);
}

}  // namespace

void ScanResponseHeaders(const ByteBuffer& headerBlock, Text& statusText, Text& responseHeaders,
                         Text& newCookies, Text& location, Text& cookies, bool cookiesSupplied) {
  responseHeaders = Utf16ToGbk(headerBlock);
  statusText = StatusTextOf(responseHeaders);
  responseHeaders =
      TextReplace(responseHeaders, "Set-Cookie", "Set-Cookie", std::nullopt, std::nullopt, false);
  TextArray lines = TextSplit(responseHeaders, "\r\n");
  for (int i = 1; i <= lines.Count(); ++i) {
    const Text& line = lines.At(i);
    if (TextFind(line, "Set-Cookie") != -1) {
      newCookies.append(CookieEntryOf(line)).append("; ");
    }
    if (TextCompare(TextLeft(line, 10), "Location: ", false) == 0) {
      location = TextMid(line, 11, TextLength(line) - 10);
    }
    RunMessagePump();
  }
  newCookies = TextLeft(newCookies, TextLength(newCookies) - 2);
  if (cookiesSupplied) (void)MergeCookies(cookies, newCookies);
}

Text TextBetween(const Text& text, const Text& left, const Text& right, int start,
                 bool ignoreCase) {
  const Text quoteToken = "#引号"_gbk;
  Text leftMarker = TextReplace(left, quoteToken, "\"", std::nullopt, std::nullopt, true);
  Text rightMarker = TextReplace(right, quoteToken, "\"", std::nullopt, std::nullopt, true);
  int a = TextFind(text, leftMarker, start, ignoreCase);
  if (a != -1) a += TextLength(leftMarker);
  int b = TextFind(text, rightMarker, a, ignoreCase);
  if (a == -1 || b == -1) return {};
  return TextMid(text, a, b - a);
}

}  // namespace qoravel
