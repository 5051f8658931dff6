#include "controls/CChildDlgCtrl.h"

BOOL CChildDlgCtrl::CreateAt(CWnd* parent, CPoint position, std::uintptr_t ownerData, CPoint offset) {
  m_ownerData = ownerData;
  m_ownerParent = parent;
  if (!Create(GetTemplateID(), parent)) return FALSE;
  CRect client;
  GetClientRect(&client);
  MoveWindow(position.x + offset.x, position.y + offset.y, client.Width(), client.Height(), TRUE);
  return TRUE;
}
