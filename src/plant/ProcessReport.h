#pragma once
// The running report text: the recipe-step supervisor writes it on the process
// cycle, the plant form shows it every second. Reads hand out copies.
#include <mutex>
#include <string>

class CProcessReport {
 public:
  std::string Get() const;
  void Set(const std::string& text);
  void Clear() { Set(std::string()); }

 private:
  mutable std::mutex m_mutex;
  std::string m_text;
};
