#pragma once
// Every message of the OPC link goes through here: formatted printf-style into at
// most 511 characters (a longer text is cut) and shown system-modal with OK and no icon.
#include <string>

// Returns the button pressed (always OK).
int OpcMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The text OpcMessage would show for these arguments.
std::string FormatOpcMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

constexpr std::size_t kOpcMessageMaxLength = 511;
