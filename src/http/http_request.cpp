#include "http/http_request.h"

#include <optional>
#include <string_view>

#include "http/http_transport.h"
#include "http/message_pump.h"
#include "http/page_charset.h"
#include "http/response_headers.h"
#include "regex/regex_object.h"
#include "textcore/codepage.h"

namespace qoravel {
namespace {

constexpr int kDefaultTimeoutSeconds = 30;

// The default request header lines, in the order they are added; a key found anywhere in the
// block (not only at a line start) keeps its line out.
struct DefaultHeader {
  const char* key;
  std::optional<int> start;
  bool ignoreCase;
  const char* line;
};
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ", 1, true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", 1, true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", 1, true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", 1, true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", std::nullopt, false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", std::nullopt, true, "Cache-Control: no-cache\r\n"},
};

Text VerbOf(int method) {
  switch (method) {
    case 1:
      return "POST";
    case 2:
      return "HEAD";
    case 3:
      return "PUT";
    default:
      return "GET";
  }
}

// One call's working state; nothing here is shared with any other call, nested ones included.
class RequestCall {
 public:
  RequestCall(const Text& requestUrl, const HttpRequestOptions& options)
      : requestUrl_(requestUrl), options_(options) {}
  Text Run();

 private:
  enum class Step {
    kPlatform,
    kAddress,
    kSession,
    kConnection,
    kRequest,
    kTimeouts,
    kCredentials,
    kCookies,
    kRedirects,
    kHeaders,
    kSend,
    kReceive
  };
  static const Text& FailureText(Step step);

  void Enter() { ++enteredStages_; }
  Text Fail(Step step);                 // ending A: messages processed while unwinding
  Text FailWithoutMessages(Step step);  // ending B (and step 1)
  Text Respond(bool readFailed);
  void Unwind();

  const Text& requestUrl_;
  const HttpRequestOptions& options_;
  RegexObject regex_;  // set up before the platform check, gone with the call on every path
  std::optional<HttpTransport> transport_{std::in_place};
  int enteredStages_ =
      0;  // address, session, connection, request, time-outs, headers, send, receive
};

const Text& RequestCall::FailureText(Step step) {
  static const Text kTexts[] = {
      "700 当前系统不支持WinHttp服务!"_gbk,
      "701 解析URL地址失败!"_gbk,
      "702 创建WinHttp会话失败!"_gbk,
      "703 创建WinHttp连接失败!"_gbk,
      "704 创建WinHttp请求失败!"_gbk,
      "705 设置超时时间失败!"_gbk,
      "707 设置代理凭证失败!"_gbk,
      "708 禁止自动设置Cookies失败!"_gbk,
      "709 重定向设置失败!"_gbk,
      "710 设置协议头失败!"_gbk,
      "711 发送请求失败!"_gbk,
      "712 服务器未响应!"_gbk,
  };
  return kTexts[static_cast<int>(step)];
}

const Text& ReadFailureText() {
  static const Text kText = "713 读取数据失败!"_gbk;
  return kText;
}

Text BuildHeaderBlock(const Text& extraHeaders, const Text* cookies) {
  Text block = TextLength(extraHeaders) > 0 ? TextConcat(extraHeaders, "\r\n") : Text();
  for (const DefaultHeader& header : kDefaultHeaders) {
    if (TextFind(block, header.key, header.start, header.ignoreCase) == -1) block += header.line;
  }
  if (TextFind(block, "Cookie: ", std::nullopt, true) == -1 && cookies != nullptr &&
      TextLength(*cookies) > 0) {
    block = TextConcat(block, "Cookie: ", *cookies, "\r\n");
  }
  return block;
}

Text RequestCall::Fail(Step step) {
  if (options_.statusText != nullptr) *options_.statusText = FailureText(step);
  Unwind();
  return {};
}

Text RequestCall::FailWithoutMessages(Step step) {
  if (options_.statusText != nullptr) *options_.statusText = FailureText(step);
  return {};
}

// Closes the handles, then lets messages through once per stage that was entered.
void RequestCall::Unwind() {
  transport_.reset();
  for (int i = 0; i < enteredStages_; ++i) RunMessagePump();
}

Text RequestCall::Run() {
  const HttpRequestOptions& o = options_;
  if (!HttpTransport::PlatformAvailable()) return FailWithoutMessages(Step::kPlatform);
  Enter();
  std::optional<AddressParts> address = HttpTransport::ParseAddress(requestUrl_);
  if (!address) return Fail(Step::kAddress);
  // Without a path the query goes too: such an address asks for "/".
  Text objectName =
      TextLength(address->path) < 1 ? Text("/") : TextConcat(address->path, address->extraInfo);
  Enter();
  if (!transport_->OpenSession(o.proxy)) return Fail(Step::kSession);
  Enter();
  if (!transport_->Connect(address->host, address->port, address->secure)) {
    return Fail(Step::kConnection);
  }
  Enter();
  if (!transport_->OpenRequest(VerbOf(o.method), objectName)) return Fail(Step::kRequest);
  Enter();
  int seconds = o.timeoutSeconds > 0 ? o.timeoutSeconds : kDefaultTimeoutSeconds;
  if (!transport_->SetTimeouts(seconds)) return Fail(Step::kTimeouts);
  if (TextLength(o.serverUser) > 0 && TextLength(o.serverPassword) > 0 &&
      !transport_->SetServerCredentials(o.serverUser, o.serverPassword)) {
    return FailWithoutMessages(Step::kCredentials);
  }
  if (TextLength(o.proxyUser) > 0 && TextLength(o.proxyPassword) > 0 &&
      !transport_->SetProxyCredentials(o.proxyUser, o.proxyPassword)) {
    return FailWithoutMessages(Step::kCredentials);
  }
  if (!transport_->SetCookieHandling(o.cookies != nullptr)) {
    return FailWithoutMessages(Step::kCookies);
  }
  if (o.noRedirect && !transport_->DisableRedirects()) {
    return FailWithoutMessages(Step::kRedirects);
  }
  Enter();
  if (!transport_->AddRequestHeaders(BuildHeaderBlock(o.extraHeaders, o.cookies))) {
    return Fail(Step::kHeaders);
  }
  Enter();
  HttpTransport::Outcome outcome = transport_->Send(o.postData);
  if (outcome == HttpTransport::Outcome::kSendFailed) return Fail(Step::kSend);
  Enter();
  if (outcome == HttpTransport::Outcome::kNoResponse) return Fail(Step::kReceive);
  return Respond(outcome == HttpTransport::Outcome::kReadFailed);
}

// The response phase: header scan, body, charset, then the unwinding of a complete exchange.
Text RequestCall::Respond(bool readFailed) {
  const HttpRequestOptions& o = options_;
  std::string rawHeaders = transport_->TakeHeaderBlock();
  std::string body = transport_->TakeBody();

  Text statusScratch, headersScratch, cookiesScratch, locationScratch, noCookies;
  Text& statusText = o.statusText != nullptr ? *o.statusText : statusScratch;
  Text& newCookies = o.newCookies != nullptr ? *o.newCookies : cookiesScratch;
  ScanResponseHeaders(GbkToUtf16(Text(rawHeaders.c_str()), true), statusText,
                      o.responseHeaders != nullptr ? *o.responseHeaders : headersScratch,
                      newCookies, o.location != nullptr ? *o.location : locationScratch,
                      o.cookies != nullptr ? *o.cookies : noCookies, o.cookies != nullptr);
  // A body that broke off stays visible as such, whatever the status line said.
  if (readFailed) statusText = ReadFailureText();

  if (o.rawBody != nullptr) o.rawBody->assign(body.begin(), body.end());
  // The page text is the body up to its first NUL; without one it takes the body's storage.
  size_t nul = body.find('\0');
  Text page = nul == std::string::npos ? std::move(body) : body.substr(0, nul);
  std::string_view bodyView = nul == std::string::npos ? std::string_view(page) : body;
  ConvertPageCharset(regex_, page, bodyView);
  RunMessagePump();
  Unwind();
  return page;
}

}  // namespace

Text HttpRequest(const Text& requestUrl, const HttpRequestOptions& options) {
  RequestCall call(requestUrl, options);
  return call.Run();
}

}  // namespace qoravel
