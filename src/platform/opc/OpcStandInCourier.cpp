#include "platform/opc/OpcStandInCourier.h"

#include <utility>

#include "platform/ui/MessageCore.h"

OpcStandInCourier& OpcStandInCourier::Instance() {
  static OpcStandInCourier courier;
  return courier;
}

OpcStandInCourier::~OpcStandInCourier() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  // A send still waiting gives up once the UI thread is gone (the process ends).
  if (m_thread.joinable()) m_thread.join();
}

void OpcStandInCourier::Send(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping) return;
    m_calls.push_back(std::move(call));
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  }
  m_wake.notify_one();
}

void OpcStandInCourier::Run() {
  for (;;) {
    std::function<void()> call;
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_wake.wait(lock, [this] { return m_stopping || !m_calls.empty(); });
      if (m_stopping) return;
      call = std::move(m_calls.front());
      m_calls.pop_front();
    }
    RunOnUiThreadAndWait(call);
  }
}
