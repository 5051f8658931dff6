#include "platform/base/IniProfile.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "platform/base/AtomicFile.h"
#include "platform/base/FolderWriteLock.h"
#include "platform/base/Text.h"

namespace ini {
namespace {

struct Stamp {
  bool exists = false;
  long long size = 0;
  long long mtimeNs = 0;
  unsigned long long inode = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const std::string& path) {
  struct stat st{};
  Stamp s;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.size = st.st_size;
  s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  s.inode = st.st_ino;
  return s;
}

struct Line {
  std::string text;         // without its line end
  std::string end;          // "\r\n", "\n", or "" for a last line without one
  enum Kind { Other, Section, Key } kind = Other;
  std::string name;         // lower-case section or key name
  std::string value;        // key: trimmed, quotes stripped
};

struct ParsedFile {
  Stamp stamp;
  std::vector<Line> lines;
  std::string byteOrderMark;  // a UTF-8 mark that an editor put first, kept on write
  bool unreadable = false;    // the file exists but could not be read: never overwrite it
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

void Classify(Line& line) {
  std::string t = ruv::Trim(line.text, " \t");
  line.kind = Line::Other;
  if (t.empty() || t[0] == ';') return;
  if (t[0] == '[') {
    auto close = t.find(']');
    if (close == std::string::npos) return;
    line.kind = Line::Section;
    line.name = ruv::ToLowerAscii(ruv::Trim(t.substr(1, close - 1), " \t"));
    return;
  }
  auto eq = t.find('=');
  if (eq == std::string::npos) return;
  line.kind = Line::Key;
  line.name = ruv::ToLowerAscii(ruv::Trim(t.substr(0, eq), " \t"));
  line.value = Unquote(ruv::Trim(t.substr(eq + 1), " \t"));
}

ParsedFile Parse(const std::string& content, const Stamp& stamp) {
  ParsedFile file;
  file.stamp = stamp;
  std::size_t start = 0;
  if (content.compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) {
    file.byteOrderMark = kUtf8Bom;
    start = kUtf8Bom.size();
  }
  while (start < content.size()) {
    auto end = content.find('\n', start);
    Line line;
    if (end == std::string::npos) {
      line.text = content.substr(start);
      start = content.size();
    } else {
      line.text = content.substr(start, end - start);
      start = end + 1;
      line.end = "\n";
      if (!line.text.empty() && line.text.back() == '\r') {
        line.text.pop_back();
        line.end = "\r\n";
      }
    }
    Classify(line);
    file.lines.push_back(std::move(line));
  }
  return file;
}

std::string Serialize(const ParsedFile& file) {
  std::string out = file.byteOrderMark;
  for (const Line& line : file.lines) out += line.text + line.end;
  return out;
}

// The line end a line added before line `at` takes: that of the line before it
// (the nearest one that has an end), CRLF in a file without any.
std::string EndBefore(const ParsedFile& file, std::size_t at) {
  for (std::size_t i = std::min(at, file.lines.size()); i > 0; --i)
    if (!file.lines[i - 1].end.empty()) return file.lines[i - 1].end;
  return "\r\n";
}

// Adds `line` before line `at`; a last line without an end gets one first.
void InsertLine(ParsedFile& file, std::size_t at, Line line) {
  line.end = EndBefore(file, at);
  if (at > 0 && file.lines[at - 1].end.empty()) file.lines[at - 1].end = line.end;
  file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

// Removes lines [first, last); a file that did not end with a line end still does not.
void EraseLines(ParsedFile& file, std::size_t first, std::size_t last) {
  const bool lastRemoved = last == file.lines.size();
  const bool endedBare = !file.lines.empty() && file.lines.back().end.empty();
  file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(first),
                   file.lines.begin() + static_cast<std::ptrdiff_t>(last));
  if (lastRemoved && endedBare && !file.lines.empty()) file.lines.back().end.clear();
}

std::mutex g_profileMutex;
std::map<std::string, std::shared_ptr<const ParsedFile>> g_cache;

// The parsed file, re-read when it changed on disk. Caller holds g_profileMutex.
std::shared_ptr<const ParsedFile> Load(const std::string& path) {
  Stamp stamp = StampOf(path);
  auto it = g_cache.find(path);
  if (it != g_cache.end() && it->second->stamp == stamp) return it->second;
  std::string content;
  if (!stamp.exists || !ReadWholeFile(path, content)) {
    auto empty = std::make_shared<ParsedFile>();
    empty->stamp = stamp;
    empty->unreadable = stamp.exists;
    if (!empty->unreadable) g_cache[path] = empty;
    return empty;
  }
  auto parsed = std::make_shared<const ParsedFile>(Parse(content, stamp));
  g_cache[path] = parsed;
  return parsed;
}

// [first, last) line range of a section's body; first == npos when missing.
std::pair<std::size_t, std::size_t> SectionRange(const ParsedFile& file, const std::string& lowerSection,
                                                 std::size_t* headerLine = nullptr) {
  for (std::size_t i = 0; i < file.lines.size(); ++i) {
    if (file.lines[i].kind == Line::Section && file.lines[i].name == lowerSection) {
      std::size_t j = i + 1;
      while (j < file.lines.size() && file.lines[j].kind != Line::Section) ++j;
      if (headerLine) *headerLine = i;
      return {i + 1, j};
    }
  }
  return {std::string::npos, std::string::npos};
}

// A file that exists but cannot be read would be replaced by the few lines we
// know of: refuse the write instead.
bool RefuseUnreadable(const std::string& path, const ParsedFile& file, std::string* error) {
  if (!file.unreadable) return false;
  if (error) *error = path + ": the file cannot be read, so it is not rewritten";
  return true;
}

// A line break inside a section, key or value would add lines of its own to the file.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

// The file a write replaces: the one a link points to, not the link.
std::string WriteTarget(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) {
    auto resolved = std::filesystem::canonical(path, ec);
    if (!ec) return resolved.string();
  }
  return path;
}

// A write reads the file afresh under the folder's lock, so that a key another
// program wrote since our last read is kept (a cached copy could be older).
struct WriteTurn {
  explicit WriteTurn(const std::string& path) : target(WriteTarget(path)), lock(target) { g_cache.erase(path); }
  std::string target;
  FolderWriteLock lock;
};

bool Store(const std::string& path, const WriteTurn& turn, ParsedFile file, std::string* error) {
  std::string content = Serialize(file);
  if (!WriteFileAtomically(turn.target, content, error, turn.lock)) {
    g_cache.erase(path);
    return false;
  }
  file.stamp = StampOf(path);
  g_cache[path] = std::make_shared<const ParsedFile>(std::move(file));
  return true;
}

}  // namespace

std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& defaultValue, std::size_t maxBytes) {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  auto file = Load(path);
  std::string lowerSection = ruv::ToLowerAscii(ruv::Trim(section, " \t"));
  std::string lowerKey = ruv::ToLowerAscii(ruv::Trim(key, " \t"));
  auto [first, last] = SectionRange(*file, lowerSection);
  if (first != std::string::npos) {
    for (std::size_t i = first; i < last; ++i) {
      const Line& line = file->lines[i];
      if (line.kind == Line::Key && line.name == lowerKey) return ruv::CutUtf8(line.value, maxBytes);
    }
  }
  return ruv::CutUtf8(ruv::TrimRight(defaultValue, " \t"), maxBytes);
}

bool WriteString(const std::string& path, const std::string& sectionName, const std::string& keyName,
                 const std::optional<std::string>& rawValue, std::string* error) {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  const WriteTurn turn(path);
  ParsedFile file = *Load(path);
  if (RefuseUnreadable(path, file, error)) return false;
  const std::string section = OneLine(sectionName);
  const std::string key = OneLine(keyName);
  std::optional<std::string> value;
  if (rawValue) value = OneLine(*rawValue);
  std::string lowerSection = ruv::ToLowerAscii(ruv::Trim(section, " \t"));
  std::string lowerKey = ruv::ToLowerAscii(ruv::Trim(key, " \t"));
  auto [first, last] = SectionRange(file, lowerSection);
  Line newLine;
  if (value) {
    newLine.text = ruv::Trim(key, " \t") + "=" + *value;
    Classify(newLine);
  }
  if (first == std::string::npos) {
    if (!value) return true;  // nothing to delete
    Line header;
    header.text = "[" + ruv::Trim(section, " \t") + "]";
    Classify(header);
    InsertLine(file, file.lines.size(), header);
    InsertLine(file, file.lines.size(), newLine);
    return Store(path, turn, std::move(file), error);
  }
  for (std::size_t i = first; i < last; ++i) {
    if (file.lines[i].kind == Line::Key && file.lines[i].name == lowerKey) {
      if (value) {
        newLine.end = file.lines[i].end;  // the changed line keeps its own end
        file.lines[i] = newLine;
      } else {
        EraseLines(file, i, i + 1);
      }
      return Store(path, turn, std::move(file), error);
    }
  }
  if (!value) return true;
  // New key: after the section's last non-blank line.
  std::size_t insertAt = last;
  while (insertAt > first && ruv::Trim(file.lines[insertAt - 1].text).empty()) --insertAt;
  InsertLine(file, insertAt, newLine);
  return Store(path, turn, std::move(file), error);
}

bool DeleteSection(const std::string& path, const std::string& section, std::string* error) {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  const WriteTurn turn(path);
  ParsedFile file = *Load(path);
  if (RefuseUnreadable(path, file, error)) return false;
  std::size_t header = 0;
  auto [first, last] = SectionRange(file, ruv::ToLowerAscii(ruv::Trim(section, " \t")), &header);
  if (first == std::string::npos) return true;
  EraseLines(file, header, last);
  return Store(path, turn, std::move(file), error);
}

bool SectionExists(const std::string& path, const std::string& section) {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  auto file = Load(path);
  return SectionRange(*file, ruv::ToLowerAscii(ruv::Trim(section, " \t"))).first != std::string::npos;
}

std::vector<std::string> KeysOf(const std::string& path, const std::string& section) {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  auto file = Load(path);
  std::vector<std::string> keys;
  auto [first, last] = SectionRange(*file, ruv::ToLowerAscii(ruv::Trim(section, " \t")));
  if (first == std::string::npos) return keys;
  for (std::size_t i = first; i < last; ++i) {
    const Line& line = file->lines[i];
    if (line.kind == Line::Key) {
      std::string t = ruv::Trim(line.text, " \t");
      keys.push_back(ruv::Trim(t.substr(0, t.find('=')), " \t"));
    }
  }
  return keys;
}

void ClearCache() {
  std::lock_guard<std::mutex> lock(g_profileMutex);
  g_cache.clear();
}

}  // namespace ini
