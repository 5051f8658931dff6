#include "platform/ui/DialogTemplate.h"

#include <QFontMetrics>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

#include "platform/ui/DialogFont.h"

namespace {

std::mutex g_templatesMutex;
std::map<UINT, std::unique_ptr<DialogTemplate>>& Templates() {
  static std::map<UINT, std::unique_ptr<DialogTemplate>> templates;
  return templates;
}

}  // namespace

const DialogItemTemplate* DialogTemplate::Item(UINT itemId) const {
  for (const DialogItemTemplate& item : items)
    if (item.id == itemId) return &item;
  return nullptr;
}

DialogBaseUnits GetDialogBaseUnits() {
  // The font does not change while the program runs: measured once.
  static const DialogBaseUnits units = [] {
    DialogBaseUnits measured;
    const QFontMetrics metrics(DialogFont());
    // The original platform's rule: the alphabet's mean width, rounded.
    const int alphabet = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    measured.x = std::max(1, (alphabet / 26 + 1) / 2);
    measured.y = std::max(1, metrics.ascent() + metrics.descent());
    return measured;
  }();
  return units;
}

int DialogUnitsToPixelsX(int units) { return units * GetDialogBaseUnits().x / 4; }
int DialogUnitsToPixelsY(int units) { return units * GetDialogBaseUnits().y / 8; }
int PixelsToDialogUnitsX(int pixels) { return pixels * 4 / GetDialogBaseUnits().x; }
int PixelsToDialogUnitsY(int pixels) { return pixels * 8 / GetDialogBaseUnits().y; }

CRect MapDialogUnits(int x, int y, int cx, int cy) {
  const int left = DialogUnitsToPixelsX(x);
  const int top = DialogUnitsToPixelsY(y);
  return CRect(left, top, DialogUnitsToPixelsX(x + cx), DialogUnitsToPixelsY(y + cy));
}

void RegisterDialogTemplate(const DialogTemplate& dialogTemplate) {
  std::lock_guard<std::mutex> lock(g_templatesMutex);
  // Replaced in place so that pointers handed out earlier stay valid.
  auto& slot = Templates()[dialogTemplate.id];
  if (slot) *slot = dialogTemplate;
  else slot = std::make_unique<DialogTemplate>(dialogTemplate);
}

const DialogTemplate* FindDialogTemplate(UINT id) {
  std::lock_guard<std::mutex> lock(g_templatesMutex);
  auto it = Templates().find(id);
  return it == Templates().end() ? nullptr : it->second.get();
}

std::vector<UINT> RegisteredDialogTemplateIds() {
  std::lock_guard<std::mutex> lock(g_templatesMutex);
  std::vector<UINT> ids;
  ids.reserve(Templates().size());
  for (const auto& [id, dialogTemplate] : Templates()) ids.push_back(id);
  return ids;
}
