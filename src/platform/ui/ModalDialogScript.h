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

// Tests: a modal dialog that opens with no script queued ends at once with
// `answer` instead of waiting for a user who never comes, and is counted.
// 0 (the default) lets such a dialog wait.
void SetUnscriptedAnswer(int answer);
int UnscriptedAnswer();
int UnscriptedCount();

}  // namespace modal_script
