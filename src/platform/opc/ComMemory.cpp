#include "platform/opc/ComMemory.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

void* CoTaskMemAlloc(std::size_t bytes) { return std::malloc(bytes == 0 ? 1 : bytes); }

void CoTaskMemFree(void* block) { std::free(block); }

LPWSTR CoTaskMemAllocString(std::u16string_view text) {
  auto* copy = static_cast<char16_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t)));
  if (!copy) return nullptr;
  std::memcpy(copy, text.data(), text.size() * sizeof(char16_t));
  copy[text.size()] = u'\0';
  return copy;
}

// A BSTR block: the byte length in the 32 bits before the text, a terminating zero after it.
BSTR SysAllocStringLen(const char16_t* text, UINT length) {
  const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(char16_t);
  auto* block = static_cast<std::uint8_t*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(char16_t)));
  if (!block) return nullptr;
  const std::uint32_t byteLength = static_cast<std::uint32_t>(bytes);
  std::memcpy(block, &byteLength, sizeof byteLength);
  auto* chars = reinterpret_cast<char16_t*>(block + sizeof(std::uint32_t));
  if (text) {
    std::memcpy(chars, text, bytes);
  } else {
    std::memset(chars, 0, bytes);
  }
  chars[length] = u'\0';
  return chars;
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<std::uint8_t*>(text) - sizeof(std::uint32_t));
}

UINT SysStringLen(BSTR text) {
  if (!text) return 0;
  std::uint32_t byteLength = 0;
  std::memcpy(&byteLength, reinterpret_cast<std::uint8_t*>(text) - sizeof(std::uint32_t), sizeof byteLength);
  return byteLength / sizeof(char16_t);
}

std::u16string WideText(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

FILETIME CurrentFileTime() {
  // 100 ns intervals between 1601-01-01 and 1970-01-01.
  constexpr std::uint64_t kEpochOffset = 116444736000000000ull;
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  const auto ticks = std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(since1970);
  return FILETIME::From(kEpochOffset + static_cast<std::uint64_t>(ticks.count()));
}
