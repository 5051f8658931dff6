#include "platform/ui/CDocument.h"

#include <algorithm>

#include "platform/ui/CFrameWnd.h"
#include "platform/ui/CView.h"

CDocument::~CDocument() {
  for (CView* view : m_views) view->m_pDocument = nullptr;
}

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  m_pathName.clear();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::string& path) {
  DeleteContents();
  m_pathName = path;
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::SetTitle(const std::string& title) {
  m_title = title;
  for (CView* view : m_views) {
    if (CFrameWnd* frame = view->GetParentFrame()) frame->OnUpdateFrameTitle(TRUE);
  }
}

void CDocument::AddView(CView* view) {
  if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
  m_views.push_back(view);
  view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view) {
  m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
  if (view->m_pDocument == this) view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint) {
  for (CView* view : m_views) {
    if (view != sender) view->OnUpdate(sender, hint);
  }
}

BOOL CDocument::OnCmdMsg(UINT, int) { return FALSE; }
