#pragma once
// The framework's archive: little-endian words and counted strings over a byte
// buffer, in one direction (storing or loading). A read past the end throws
// CArchiveException with endOfFile; a malformed string count throws with
// badIndex. Texts are written as their UTF-8 bytes with the framework's
// length prefix; a stored UTF-16 text (the prefix's Unicode mark) reads back
// as UTF-8.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class CArchiveException : public std::runtime_error {
 public:
  enum Cause { none = 0, generic = 1, badIndex = 4, endOfFile = 8 };
  explicit CArchiveException(Cause cause);
  Cause m_cause;
};

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };
  // Storing: into an empty buffer. Loading: from `bytes`.
  explicit CArchive(Mode mode, std::vector<std::uint8_t> bytes = {});

  bool IsStoring() const { return m_mode == store; }
  bool IsLoading() const { return m_mode == load; }
  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
  std::size_t Position() const { return m_read; }

  void Write(const void* data, std::size_t size);
  // Reads exactly `size` bytes or throws endOfFile (nothing is consumed then).
  void Read(void* data, std::size_t size);

  CArchive& operator<<(std::int32_t value);
  CArchive& operator<<(std::uint32_t value);
  CArchive& operator<<(std::int16_t value);
  CArchive& operator<<(std::uint16_t value);
  CArchive& operator<<(std::uint8_t value);
  CArchive& operator<<(const std::string& text);
  CArchive& operator>>(std::int32_t& value);
  CArchive& operator>>(std::uint32_t& value);
  CArchive& operator>>(std::int16_t& value);
  CArchive& operator>>(std::uint16_t& value);
  CArchive& operator>>(std::uint8_t& value);
  CArchive& operator>>(std::string& text);

 private:
  template <typename T>
  void WriteLittle(T value);
  template <typename T>
  T ReadLittle();
  Mode m_mode;
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_read = 0;
};
