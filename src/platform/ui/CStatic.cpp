#include "platform/ui/CStatic.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>

#include "platform/ui/TextLayout.h"

namespace {

// A static control's text shows with the prefix rule unless SS_NOPREFIX: "&&" is one "&".
QString ShownText(const std::string& text, DWORD style) {
  const QString raw = QString::fromStdString(text);
  return (style & SS_NOPREFIX) ? raw : StripPrefix(raw);
}

}  // namespace

QWidget* CStatic::CreateWidget(QWidget* parent, const CREATESTRUCT& cs) {
  auto* label = new QLabel(parent);
  const DWORD type = cs.style & SS_TYPEMASK;
  if (type == SS_ETCHEDFRAME) {
    label->setFrameStyle(QFrame::Box | QFrame::Sunken);
  } else if (type == SS_BLACKRECT) {
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
  } else if (type != SS_OWNERDRAW && type != SS_ICON && type != SS_BITMAP) {
    Qt::Alignment align = type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    align |= (cs.style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(align);
    label->setWordWrap(type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE);
    label->setText(ShownText(cs.lpszName, cs.style));
  }
  if (cs.style & SS_SUNKEN) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setTextFormat(Qt::PlainText);
  return label;
}

void CStatic::ApplyTextToWidget(const std::string& text) {
  if (auto* label = qobject_cast<QLabel*>(GetWidget())) {
    const DWORD type = GetStyle() & SS_TYPEMASK;
    if (type != SS_ETCHEDFRAME && type != SS_BLACKRECT && type != SS_OWNERDRAW) label->setText(ShownText(text, GetStyle()));
  }
}

bool CStatic::PreTranslateQtEvent(QEvent* event) {
  if ((GetStyle() & SS_NOTIFY) != 0) {
    if (event->type() == QEvent::MouseButtonRelease) NotifyParent(STN_CLICKED);
    else if (event->type() == QEvent::MouseButtonDblClick) NotifyParent(STN_DBLCLK);
  }
  return CControlBase::PreTranslateQtEvent(event);
}
