#include "platform/ui/WindowStacking.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "platform/ui/CWnd.h"

namespace window_stacking {
namespace {

std::vector<QPointer<QWidget>>& OpenBoxes() {
  static std::vector<QPointer<QWidget>> boxes;
  return boxes;
}

void DropClosedBoxes() {
  auto& boxes = OpenBoxes();
  boxes.erase(std::remove_if(boxes.begin(), boxes.end(), [](const QPointer<QWidget>& box) {
                return box.isNull() || !box->isVisible();
              }),
              boxes.end());
}

struct Ownership {
  QPointer<QWidget> owned;
  QPointer<QWidget> owner;
  // The owned window went on the screen before its owner did, or before it
  // was tied to it: a window manager read its transient hint then, found no
  // owner among its windows, and keeps it above nothing.
  bool hintUnread = false;
};

std::vector<Ownership>& Ownerships() {
  static std::vector<Ownership> ownerships;
  return ownerships;
}

bool IsOpenBox(const QWidget* widget) {
  for (const QPointer<QWidget>& box : OpenBoxes())
    if (box.data() == widget) return true;
  return false;
}

}  // namespace

void KeepOwnedAbove(CWnd& owned, CWnd& owner) {
  auto& ownerships = Ownerships();
  ownerships.erase(std::remove_if(ownerships.begin(), ownerships.end(),
                                  [](const Ownership& pair) { return pair.owned.isNull() || pair.owner.isNull(); }),
                   ownerships.end());
  QWidget* ownedWindow = owned.GetWidget() ? owned.GetWidget()->window() : nullptr;
  QWidget* ownerWindow = owner.GetWidget() ? owner.GetWidget()->window() : nullptr;
  if (!ownedWindow || !ownerWindow || ownedWindow == ownerWindow) return;
  std::erase_if(ownerships, [ownedWindow](const Ownership& pair) { return pair.owned.data() == ownedWindow; });
  ownerships.push_back({ownedWindow, ownerWindow, ownedWindow->isVisible()});
  // A window manager raises the owner by itself (a click on it) and never asks
  // us: only a window transient for its owner stays above it then. The native
  // windows are made now, as the hint is sent when the owned window is shown.
  ownerWindow->winId();
  ownedWindow->winId();
  if (QWindow* ownedNative = ownedWindow->windowHandle())
    ownedNative->setTransientParent(ownerWindow->windowHandle());
}

void AddOpenBox(QWidget* box) {
  DropClosedBoxes();
  if (box && !IsOpenBox(box)) OpenBoxes().emplace_back(box);
}

bool IsAnyBoxOpen() {
  DropClosedBoxes();
  return !OpenBoxes().empty();
}

void KeepAbove(QWidget* window) {
  if (window && window->isWindow() && !IsOpenBox(window)) {
    for (QObject* child : window->children()) {
      auto* owned = qobject_cast<QWidget*>(child);
      if (owned && owned->isWindow() && owned->isVisible() && !IsOpenBox(owned)) owned->raise();
    }
    std::vector<QPointer<QWidget>> shownAgain;
    for (Ownership& pair : Ownerships()) {
      if (pair.owned.data() == window && pair.owner && !pair.owner->isVisible()) pair.hintUnread = true;
      if (pair.owner.data() != window || !pair.owned || !pair.owned->isVisible()) continue;
      if (pair.hintUnread) shownAgain.emplace_back(pair.owned);
      pair.hintUnread = false;
    }
    // Shown again now that the owner is on the screen, for the window manager
    // to read the hint afresh. Hiding and showing lets other code run: the
    // list is taken first.
    for (const QPointer<QWidget>& owned : shownAgain) {
      if (!owned) continue;
      owned->hide();
      owned->show();
    }
    const std::vector<Ownership> ownerships = Ownerships();
    for (const Ownership& pair : ownerships)
      if (pair.owner.data() == window && pair.owned && pair.owned->isVisible()) pair.owned->raise();
  }
  DropClosedBoxes();
  if (OpenBoxes().empty()) return;
  // A copy: raising lets nothing run, but the list is not ours to hold across calls.
  const std::vector<QPointer<QWidget>> boxes = OpenBoxes();
  for (const QPointer<QWidget>& box : boxes)
    if (box) box->raise();
  if (const QPointer<QWidget>& last = boxes.back(); last && window != last.data()) last->activateWindow();
}

}  // namespace window_stacking
