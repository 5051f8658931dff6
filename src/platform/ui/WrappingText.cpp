#include "platform/ui/WrappingText.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

WrappingText::WrappingText(const QString& text, QWidget* parent) : QWidget(parent), m_text(text) {
  m_document.setDocumentMargin(0);
  m_document.setDefaultFont(font());
  QTextOption option = m_document.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  m_document.setDefaultTextOption(option);
  m_document.setPlainText(text);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

WrappingText* WrappingText::TakePlaceOf(QLabel& label) {
  QWidget* parent = label.parentWidget();
  QLayout* layout = parent ? parent->layout() : nullptr;
  if (!layout) return nullptr;
  auto* text = new WrappingText(label.text(), parent);
  text->setFont(label.font());
  QTextOption option = text->m_document.defaultTextOption();
  option.setAlignment(label.alignment());
  text->m_document.setDefaultTextOption(option);
  // The layout searches its nested layouts too; the item it gives back is ours to delete.
  QLayoutItem* item = layout->replaceWidget(&label, text, Qt::FindChildrenRecursively);
  if (!item) {
    delete text;
    return nullptr;
  }
  delete item;
  label.hide();
  return text;
}

void WrappingText::LayOutAt(int width) const {
  if (m_document.textWidth() != width) m_document.setTextWidth(width);
}

int WrappingText::heightForWidth(int width) const {
  LayOutAt(width);
  return static_cast<int>(std::ceil(m_document.size().height()));
}

QSize WrappingText::sizeHint() const {
  // As wide as its longest paragraph, unwrapped; the box narrows it to its limit.
  m_document.setTextWidth(-1);
  const int width = static_cast<int>(std::ceil(m_document.idealWidth()));
  return QSize(width, heightForWidth(width));
}

QSize WrappingText::minimumSizeHint() const { return sizeHint(); }

std::vector<WrappingText::Line> WrappingText::Lines() const {
  LayOutAt(width());
  std::vector<Line> lines;
  for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    for (int i = 0; layout && i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      lines.push_back({block.text().mid(line.textStart(), line.textLength()), line.naturalTextWidth()});
    }
  }
  return lines;
}

void WrappingText::paintEvent(QPaintEvent*) {
  LayOutAt(width());
  QPainter painter(this);
  QAbstractTextDocumentLayout::PaintContext context;
  context.palette = palette();
  context.palette.setColor(QPalette::Text, palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                                           QPalette::WindowText));
  m_document.documentLayout()->draw(&painter, context);
}

void WrappingText::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) {
    m_document.setDefaultFont(font());
    updateGeometry();
  }
  QWidget::changeEvent(event);
}
