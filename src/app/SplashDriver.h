#pragma once
// Runs the splash screen while the application starts. It is the splash's
// invisible owner window: it shows the splash, steps the splash's progress once
// a second (and whenever the start-up reaches a milestone), writes the text,
// and at the end hides the splash, brings the main window to the front and
// destroys itself as a window.
//
// Everything runs on the UI thread (a window cannot live on a thread without
// an event loop), so while the start-up loads, the counter simply pauses.
#include <memory>

#include "app/SplashProgress.h"
#include "platform/ui/CWnd.h"

class CSplashScreenEx;

class CSplashDriver : public CWnd, private CSplashProgress::Watch {
 public:
  static constexpr DWORD kSplashStyle = 0x2F;  // fades, shadow, centred, hides on a click
  static constexpr UINT_PTR kStepTimer = 1;
  static constexpr UINT kStepMs = 1000;
  // While the splash fades out, the owner waits for it before it goes.
  static constexpr UINT_PTR kCloseTimer = 2;
  static constexpr UINT kCloseCheckMs = 50;
  // Posted when a box opens on another thread: the splash makes way for it.
  static constexpr UINT kBoxOpeningMessage = WM_USER + 51;

  CSplashDriver();
  // Destroys the splash with the owner when the start ended before the splash did.
  ~CSplashDriver() override;

  // Makes the owner and the splash, shows it and takes the first step. False
  // when the windows cannot be made.
  bool Start();
  // One step now; the end when the progress is finished.
  void Step();
  // True from Start until the end.
  bool IsRunning() const { return GetSafeHwnd() != nullptr && !m_ending; }
  // The splash while it exists (a click may have closed it early).
  CSplashScreenEx* GetSplash() const;
  const CSplashProgress* GetProgress() const { return m_progress.get(); }

  void OnTimer(UINT_PTR id) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void End();
  // A box is opening: the top-most splash would hide it and what it says, so
  // the splash goes now (its steps and the end go on without it).
  void MakeWayForBox();
  void WatchBoxes(bool watch);
  bool FindEngine() override;
  std::string ReadAppTitle() override;
  bool FindForm() override;
  bool IsFormVisible() override;

  std::unique_ptr<CSplashProgress> m_progress;
  HWND m_splash = nullptr;
  HWND m_form = nullptr;
  bool m_ending = false;
};
