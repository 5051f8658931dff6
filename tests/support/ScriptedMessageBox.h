#pragma once
// Message-box double: the test queues the answers it expects to give; every box
// shown is recorded with its text, caption, style and calling thread. A box with
// no queued answer fails the test (unless a default answer was set) and is
// answered with Cancel, which is the safe answer of every prompt.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/MessageBoxService.h"

class ScriptedMessageBox final : public IMessageBoxService {
 public:
  struct Shown {
    std::string text;
    std::string caption;
    UINT style = 0;
    std::thread::id thread;
    bool waited = true;  // false for a box shown without waiting for its answer
  };

  ScriptedMessageBox();   // installs itself
  ~ScriptedMessageBox() override;  // uninstalls itself

  int Show(const std::string& text, const std::string& caption, UINT style) override;
  // Recorded like any box (and answered from the script), but marked as not waited for.
  void ShowWithoutWaiting(const std::string& text, const std::string& caption, UINT style) override;

  // Queues one answer. When `expectedSubstring` is given the box's text must contain it.
  void Expect(int answer, const std::string& expectedSubstring = std::string());
  // Runs on the asking thread as each box is shown, before it is answered: what
  // the operator would see around the box.
  void SetOnShow(std::function<void(const std::string& text)> onShow) { m_onShow = std::move(onShow); }
  // Answers every unscripted box with `answer` instead of failing (0 turns this off).
  void SetDefaultAnswer(int answer) { m_defaultAnswer = answer; }
  // Answers every unscripted box by asking `answerer` (before the default
  // answer): for runs that meet whatever box comes and decide from its text.
  using Answerer = std::function<int(const std::string& text, const std::string& caption, UINT style)>;
  void SetAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

  std::vector<Shown> Boxes() const;
  std::size_t Count() const;
  std::string LastText() const;
  std::size_t Pending() const;  // answers queued but not yet used
  void Clear();

 private:
  struct Scripted {
    int answer;
    std::string expected;
  };
  int Answer(const std::string& text, const std::string& caption, UINT style, bool waited);

  mutable std::mutex m_mutex;
  std::deque<Scripted> m_answers;
  std::vector<Shown> m_shown;
  int m_defaultAnswer = 0;
  std::function<void(const std::string& text)> m_onShow;
  Answerer m_answerer;
};
