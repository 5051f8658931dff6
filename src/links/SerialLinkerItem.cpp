#include "links/SerialLinkerItem.h"

#include "datacenter/DCTag.h"

CSerialLinkerItem::CSerialLinkerItem(CHwLinkerEngine* engine) : CHwLinkerItem(engine) {}

CSerialLinkerItem::~CSerialLinkerItem() = default;

void CSerialLinkerItem::NoteReadingShown(const Variant& tagValue) {
  m_readingShown = tagValue;
  m_hasShownReading = true;
  m_commandFailed = false;
}

bool CSerialLinkerItem::HoldsCommandNotYetWritten(const CDCTag& tag) const {
  if (m_commandFailed || !tag.IsWritePending()) return false;
  // Before the first reading a pending value can only be a command: the first
  // reading, posted before the command was given and handled after it, would
  // otherwise take its place, and the write would then find nothing to send.
  if (!m_hasShownReading) return true;
  return tag.GetValue() != m_readingShown;
}
