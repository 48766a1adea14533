#include "music/search.h"

#include <vector>

#include "http/http_request.h"
#include "music/result_list.h"
#include "textcore/codepage.h"
#include "textcore/url_encode.h"

namespace qoravel {

namespace {

constexpr char kSearchPath[] =
    "/music/search/wy/1?format=json&sign=7e2d49b1c08f365ad4e91b7c2f06a835&keyword=";

// The windows of the searches running on this thread, innermost last. The request engine's pump
// is process-wide, so each search points it at its own window and gives it back to the
// enclosing search when it ends.
thread_local std::vector<WindowOps*> searchWindows;

void PointPumpAt(WindowOps* window) {
  if (window == nullptr) {
    SetMessagePump({});
  } else {
    SetMessagePump([window] { window->ProcessPendingMessages(); });
  }
}

class PumpScope {
 public:
  explicit PumpScope(WindowOps& window) {
    searchWindows.push_back(&window);
    PointPumpAt(&window);
  }
  ~PumpScope() {
    searchWindows.pop_back();
    PointPumpAt(searchWindows.empty() ? nullptr : searchWindows.back());
  }
  PumpScope(const PumpScope&) = delete;
  PumpScope& operator=(const PumpScope&) = delete;
};

}  // namespace

Text SearchAddress(const Text& host, const Text& keyword) {
  return TextConcat("http://", host, kSearchPath,
                    UrlEncode(keyword, /*keepSafeChars=*/false, /*asUtf8=*/true));
}

void SearchSongs(WindowOps& window, AppState& state, const Text& host) {
  const Text keyword = window.GetControlText(Control::编辑框_搜索);
  Text body;
  {
    PumpScope pump(window);
    body = HttpRequest(SearchAddress(host, keyword));
  }
  FillResultList(window, state, Utf8ToGbk(body));
}

}  // namespace qoravel
