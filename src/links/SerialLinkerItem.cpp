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
  // Before the first reading there is nothing to tell a command from.
  if (!m_hasShownReading || m_commandFailed || !tag.IsWritePending()) return false;
  return tag.GetValue() != m_readingShown;
}
