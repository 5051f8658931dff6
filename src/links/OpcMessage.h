#pragma once
// Every message of the OPC link goes through here: formatted printf-style into at
// most 511 characters (a longer text is cut) and shown system-modal with OK and no icon.
#include <string>

// Returns the button pressed (always OK). While a ScopedOpcMessagesLater is
// alive it is shown later instead, as OpcMessageLater does.
int OpcMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Shown once the UI thread's event loop comes to it, never inside the call
// (a server's callback, a link's stop): a box services every event while it
// is open. While the program closes it goes to the standard error output.
void OpcMessageLater(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text OpcMessage would show for these arguments.
std::string FormatOpcMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While one lives (UI thread), no OPC message opens a box: each is shown later.
class ScopedOpcMessagesLater {
 public:
  ScopedOpcMessagesLater();
  ~ScopedOpcMessagesLater();
  ScopedOpcMessagesLater(const ScopedOpcMessagesLater&) = delete;
  ScopedOpcMessagesLater& operator=(const ScopedOpcMessagesLater&) = delete;
};

constexpr std::size_t kOpcMessageMaxLength = 511;
