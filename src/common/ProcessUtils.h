#pragma once
// The program's folder and name, data-file checks, the clipboard and the
// single-instance check at start-up.
#include <string>

// The program file's folder, ending in "/" (tests override it through ProgramFolder).
std::string GetModuleFolder();
// The application's name, or the program file's path when there is no application object.
std::string GetAppModuleName();

// True when the file exists and is writable. Otherwise shows
// "<label> file not found!\n<path>" or "<label> file is Read-Only!\n<path>"
// (system-modal, stop icon) and gives false. Read-only means no write bit is set,
// which also holds for root, who could write it anyway. A folder or anything
// else but a file at the path is not found.
bool CheckFileWritable(const std::string& label, const std::string& path);

// Puts the text without its leading blanks on the clipboard. False when the
// clipboard cannot be written or nothing is left after the blanks (the clipboard
// is then empty).
bool CopyTextToClipboard(const std::string& text);

// The lock file that stands for the named mutex: in $XDG_RUNTIME_DIR when it is
// a folder, else in the temporary folder, named after the mutex.
std::string SingleInstanceLockPath(const std::string& mutexName);
// True when this is the first instance under `mutexName` (whose lock is then held
// until the process ends), or when the operator overrides the refusal by holding
// Ctrl+Shift or the right button. Otherwise shows `message` and gives false.
bool CheckSingleInstance(const std::string& mutexName, const std::string& message);
