#pragma once
// A document template: how documents of one kind are made and shown (document,
// child frame and view makers, the resource id and the document strings). It
// owns its documents.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CDocument;
class CFrameWnd;
class CView;

class CDocTemplate {
 public:
  using DocumentMaker = std::function<std::unique_ptr<CDocument>()>;
  using FrameMaker = std::function<CFrameWnd*()>;  // a new object; its window owns it
  using ViewMaker = std::function<CView*()>;       // likewise

  enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

  CDocTemplate(UINT resourceId, std::string docStrings, DocumentMaker makeDocument, FrameMaker makeFrame,
               ViewMaker makeView);
  virtual ~CDocTemplate();
  CDocTemplate(const CDocTemplate&) = delete;
  CDocTemplate& operator=(const CDocTemplate&) = delete;

  // A new document (path empty) or the document of a file, in a new frame.
  virtual CDocument* OpenDocumentFile(const std::string& path, BOOL makeVisible = TRUE);
  virtual CFrameWnd* CreateNewFrame(CDocument* document, CFrameWnd* other);
  virtual void InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible = TRUE);
  std::string GetDocString(DocStringIndex index) const;
  UINT GetResourceId() const { return m_resourceId; }

  const std::vector<std::unique_ptr<CDocument>>& Documents() const { return m_documents; }
  // Closes every frame of the document and deletes it.
  void CloseDocument(CDocument* document);
  void CloseAllDocuments();

 protected:
  CDocument* CreateNewDocument();
  void SetDefaultTitle(CDocument* document);

 private:
  UINT m_resourceId;
  std::string m_docStrings;
  DocumentMaker m_makeDocument;
  FrameMaker m_makeFrame;
  ViewMaker m_makeView;
  std::vector<std::unique_ptr<CDocument>> m_documents;
  int m_untitledCount = 0;
};

// The multiple-document form (one frame per view, all inside the MDI frame).
using CMultiDocTemplate = CDocTemplate;
