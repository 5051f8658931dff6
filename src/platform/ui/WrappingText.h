#pragma once
// Plain text laid out to the width it is given: at word boundaries, and
// anywhere inside a word longer than a line (a long folder path), so that no
// part of it is cut off. A message box shows its text with it in place of
// Qt's label, which lets such a word run past the box's edge. Not selectable,
// as the original platform's boxes are not (Ctrl+C on the box copies it all).
#include <QString>
#include <QTextDocument>
#include <QWidget>
#include <vector>

class QLabel;

class WrappingText final : public QWidget {
 public:
  explicit WrappingText(const QString& text, QWidget* parent = nullptr);

  QString Text() const { return m_text; }
  // The lines as laid out at the present width, with their widths.
  struct Line {
    QString text;
    qreal width = 0;
  };
  std::vector<Line> Lines() const;

  // Takes `label`'s place in its parent's layout, with its text, font and
  // alignment; the label stays, hidden (what asks the label for its text still
  // gets it). Null when the label is in no layout.
  static WrappingText* TakePlaceOf(QLabel& label);

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void LayOutAt(int width) const;

  QString m_text;
  mutable QTextDocument m_document;
};
