#include "app/SplashDriver.h"

#include "app/SplashBitmap.h"
#include "common/WindowUtils.h"
#include "controls/CSplashScreenEx.h"
#include "platform/base/MessageBoxService.h"
#include "platform/ui/MessageCore.h"
#include "plant/RuvEngineApp.h"

namespace {
const CRect kTextRect(180, 55, 510, 75);
constexpr COLORREF kTextColor = RGB(60, 60, 60);
constexpr UINT kTextFormat = DT_VCENTER | DT_SINGLELINE;
constexpr int kTextPointSize = 90;
}  // namespace

CSplashDriver::CSplashDriver() = default;

CSplashDriver::~CSplashDriver() {
  WatchBoxes(false);
  if (GetSafeHwnd()) DestroyWindow();  // the splash, being owned, goes with it
}

bool CSplashDriver::Start() {
  if (GetSafeHwnd()) return false;
  m_ending = false;
  m_form = nullptr;
  m_progress = std::make_unique<CSplashProgress>(static_cast<CSplashProgress::Watch&>(*this));
  if (!CreateEx(0, std::string(), std::string(), WS_POPUP, CRect(0, 0, 0, 0), nullptr, 0)) return false;

  auto* splash = new CSplashScreenEx();
  if (!splash->Create(this, std::string(), 0, kSplashStyle)) {
    delete splash;
    DestroyWindow();
    return false;
  }
  m_splash = splash->GetSafeHwnd();
  RegisterSplashBitmap();
  splash->SetBitmap(IDB_SPLASH, GetRValue(kSplashTransparentColor), GetGValue(kSplashTransparentColor),
                    GetBValue(kSplashTransparentColor));
  splash->SetTextFont("Arial", kTextPointSize, 0);
  splash->SetTextRect(kTextRect);
  splash->SetTextColor(kTextColor);
  splash->SetTextFormat(kTextFormat);
  splash->Show();
  WatchBoxes(true);
  SetTimer(kStepTimer, kStepMs);
  Step();
  return true;
}

CSplashScreenEx* CSplashDriver::GetSplash() const { return dynamic_cast<CSplashScreenEx*>(FromHandle(m_splash)); }

void CSplashDriver::Step() {
  if (!IsRunning() || !m_progress) return;
  const CSplashProgress::Step step = m_progress->DoStep();
  if (step.finished) {
    End();
    return;
  }
  CSplashScreenEx* splash = GetSplash();
  if (!splash) return;
  // Top-most needs a window manager to keep it so; without one the main window,
  // shown later, would cover the splash.
  splash->SetWindowPos(&wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  if (step.hasText) splash->SetText(step.text);
}

void CSplashDriver::End() {
  m_ending = true;
  WatchBoxes(false);
  KillTimer(kStepTimer);
  if (CSplashScreenEx* splash = GetSplash()) splash->Hide();
  if (CWnd* form = FromHandle(m_form)) ForceForegroundWindow(form->GetTopLevelParent());
  // A splash still fading out goes before its owner does.
  if (GetSplash()) {
    SetTimer(kCloseTimer, kCloseCheckMs);
    return;
  }
  DestroyWindow();
}

void CSplashDriver::OnTimer(UINT_PTR id) {
  if (id == kStepTimer) {
    Step();
  } else if (id == kCloseTimer) {
    if (!GetSplash()) DestroyWindow();
  } else {
    CWnd::OnTimer(id);
  }
}

void CSplashDriver::WatchBoxes(bool watch) {
  if (!watch) {
    SetMessageBoxOpeningWatch(nullptr);
    return;
  }
  const HWND self = GetSafeHwnd();
  SetMessageBoxOpeningWatch([self] {
    if (!IsUiThread()) {
      ::PostMessage(self, kBoxOpeningMessage, 0, 0);
      return;
    }
    if (auto* driver = dynamic_cast<CSplashDriver*>(FromHandle(self))) driver->MakeWayForBox();
  });
}

void CSplashDriver::MakeWayForBox() {
  CSplashScreenEx* splash = GetSplash();
  if (!splash) return;
  // At once, without the fade: the box is being shown now.
  splash->ShowWindow(SW_HIDE);
  splash->DestroyWindow();
}

LRESULT CSplashDriver::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kBoxOpeningMessage) {
    MakeWayForBox();
    return 0;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

// ---------------------------------------------------------------- what the splash reads

bool CSplashDriver::FindEngine() { return GetEngineRoot() != nullptr; }

std::string CSplashDriver::ReadAppTitle() {
  const CRuvEngineApp* engine = GetEngineRoot();
  return engine ? engine->GetAppTitle() : std::string();
}

bool CSplashDriver::FindForm() {
  const CRuvEngineApp* engine = GetEngineRoot();
  CWnd* form = engine ? engine->GetOwnerView() : nullptr;
  m_form = form ? form->GetSafeHwnd() : nullptr;
  return m_form != nullptr;
}

bool CSplashDriver::IsFormVisible() {
  const CWnd* form = FromHandle(m_form);
  return form && form->IsWindowVisible();
}
