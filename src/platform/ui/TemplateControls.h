#pragma once
// Building the controls of an in-code dialog template inside a window, and
// rebuilding one of them as another control object in the same place. Shared
// by dialogs and form views.
#include <map>
#include <memory>
#include <vector>

#include "platform/ui/CWnd.h"
#include "platform/ui/DialogTemplate.h"

// Creates one window per template item as a child of `parent`: the object
// `bound` names for the item's id when it has no window yet, else a new control
// of the item's class, which `owned` keeps. Returns the id of the last default
// push button, or `defaultId` when there is none.
UINT CreateTemplateControls(CWnd* parent, const DialogTemplate& dialogTemplate, const std::map<UINT, CWnd*>& bound,
                            std::vector<std::unique_ptr<CWnd>>& owned, UINT defaultId);

// Builds `control` as the child `id` of `parent` in place of the current one
// (same class, style, text, rectangle, tab place, visibility), deletes the
// current one when `owned` holds it, and runs the library control's adapting
// steps. TRUE when `control` is now that child.
BOOL ReplaceTemplateControl(CWnd* parent, UINT id, CWnd& control, std::vector<std::unique_ptr<CWnd>>& owned);
