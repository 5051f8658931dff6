#include "platform/ui/DialogTemplate.h"

#include <map>
#include <memory>
#include <mutex>

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
