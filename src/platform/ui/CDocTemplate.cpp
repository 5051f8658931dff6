#include "platform/ui/CDocTemplate.h"

#include <algorithm>

#include "platform/ui/CDocument.h"
#include "platform/ui/CFrameWnd.h"
#include "platform/ui/CView.h"
#include "platform/ui/CWinApp.h"

CDocTemplate::CDocTemplate(UINT resourceId, std::string docStrings, DocumentMaker makeDocument, FrameMaker makeFrame,
                           ViewMaker makeView)
    : m_resourceId(resourceId),
      m_docStrings(std::move(docStrings)),
      m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)),
      m_makeView(std::move(makeView)) {}

CDocTemplate::~CDocTemplate() = default;

std::string CDocTemplate::GetDocString(DocStringIndex index) const {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    start = m_docStrings.find('\n', start);
    if (start == std::string::npos) return std::string();
    ++start;
  }
  const std::size_t end = m_docStrings.find('\n', start);
  return m_docStrings.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

CDocument* CDocTemplate::CreateNewDocument() {
  if (!m_makeDocument) return nullptr;
  std::unique_ptr<CDocument> document = m_makeDocument();
  if (!document) return nullptr;
  document->m_pDocTemplate = this;
  m_documents.push_back(std::move(document));
  return m_documents.back().get();
}

void CDocTemplate::SetDefaultTitle(CDocument* document) {
  std::string title = GetDocString(docName);
  if (title.empty()) title = "Untitled";
  document->SetTitle(title + std::to_string(++m_untitledCount));
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* document, CFrameWnd*) {
  if (!m_makeFrame) return nullptr;
  CFrameWnd* frame = m_makeFrame();
  if (!frame) return nullptr;
  frame->m_bAutoDelete = true;
  CCreateContext context;
  context.m_newView = m_makeView;
  context.m_pCurrentDoc = document;
  context.m_pNewDocTemplate = this;
  CWinApp* app = AfxGetApp();
  CWnd* mainWindow = app ? app->m_pMainWnd : nullptr;
  if (!frame->LoadFrame(m_resourceId, WS_CHILD | WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, mainWindow, &context)) {
    return nullptr;  // the frame deleted itself
  }
  return frame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* frame, CDocument* document, BOOL makeVisible) {
  frame->InitialUpdateFrame(document, makeVisible);
}

CDocument* CDocTemplate::OpenDocumentFile(const std::string& path, BOOL makeVisible) {
  CDocument* document = CreateNewDocument();
  if (!document) return nullptr;
  CFrameWnd* frame = CreateNewFrame(document, nullptr);
  if (!frame) {
    CloseDocument(document);
    return nullptr;
  }
  bool opened;
  if (path.empty()) {
    SetDefaultTitle(document);
    opened = document->OnNewDocument() != FALSE;
  } else {
    opened = document->OnOpenDocument(path) != FALSE;
    const std::size_t slash = path.find_last_of('/');
    document->SetTitle(slash == std::string::npos ? path : path.substr(slash + 1));
  }
  if (!opened) {
    frame->DestroyWindow();
    CloseDocument(document);
    return nullptr;
  }
  InitialUpdateFrame(frame, document, makeVisible);
  return document;
}

void CDocTemplate::CloseDocument(CDocument* document) {
  // Frames first: each takes its views (and so their links to the document) along.
  std::vector<HWND> frames;
  for (CView* view : document->GetViews()) {
    if (CFrameWnd* frame = view->GetParentFrame()) frames.push_back(frame->GetSafeHwnd());
  }
  for (HWND handle : frames) {
    if (CWnd* frame = CWnd::FromHandle(handle)) frame->DestroyWindow();
  }
  m_documents.erase(std::remove_if(m_documents.begin(), m_documents.end(),
                                   [document](const std::unique_ptr<CDocument>& d) { return d.get() == document; }),
                    m_documents.end());
}

void CDocTemplate::CloseAllDocuments() {
  while (!m_documents.empty()) CloseDocument(m_documents.back().get());
}
