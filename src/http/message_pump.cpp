#include "http/message_pump.h"

#include <memory>
#include <mutex>

#include "http/http_request.h"

namespace qoravel {
namespace {

std::mutex pumpMutex;
std::shared_ptr<const MessagePump> currentPump;

}  // namespace

void SetMessagePump(MessagePump pump) {
  auto shared = pump ? std::make_shared<const MessagePump>(std::move(pump)) : nullptr;
  std::lock_guard lock(pumpMutex);
  currentPump = std::move(shared);
}

void RunMessagePump() {
  std::shared_ptr<const MessagePump> pump;
  {
    std::lock_guard lock(pumpMutex);
    pump = currentPump;
  }
  // Run outside the lock: the pump may start a nested request or set a new pump.
  if (pump) (*pump)();
}

}  // namespace qoravel
