#pragma once
// Test hook for modal dialogs: each modal dialog that opens takes the oldest
// queued script and runs it once the dialog is shown and initialised. The
// script sets values, presses buttons or sends keys, and normally ends the
// dialog. A modal dialog with no queued script waits for its user (production).
#include <functional>

class CDialog;

namespace modal_script {

using Script = std::function<void(CDialog& dialog)>;
void Push(Script script);
void Clear();
int Pending();
// Takes the oldest script (an empty function when none is queued).
Script Take();

}  // namespace modal_script
