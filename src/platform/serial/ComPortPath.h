#pragma once
// Where a port name leads on this machine. "COMn" stays the name in settings and
// dialogs: it maps to $RUV_COM_DIR/COMn when that variable names a folder holding
// such an entry (tests and benchmarks link pseudo-terminals there), else to
// /dev/ttyS{n-1}. A name that starts with "/" is a path already.
#include <string>

// The device path for a port name, or "" when the name is no port name at all.
std::string ResolveComPortPath(const std::string& portName);

// The number n of a name "COMn" (any case, n >= 1), or 0 for any other name.
int ComPortNumber(const std::string& portName);
