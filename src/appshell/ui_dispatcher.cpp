#include "appshell/ui_dispatcher.h"

#include <QMetaObject>
#include <QObject>

namespace qoravel {

UiDispatcher::UiDispatcher()
    : shared_(std::make_shared<Shared>()),
      uiThread_(std::this_thread::get_id()),
      receiver_(new QObject) {}

UiDispatcher::~UiDispatcher() {
  Close();
  delete receiver_;  // drops the calls still queued for it
}

bool UiDispatcher::IsOpen() const {
  std::lock_guard lock(shared_->mutex);
  return shared_->open;
}

bool UiDispatcher::Run(const std::function<void()>& call) {
  if (OnUiThread()) {
    if (!IsOpen()) return false;
    call();
    return true;
  }
  return RunAndWait([&call](const Done& done) {
    call();
    done();
  });
}

bool UiDispatcher::RunAndWait(const std::function<void(Done)>& start) {
  struct Completion {
    bool running = false;  // `start` is on the UI thread's stack: the caller must stay
    bool done = false;
  };
  auto completion = std::make_shared<Completion>();
  Done done = [shared = shared_, completion] {
    {
      std::lock_guard lock(shared->mutex);
      completion->done = true;
    }
    shared->changed.notify_all();
  };

  std::unique_lock lock(shared_->mutex);
  if (!shared_->open) return false;
  // Posted under the lock: Close takes it too, so the receiver cannot be gone while posting.
  QMetaObject::invokeMethod(
      receiver_,
      [shared = shared_, completion, &start, done] {
        {
          std::lock_guard openLock(shared->mutex);
          if (!shared->open) return;  // the caller has left: `start` is gone
          completion->running = true;
        }
        start(done);
        {
          std::lock_guard openLock(shared->mutex);
          completion->running = false;
        }
        shared->changed.notify_all();
      },
      Qt::QueuedConnection);
  shared_->changed.wait(
      lock, [&] { return completion->done || (!shared_->open && !completion->running); });
  return completion->done;
}

void UiDispatcher::Close() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->open = false;
  }
  shared_->changed.notify_all();
}

}  // namespace qoravel
