#include "links/SerialLinkerItem.h"

#include "platform/base/Clock.h"

CSerialLinkerItem::CSerialLinkerItem() = default;

CSerialLinkerItem::~CSerialLinkerItem() = default;

Variant CSerialLinkerItem::GetValue() const {
  std::lock_guard<std::mutex> lock(m_valueMutex);
  return m_value;
}

void CSerialLinkerItem::SetValue(const Variant& value) {
  SetLastPollTick(GetTickCount());
  std::lock_guard<std::mutex> lock(m_valueMutex);
  if (!m_value.IsEmpty() && value.vt != m_value.vt) return;
  if (value.IsEmpty()) return;
  m_value = value;
}

void CSerialLinkerItem::ClearValue() {
  std::lock_guard<std::mutex> lock(m_valueMutex);
  m_value.Clear();
}

bool CSerialLinkerItem::IsPollNotDue() const {
  return TicksSince(GetLastPollTick(), GetTickCount()) < GetUpdateRate();
}
