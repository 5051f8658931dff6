#include "links/SerialLinkerItem.h"

CSerialLinkerItem::CSerialLinkerItem(CHwLinkerEngine* engine) : CHwLinkerItem(engine) {}

CSerialLinkerItem::~CSerialLinkerItem() = default;

void CSerialLinkerItem::ResetReadCounts() {
  m_readsAsked.store(0);
  m_readings.store(0);
  m_readsRefused.store(0);
  m_readsTimedOut.store(0);
  m_lateReplies.store(0);
}
