#pragma once
// Whole-file reads and crash-safe writes: a rewrite goes to a temporary file in
// the same folder, is flushed to disk and renamed over the old file, so a crash
// leaves either the old or the new content, never half of it.
#include <string>

// False when the file cannot be read (message in *error).
bool ReadWholeFile(const std::string& path, std::string& content, std::string* error = nullptr);
// Keeps the old file's permission bits. False (message in *error) when it cannot write.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string* error = nullptr);
bool FileExists(const std::string& path);
// The owner/group/other write bits are all clear (works for root, unlike access()).
bool FileIsReadOnly(const std::string& path);
