#pragma once

#include <functional>
#include <list>
#include <mutex>
#include <utility>

namespace harrowlander {

// How a run (one operation from Start to its end) is asked to stop, from any thread:
// the window's Stop button, a signal to the command line, a window being closed.
//
// A request takes effect only while a run is going. It runs the cancels the run has
// registered (a statement running on the server is cancelled), and the run, at its next
// check, acknowledges it and ends through its one clean-up path. From that moment
// further requests do nothing, so that nothing disturbs the clean-up; until then a
// request may be repeated, which repeats the cancels.
class StopRequest {
 public:
  class Registration;

  // True when a run took the request (going, and not stopping yet).
  bool Request();
  // A run is going and has been asked to stop (it may be stopping already).
  bool IsRequested() const;
  // Called by the run where it can stop: true the first time after a request, and the
  // run then stops; false otherwise (nothing asked, or stopping already).
  bool Acknowledge();
  // The run has begun to stop.
  bool IsStopping() const;
  // No run is going, or it has begun its clean-up: nothing more to ask of it.
  bool IsEnding() const;
  // The run begins its clean-up (at its end, whichever end): from now on requests do
  // nothing, so that nothing breaks the clean-up off.
  void BeginCleanUp();

  // While the registration lives, `cancel` is called on the requesting thread at each
  // request that a run takes. A registration ends only once no call of it runs.
  [[nodiscard]] Registration OnRequest(std::function<void()> cancel);

  // A run begins and ends. A run that has begun already goes on as it is (with a stop
  // asked for it): the window begins a run before the operation begins its own.
  void BeginRun();
  void EndRun();

 private:
  enum class State { kIdle, kRunning, kRequested, kStopping, kCleaningUp };
  using Cancels = std::list<std::function<void()>>;

  void Unregister(Cancels::iterator cancel);

  mutable std::mutex m_lock;
  State m_state = State::kIdle;
  Cancels m_cancels;
};

class StopRequest::Registration {
 public:
  Registration(StopRequest& owner, Cancels::iterator cancel) : m_owner(&owner), m_cancel(cancel) {}
  ~Registration() {
    if (m_owner != nullptr) {
      m_owner->Unregister(m_cancel);
    }
  }
  Registration(Registration&& other) noexcept
      : m_owner(std::exchange(other.m_owner, nullptr)), m_cancel(other.m_cancel) {}
  Registration(const Registration&) = delete;
  Registration& operator=(const Registration&) = delete;
  Registration& operator=(Registration&&) = delete;

 private:
  StopRequest* m_owner;
  Cancels::iterator m_cancel;
};

// A run from its beginning to its end, however it ends.
class RunScope {
 public:
  explicit RunScope(StopRequest& stop) : m_stop(stop) { m_stop.BeginRun(); }
  ~RunScope() { m_stop.EndRun(); }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  StopRequest& m_stop;
};

}  // namespace harrowlander
