#include "controls/CFocusEditCtrl.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "platform/base/Text.h"

void CFocusEditCtrl::SetAllowedChars(const std::string& allowed) {
  m_allowed = allowed;
  m_includeMode = !allowed.empty();
}

void CFocusEditCtrl::SetAcceptFiles(bool accept) {
  m_acceptFiles = accept;
  if (GetWidget()) GetWidget()->setAcceptDrops(accept);
}

QWidget* CFocusEditCtrl::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  QWidget* widget = CEdit::CreateWidget(parent, cs);
  widget->setAcceptDrops(m_acceptFiles);
  return widget;
}

std::string CFocusEditCtrl::Filter(const std::string& text) const {
  if (!m_includeMode || m_allowed.empty()) return text;
  std::string kept;
  for (char c : text)
    if (m_allowed.find(c) != std::string::npos) kept += c;
  return kept;
}

bool CFocusEditCtrl::FilterTypedChar(UINT& ch) {
  if (!m_includeMode || m_allowed.empty()) return true;
  if (ch == 0x08) return true;
  return ch < 0x80 && m_allowed.find(static_cast<char>(ch)) != std::string::npos;
}

std::string CFocusEditCtrl::FilterPastedText(const std::string& text) { return Filter(text); }

void CFocusEditCtrl::DropFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  ReplaceSel(Filter(ruv::CutUtf8(paths.front(), 260)), TRUE);
}

bool CFocusEditCtrl::PreTranslateQtEvent(QEvent* event) {
  if (m_acceptFiles && (event->type() == QEvent::DragEnter || event->type() == QEvent::Drop)) {
    auto* drop = static_cast<QDropEvent*>(event);
    if (!drop->mimeData()->hasUrls()) return false;
    if (event->type() == QEvent::DragEnter) {
      drop->acceptProposedAction();
      return true;
    }
    std::vector<std::string> paths;
    for (const QUrl& url : drop->mimeData()->urls()) paths.push_back(url.toLocalFile().toStdString());
    DropFiles(paths);
    drop->acceptProposedAction();
    return true;
  }
  return CEdit::PreTranslateQtEvent(event);
}
