#pragma once
// Everything a shape's picture is drawn from, packed into one string: two
// equal keys give the same pixels, so a picture whose key did not change is
// neither drawn again nor repainted.
#include <cstring>
#include <string>
#include <type_traits>

class ShapePictureKey {
 public:
  template <typename T>
    requires std::is_arithmetic_v<T>
  ShapePictureKey& operator<<(T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    m_bytes.append(bytes, sizeof(T));
    return *this;
  }
  // Length first, so two texts side by side cannot read as two others.
  ShapePictureKey& operator<<(const std::string& text) {
    *this << text.size();
    m_bytes += text;
    return *this;
  }
  const std::string& Bytes() const { return m_bytes; }

 private:
  std::string m_bytes;
};
