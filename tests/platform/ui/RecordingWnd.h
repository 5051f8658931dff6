#pragma once
// A window that records every message its WindowProc sees (and on which thread),
// then does the default handling.
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ui/CWnd.h"

class RecordingWnd : public CWnd {
 public:
  struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
  };

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_seen.push_back({message, wParam, lParam, std::this_thread::get_id()});
    }
    if (message == answeredMessage) return answer;
    return CWnd::WindowProc(message, wParam, lParam);
  }

  std::vector<Seen> All() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
  }
  std::vector<Seen> Only(UINT message) const {
    std::vector<Seen> picked;
    for (const Seen& s : All())
      if (s.message == message) picked.push_back(s);
    return picked;
  }
  // The messages seen among `wanted`, in order.
  std::vector<UINT> Sequence(std::initializer_list<UINT> wanted) const {
    std::vector<UINT> out;
    for (const Seen& s : All())
      for (UINT w : wanted)
        if (s.message == w) out.push_back(s.message);
    return out;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.clear();
  }

  bool CreateChildOf(CWnd* parent, UINT id, const CRect& rect = CRect(0, 0, 100, 50)) {
    return Create("", "", WS_CHILD | WS_VISIBLE, rect, parent, id) != FALSE;
  }
  bool CreateTopLevel(const std::string& title = "test", const CRect& rect = CRect(10, 10, 310, 210)) {
    return CreateEx(0, "", title, WS_OVERLAPPEDWINDOW, rect, nullptr, 0) != FALSE;
  }

  UINT answeredMessage = 0;  // answered with `answer` before any handling
  LRESULT answer = 0;

 private:
  mutable std::mutex m_mutex;
  std::vector<Seen> m_seen;
};
