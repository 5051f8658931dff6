#include "platform/ui/WindowStacking.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/ui/CWnd.h"
#include "platform/ui/NativeWindow.h"

namespace window_stacking {
namespace {

// The message boxes and modal dialogs open now, in the order they were shown.
std::vector<QPointer<QWidget>>& OpenModals() {
  static std::vector<QPointer<QWidget>> modals;
  return modals;
}

void DropClosedModals() {
  auto& modals = OpenModals();
  modals.erase(std::remove_if(modals.begin(), modals.end(), [](const QPointer<QWidget>& modal) {
                 return modal.isNull() || !modal->isVisible();
               }),
               modals.end());
}

struct Ownership {
  QPointer<QWidget> owned;
  QPointer<QWidget> owner;
  // The owned window went on the screen before its owner did, or before it
  // was tied to it: a window manager read its transient hint then, found no
  // owner among its windows, and keeps it above nothing.
  bool hintUnread = false;
  // Shows of the owned window waiting for the owner to be shown, in order.
  std::vector<std::function<void()>> heldShows;
};

std::vector<Ownership>& Ownerships() {
  static std::vector<Ownership> ownerships;
  return ownerships;
}

Ownership* OwnershipOf(const QWidget* owned) {
  for (Ownership& pair : Ownerships())
    if (pair.owned.data() == owned) return &pair;
  return nullptr;
}

bool IsOpenModal(const QWidget* widget) {
  for (const QPointer<QWidget>& modal : OpenModals())
    if (modal.data() == widget) return true;
  return false;
}

// Whether `window` (a top-level window) is owned by `owner`, directly or
// through owners of owners: as a top-level child, or given to KeepOwnedAbove.
bool IsOwnedBy(const QWidget* window, const QWidget* owner) {
  constexpr int kDeepestOwnership = 16;  // a tie made by mistake in a circle ends here
  const QWidget* w = window;
  for (int depth = 0; w && depth < kDeepestOwnership; ++depth) {
    const QWidget* next = w->parentWidget() ? w->parentWidget()->window() : nullptr;
    if (const Ownership* pair = next ? nullptr : OwnershipOf(w)) next = pair->owner.data();
    if (next == owner) return true;
    w = next;
  }
  return false;
}

// `window`'s visible owned windows (its top-level children, then those given
// to KeepOwnedAbove) go above it; open modal windows are left where they are.
void RaiseOwnedWindows(QWidget* window) {
  for (QObject* child : window->children()) {
    auto* owned = qobject_cast<QWidget*>(child);
    if (owned && owned->isWindow() && owned->isVisible() && !IsOpenModal(owned)) owned->raise();
  }
  // Raising lets nothing run, but the list is taken first all the same.
  std::vector<QPointer<QWidget>> shownOwned;
  for (const Ownership& pair : Ownerships())
    if (pair.owner.data() == window && pair.owned && pair.owned->isVisible() && !IsOpenModal(pair.owned))
      shownOwned.emplace_back(pair.owned);
  for (const QPointer<QWidget>& owned : shownOwned)
    if (owned) owned->raise();
}

// Watches one window for its hide (see GiveKeyboardBackWhenHidden and KeepOwnedAbove).
class KeyboardReturn : public QObject {
 public:
  // `activeBefore`: the window active when a modal window was shown; none for
  // an owned window, whose owner takes the keyboard back.
  KeyboardReturn(QWidget* window, QWidget* activeBefore) : QObject(window), m_before(activeBefore) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    // Hidden by the program, not minimised. The hide has taken the active
    // window away already; the system's focus window, told of the change
    // later, still says whether it had the keyboard.
    if (event->type() == QEvent::Hide && !event->spontaneous() && window && window->isWindow() &&
        window->windowHandle() && QGuiApplication::focusWindow() == window->windowHandle())
      GiveBack(window);
    return false;
  }

 private:
  void GiveBack(const QWidget* window) {
    DropClosedModals();
    QWidget* next = !OpenModals().empty() ? OpenModals().back().data() : m_before.data();
    if (const Ownership* pair = OwnershipOf(window); !next && pair) next = pair->owner.data();
    if (next && next->isVisible() && !next->isMinimized() && !next->isActiveWindow()) next->activateWindow();
  }

  QPointer<QWidget> m_before;
};

// The windows given to StayAboveWhileActive.
std::vector<QPointer<QWidget>>& WindowsAboveWhileActive() {
  static std::vector<QPointer<QWidget>> windows;
  return windows;
}

bool StaysAboveWhileActive(const QWidget* window) {
  const auto& windows = WindowsAboveWhileActive();
  return std::any_of(windows.begin(), windows.end(), [window](const QPointer<QWidget>& w) { return w.data() == window; });
}

// Watches a window given to StayAboveWhileActive for the keyboard.
class RaiseWhenActivated : public QObject {
 public:
  explicit RaiseWhenActivated(QWidget* window) : QObject(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowActivate && window && window->isWindow() && window->isVisible() &&
        !window->isMinimized()) {
      window->raise();
      KeepAbove(window);
    }
    return false;
  }
};

}  // namespace

void StayAboveWhileActive(CWnd& window) {
  QWidget* top = window.GetWidget() ? window.GetWidget()->window() : nullptr;
  if (!top) return;
  auto& windows = WindowsAboveWhileActive();
  windows.erase(std::remove_if(windows.begin(), windows.end(), [](const QPointer<QWidget>& w) { return w.isNull(); }),
                windows.end());
  if (StaysAboveWhileActive(top)) return;
  windows.emplace_back(top);
  top->installEventFilter(new RaiseWhenActivated(top));
}

void KeepActiveAbove() {
  QWidget* active = QApplication::activeWindow();
  if (!active || !active->isVisible() || active->isMinimized() || IsOpenModal(active) ||
      !StaysAboveWhileActive(active))
    return;
  active->raise();
  KeepAbove(active);
}

void GiveKeyboardBackWhenHidden(QWidget* modal) {
  if (!modal) return;
  QWidget* before = QApplication::activeWindow();
  if (before == modal) before = nullptr;
  modal->installEventFilter(new KeyboardReturn(modal, before));
}

void KeepOwnedAbove(CWnd& owned, CWnd& owner) {
  auto& ownerships = Ownerships();
  ownerships.erase(std::remove_if(ownerships.begin(), ownerships.end(),
                                  [](const Ownership& pair) { return pair.owned.isNull() || pair.owner.isNull(); }),
                   ownerships.end());
  QWidget* ownedWindow = owned.GetWidget() ? owned.GetWidget()->window() : nullptr;
  QWidget* ownerWindow = owner.GetWidget() ? owner.GetWidget()->window() : nullptr;
  if (!ownedWindow || !ownerWindow || ownedWindow == ownerWindow) return;
  // Tied again: the shows it holds stay held.
  Ownership* pair = OwnershipOf(ownedWindow);
  if (!pair) {
    pair = &ownerships.emplace_back();
    pair->owned = ownedWindow;
  }
  pair->owner = ownerWindow;
  // Closed, it gives the keyboard back to its owner as an owned window does.
  const QObjectList& watches = ownedWindow->children();
  if (std::none_of(watches.begin(), watches.end(), [](QObject* c) { return dynamic_cast<KeyboardReturn*>(c); }))
    ownedWindow->installEventFilter(new KeyboardReturn(ownedWindow, nullptr));
  // A window manager raises the owner by itself (a click on it) and never asks
  // us: only a window transient for its owner stays above it then. The native
  // windows are made now, as the hint is sent when the owned window is shown.
  ownerWindow->winId();
  ownedWindow->winId();
  if (QWindow* ownedNative = ownedWindow->windowHandle())
    ownedNative->setTransientParent(ownerWindow->windowHandle());
  // On the screen already: the window manager read its hint without this owner.
  if (ownedWindow->isVisible()) {
    if (ownerWindow->isVisible()) native_window::WriteTransientHint(ownedWindow, ownerWindow);
    else pair->hintUnread = true;
  }
}

bool HoldUntilOwnerShown(QWidget* window, std::function<void()> show) {
  if (!window || window->isVisible() || !native_window::IsOnX()) return false;
  Ownership* pair = OwnershipOf(window);
  if (!pair || !pair->owner || pair->owner->isVisible()) return false;
  pair->heldShows.push_back(std::move(show));
  return true;
}

bool IsShowHeld(const QWidget* window) {
  const Ownership* pair = window ? OwnershipOf(window) : nullptr;
  // Shows held for an owner since destroyed never run.
  return pair && pair->owner && !pair->heldShows.empty();
}

void DropHeldShows(const QWidget* window) {
  if (Ownership* pair = window ? OwnershipOf(window) : nullptr) pair->heldShows.clear();
}

void AddOpenModal(QWidget* modal) {
  DropClosedModals();
  if (modal && !IsOpenModal(modal)) OpenModals().emplace_back(modal);
}

bool IsAnyModalOpen() {
  DropClosedModals();
  return !OpenModals().empty();
}

void KeepAbove(QWidget* window) {
  if (window && window->isWindow() && !IsOpenModal(window)) {
    std::vector<std::function<void()>> heldShows;
    std::vector<QPointer<QWidget>> hintsUnread;
    for (Ownership& pair : Ownerships()) {
      if (pair.owned.data() == window && pair.owner && !pair.owner->isVisible()) pair.hintUnread = true;
      if (pair.owner.data() != window || !pair.owned || !window->isVisible()) continue;
      for (std::function<void()>& show : pair.heldShows) heldShows.push_back(std::move(show));
      pair.heldShows.clear();
      if (pair.hintUnread && pair.owned->isVisible()) hintsUnread.emplace_back(pair.owned);
      pair.hintUnread = false;
    }
    // Its owned windows go on the screen now that it is there, each read by a
    // window manager with its owner found. The shows let other code run: the
    // list is taken first.
    for (const std::function<void()>& show : heldShows) show();
    // Shown before it some other way: the hint is written again for a window
    // manager to read afresh (hiding and showing the window instead can lose
    // it: a map right after an unmap may go to a frame about to be destroyed).
    for (const QPointer<QWidget>& owned : hintsUnread)
      if (owned) native_window::WriteTransientHint(owned, window);
    RaiseOwnedWindows(window);
  }
  DropClosedModals();
  if (OpenModals().empty()) return;
  // Each open modal window above everything shown before it, with the windows
  // it owns (a balloon or hint of its controls) above it. A copy: the list is
  // not ours to hold across calls.
  const std::vector<QPointer<QWidget>> modals = OpenModals();
  for (const QPointer<QWidget>& modal : modals) {
    if (!modal) continue;
    modal->raise();
    RaiseOwnedWindows(modal);
  }
  // The keyboard stays with the last one, unless what came forward is its own.
  if (const QPointer<QWidget>& last = modals.back(); last && window != last.data() && !IsOwnedBy(window, last))
    last->activateWindow();
}

}  // namespace window_stacking
