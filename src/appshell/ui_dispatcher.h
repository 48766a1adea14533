// UiDispatcher: hands calls from other threads to the UI thread and makes the caller wait, as a
// window message sent to a control does. Once closed (the window is going away) every call returns
// at once without running, and callers still waiting are released. Any thread; create and close it
// on the UI thread.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace qoravel {

class UiDispatcher {
 public:
  // Called by UI code when the work a caller waits for is complete.
  using Done = std::function<void()>;

  UiDispatcher();
  ~UiDispatcher();  // closes
  UiDispatcher(const UiDispatcher&) = delete;
  UiDispatcher& operator=(const UiDispatcher&) = delete;

  [[nodiscard]] bool OnUiThread() const { return std::this_thread::get_id() == uiThread_; }
  [[nodiscard]] bool IsOpen() const;

  // Runs `call` on the UI thread (directly when already there) and returns when it has run.
  // False, without running it, once the dispatcher is closed.
  bool Run(const std::function<void()>& call);
  // From another thread: runs `start` on the UI thread and waits until the UI code calls the Done
  // it was given (for example when a message box is dismissed). False when closed before that.
  bool RunAndWait(const std::function<void(Done)>& start);
  // From now on nothing runs; every waiting caller returns. UI thread.
  void Close();

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = true;
  };

  std::shared_ptr<Shared> shared_;
  std::thread::id uiThread_;
  QObject* receiver_;  // lives on the UI thread; queued calls are delivered through it
};

}  // namespace qoravel
