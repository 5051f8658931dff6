#pragma once
// A document: a title, a modified flag and the views that show it. It owns no
// windows; its template owns it.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CView;
class CDocTemplate;

class CDocument {
 public:
  CDocument() = default;
  virtual ~CDocument();
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  // A new, empty document: contents dropped and not modified.
  virtual BOOL OnNewDocument();
  // This framework stores no files: opening gives an empty document named after the file.
  virtual BOOL OnOpenDocument(const std::string& path);
  virtual void DeleteContents() {}
  virtual void SetModifiedFlag(BOOL modified = TRUE) { m_modified = modified != FALSE; }
  BOOL IsModified() const { return m_modified ? TRUE : FALSE; }

  virtual void SetTitle(const std::string& title);
  const std::string& GetTitle() const { return m_title; }
  const std::string& GetPathName() const { return m_pathName; }
  void SetPathName(const std::string& path) { m_pathName = path; }

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return m_views; }
  CView* GetFirstView() const { return m_views.empty() ? nullptr : m_views.front(); }
  void UpdateAllViews(CView* sender, LPARAM hint = 0);

  CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
  // Commands the document handles; TRUE when handled.
  virtual BOOL OnCmdMsg(UINT id, int code);

  CDocTemplate* m_pDocTemplate = nullptr;

 private:
  std::string m_title;
  std::string m_pathName;
  bool m_modified = false;
  std::vector<CView*> m_views;
};
