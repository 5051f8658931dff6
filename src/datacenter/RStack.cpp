#include "datacenter/RStack.h"

#include <algorithm>
#include <cstdint>

#include "platform/base/Clock.h"

namespace {

// The sample as a number of its own type; anything else adds nothing.
double SampleAsDouble(const Variant& value) {
  switch (value.vt) {
    case VT_I2: return value.iVal;
    case VT_I4: return value.lVal;
    case VT_R4: return value.fltVal;
    default: return 0.0;
  }
}

std::int64_t SampleAsInt64(const Variant& value) {
  switch (value.vt) {
    case VT_I2: return value.iVal;
    case VT_I4: return value.lVal;
    case VT_R4: return static_cast<std::int64_t>(value.fltVal);
    default: return 0;
  }
}

}  // namespace

bool IsStackableType(VARTYPE type) { return type == VT_I2 || type == VT_I4 || type == VT_R4; }

CRStack::CRStack() = default;
CRStack::~CRStack() = default;

int CRStack::GetSize() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return Size();
}

void CRStack::SetSize(int n) {
  if (n <= 1) n = 0;
  std::lock_guard<std::mutex> lock(m_lock);
  if (n == Size()) return;
  m_items.resize(static_cast<std::size_t>(n));
  if (n == 0) {
    // Off: the samples are gone, so a history switched on again must start with
    // the first-push fill rather than average stale empty slots.
    m_head = -1;
    m_count = 0;
    return;
  }
  if (m_head >= n) SetHeadLocked(0);
  m_count = std::min(m_count, n);
}

std::optional<CRStackItem> CRStack::GetItem(int i, bool circular) const {
  std::lock_guard<std::mutex> lock(m_lock);
  const int slot = circular ? CircularIndexLocked(i) : i;
  if (slot < 0 || slot >= Size()) return std::nullopt;
  return m_items[static_cast<std::size_t>(slot)];
}

Variant CRStack::GetItemValue(int i) const {
  std::lock_guard<std::mutex> lock(m_lock);
  if (i < 0 || i >= Size()) return Variant::I4(0);
  return m_items[static_cast<std::size_t>(i)].value;
}

BOOL CRStack::Push(const Variant& value) {
  if (!IsStackableType(value.vt)) return FALSE;
  const DATE now = NowOleDate();
  std::lock_guard<std::mutex> lock(m_lock);
  const int size = Size();
  if (size < 2) return FALSE;
  auto store = [&](int slot) {
    CRStackItem& item = m_items[static_cast<std::size_t>(slot)];
    item.value = value;
    item.filled = true;
    if (m_timeStamps) item.time = now;
  };
  if (m_head == -1) {
    SetHeadLocked(0);
    store(0);
    // Without time stamps the first sample fills the ring, so the average is the
    // sample itself from the start.
    if (!m_timeStamps) {
      for (int slot = 1; slot < size; ++slot) store(slot);
    }
  } else {
    SetHeadLocked(m_head + 1);
    store(m_head);
  }
  m_count = std::min(size, m_count + 1);
  return TRUE;
}

Variant CRStack::Average() const {
  std::lock_guard<std::mutex> lock(m_lock);
  const int size = Size();
  if (size < 1 || m_head == -1) return Variant();
  const VARTYPE type = m_items[0].value.vt;
  if (!IsStackableType(type)) return Variant();
  // Summed wide and divided once, so neither 16- nor 32-bit samples overflow.
  if (type == VT_R4) {
    double sum = 0.0;
    for (const CRStackItem& item : m_items) sum += SampleAsDouble(item.value);
    return Variant::R4(static_cast<float>(sum / size));
  }
  std::int64_t sum = 0;
  for (const CRStackItem& item : m_items) sum += SampleAsInt64(item.value);
  const std::int64_t mean = sum / size;  // truncated toward zero
  if (type == VT_I2) return Variant::I2(static_cast<std::int16_t>(mean));
  return Variant::I4(static_cast<std::int32_t>(mean));
}

void CRStack::SetTimeStamps(bool on) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_timeStamps = on;
}

bool CRStack::HasTimeStamps() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_timeStamps;
}

int CRStack::GetHead() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_head;
}

void CRStack::SetHead(int i) {
  std::lock_guard<std::mutex> lock(m_lock);
  SetHeadLocked(i);
}

int CRStack::GetCount() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_count;
}

void CRStack::SetCount(int n) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_count = std::clamp(n, 0, Size());
}

int CRStack::GetCircularIndex(int i) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return CircularIndexLocked(i);
}

void CRStack::SetHeadLocked(int i) { m_head = (i >= 0 && i < Size()) ? i : 0; }

int CRStack::CircularIndexLocked(int i) const {
  const int size = Size();
  if (i < 0 || i >= size) return -1;
  if (m_head == -1 || m_count < size) return i;
  return (m_head + i + 1) % size;
}
