#pragma once
// What the splash shows while the application starts, one step at a time, and
// when it ends. Stopwatch A runs from the splash's start; stopwatch B starts
// when the plant form is first seen visible. The splash ends once A passes 70
// whole seconds or B passes 2 (so it closes three seconds after the form shows,
// or after 71 seconds at most). The text is the start of the engine's title
// with a running count of seconds.
//
// No window and no engine here: the start-up is read through a Watch, and the
// stopwatches run on the clock service's ticks, so a fake clock drives it.
#include <string>

#include "datacenter/RTimer.h"

class CSplashProgress {
 public:
  // What the splash reads of the start-up; it never changes anything there.
  class Watch {
   public:
    virtual ~Watch() = default;
    // True once the engine root is published.
    virtual bool FindEngine() = 0;
    // The engine's application title (empty until the form gives its banner).
    virtual std::string ReadAppTitle() = 0;
    // True once the engine has its owner window, the plant form.
    virtual bool FindForm() = 0;
    virtual bool IsFormVisible() = 0;
  };

  struct Step {
    bool finished = false;
    bool hasText = false;  // text is to be shown
    std::string text;
  };

  static constexpr int kMostWholeSeconds = 70;           // stopwatch A
  static constexpr int kMostWholeSecondsAfterForm = 2;   // stopwatch B
  static constexpr std::size_t kShortestBanner = 30;
  static constexpr std::size_t kLongestBanner = 60;

  // Starts stopwatch A.
  explicit CSplashProgress(Watch& watch);

  // One pass: the end check, then the engine, the banner, the form and the text.
  // Once finished it stays finished and reads nothing.
  Step DoStep();
  bool IsFinished() const { return m_finished; }

  // The title followed by a blank, cut before its first "," keeping 30 to 60
  // characters, and trimmed.
  static std::string CutBanner(const std::string& title);
  // Empty until the title gave some text.
  const std::string& GetBanner() const { return m_banner; }
  const CRTimer& SinceStart() const { return m_sinceStart; }
  const CRTimer& SinceFormShown() const { return m_sinceFormShown; }

 private:
  Watch& m_watch;
  CRTimer m_sinceStart;      // A
  CRTimer m_sinceFormShown;  // B
  bool m_engineKnown = false;
  bool m_formKnown = false;
  bool m_finished = false;
  std::string m_banner;
};
