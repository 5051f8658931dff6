#pragma once
// The stand-in server's own thread for its write completions. A real server
// calls the client's sink from a thread of its own, and the call reaches the
// client's window thread the way a cross-thread send does: it is serviced even
// by a wait that runs nothing else (a link's stop waiting for its writes).
// The courier makes each completion such a send. The calls themselves run on
// the UI thread; the courier only carries them there, in the order given.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class OpcStandInCourier {
 public:
  static OpcStandInCourier& Instance();
  ~OpcStandInCourier();
  OpcStandInCourier(const OpcStandInCourier&) = delete;
  OpcStandInCourier& operator=(const OpcStandInCourier&) = delete;

  // Runs `call` on the UI thread as a send from the courier's thread (any thread).
  // Dropped when the UI thread is gone.
  void Send(std::function<void()> call);

 private:
  OpcStandInCourier() = default;
  void Run();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_calls;
  bool m_stopping = false;
  std::thread m_thread;  // started with the first call
};
