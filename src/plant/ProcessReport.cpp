#include "plant/ProcessReport.h"

std::string CProcessReport::Get() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_text;
}

void CProcessReport::Set(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_text = text;
}
