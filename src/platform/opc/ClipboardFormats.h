#pragma once
// Registered clipboard format numbers: one process-wide table, so the OPC client and
// the in-process server agree on the numbers of the data-stream formats.
#include <string>

#include "platform/opc/ComBase.h"

// The number of a format name (case-insensitive); registering a name again gives
// the same number. Numbers start at 0xC000. 0 for an empty name.
UINT RegisterClipboardFormatA(const char* name);
// The name registered under a number, or "" when none.
std::string GetClipboardFormatName(UINT format);
