#pragma once
// A dialog used as a child control: a derived class names its template, and
// the owner creates it at a point inside a parent window.
#include <cstdint>

#include "platform/ui/CDialog.h"

class CChildDlgCtrl : public CDialog {
 public:
  CChildDlgCtrl() = default;
  virtual UINT GetTemplateID() const = 0;
  BOOL CreateAt(CWnd* parent, CPoint position, std::uintptr_t ownerData, CPoint offset = CPoint(0, 0));
  std::uintptr_t GetOwnerData() const { return m_ownerData; }
  CWnd* GetOwnerParent() const { return m_ownerParent; }

 private:
  std::uintptr_t m_ownerData = 0;
  CWnd* m_ownerParent = nullptr;
};
