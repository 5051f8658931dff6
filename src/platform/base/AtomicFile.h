#pragma once
// Whole-file reads and crash-safe writes: a rewrite goes to a temporary file in
// the same folder, is flushed to disk and renamed over the old file, so a crash
// leaves either the old or the new content, never half of it. A writer killed
// before its rename (kill -9) leaves its temporary file ("<name>.tmp-XXXXXX");
// the next write of that file, or the program's next start, removes it, but
// never one a live writer still holds. An end asked for by a signal waits for
// the rewrites under way (see FileRewriteInProgress).
#include <functional>
#include <string>

class FolderWriteLock;

// False when the file cannot be read (message in *error).
bool ReadWholeFile(const std::string& path, std::string& content, std::string* error = nullptr);
// Keeps the old file's permission bits, owner and group. False (message in
// *error) when it cannot write.
// Takes the folder's write lock for the time of the write.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr);
// The same for a caller that already holds the folder's lock (a read-modify-write).
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error,
                         const FolderWriteLock& held);
// As WriteFileAtomically, but the file is readable and writable by no more
// people than the bits `mostMode` allow: a new file's bits and those kept
// from the old one are cut to them (a copy of another file's records is
// never open to more people than that file).
bool WriteFileAtomicallyWithin(const std::string& path, const std::string& content, unsigned mostMode,
                               std::string* error = nullptr);
// For a file the program keeps by itself: a read-only file at `path` is
// replaced too (a new file and a rename; the new one keeps the old bits, owner
// and group, read-only ones too), its bits cut to `mostMode` as above.
bool ReplaceFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr,
                           unsigned mostMode = 07777);
// Removes the temporary files of `path` whose writers are gone; the caller holds
// the folder's lock. Returns how many were removed.
int RemoveDeadTemporaries(const std::string& path);
// The same, taking the folder's lock itself (at a start, before any write).
int SweepDeadTemporaries(const std::string& path);
// Test seam: when the hook returns true, a write stops as a killed writer would,
// after its temporary file is complete and before the rename (the file stays).
void SetWriteInterruptForTest(std::function<bool(const std::string& temporaryPath)> hook);
// A rename or removal in a folder reaches the disk only with the folder's own
// sync: without it a power cut may keep a later change and lose an earlier one
// (a journal rewritten while its set-aside copy's name is lost). Every write
// above does it after its rename. False when the folder cannot be synced.
bool SyncFolderOf(const std::string& path);
// rename(2), then the folder's sync; false (errno set) when the rename fails.
bool RenameInFolder(const std::string& from, const std::string& to);
bool FileExists(const std::string& path);
// The owner/group/other write bits are all clear (works for root, unlike access()).
bool FileIsReadOnly(const std::string& path);
