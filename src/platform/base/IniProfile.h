#pragma once
// Windows profile (ini) files, read and written with the platform's rules:
//  - sections "[name]" and keys "key=value" match case-insensitively;
//  - blanks around section names, keys and values are trimmed, and one pair of
//    matching quotes ('..' or "..") around a value is stripped;
//  - lines starting with ';' are comments; CRLF or LF line ends, each line its own;
//  - a read gives the default when the file, section or key is missing, and is
//    cut to `maxBytes` bytes on a UTF-8 boundary (254 for a 255-byte buffer);
//  - a write changes only the key's own line (or adds it at the end of its
//    section, or adds the section at the end of the file), keeps every other
//    line as it was, its line end included (an added line takes the end of the
//    line before it, CRLF in a new file), and replaces the file atomically
//    (through a link, the file it points to); a line break in a written section,
//    key or value becomes a blank, so a write never adds lines of its own;
//  - writers of one folder take turns across threads and processes, so two
//    programs writing the same file never lose each other's keys, and a write
//    removes the temporary files that writers killed mid-write left behind;
//  - a file that exists but cannot be read is never rewritten (the write fails);
//  - a UTF-8 byte-order mark at the start is ignored on read and kept on write.
// Parsed files are cached and re-read when the file changes on disk.
#include <optional>
#include <string>
#include <vector>

namespace ini {

constexpr std::size_t kDefaultMaxBytes = 254;

std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& defaultValue, std::size_t maxBytes = kDefaultMaxBytes);
// Writes `value`; std::nullopt deletes the key. False (message in *error) when the file cannot be written.
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::optional<std::string>& value, std::string* error = nullptr);
bool DeleteSection(const std::string& path, const std::string& section, std::string* error = nullptr);
bool SectionExists(const std::string& path, const std::string& section);
// Key names of a section in file order (as written in the file).
std::vector<std::string> KeysOf(const std::string& path, const std::string& section);
// Forgets every cached file (tests that rewrite files within one timestamp tick).
void ClearCache();

}  // namespace ini
