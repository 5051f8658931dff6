#include "platform/ui/CViewPrinter.h"

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/base/MessageBoxService.h"
#include "platform/ui/CView.h"

namespace {

CViewPrinter::PrinterChoice& DialogOverride() {
  static CViewPrinter::PrinterChoice choice;
  return choice;
}

CViewPrinter::PrinterChoice& DefaultPrinterOverride() {
  static CViewPrinter::PrinterChoice choice;
  return choice;
}

QWidget* DialogParent(CView& view) {
  QWidget* widget = view.GetWidget();
  return widget ? widget->window() : nullptr;
}

}  // namespace

void CViewPrinter::SetPrintDialogOverride(PrinterChoice choice) { DialogOverride() = std::move(choice); }

void CViewPrinter::SetDefaultPrinterOverride(PrinterChoice choice) { DefaultPrinterOverride() = std::move(choice); }

void CViewPrinter::SetUpPage(QPrinter& printer) {
  printer.setPageOrientation(QPageLayout::Landscape);
  printer.setFullPage(false);
  printer.setDocName("RuvFrame");
}

bool CViewPrinter::Print() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPage(printer);
  if (DialogOverride()) {
    if (!DialogOverride()(printer)) return false;
  } else {
    QPrintDialog dialog(&printer, DialogParent(m_view));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted) return false;
  }
  return PrintPage(printer);
}

bool CViewPrinter::PrintDirect() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPage(printer);
  bool found = false;
  if (DefaultPrinterOverride()) {
    found = DefaultPrinterOverride()(printer);
  } else {
    const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
    found = !defaultPrinter.isNull();
    if (found) printer.setPrinterName(defaultPrinter.printerName());
  }
  if (!found) {
    AfxMessageBox(kNoDefaultPrinterText, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return PrintPage(printer);
}

int CViewPrinter::PrintPreview() {
  QPrinter printer(QPrinter::HighResolution);
  SetUpPage(printer);
  // The picture of the moment the preview was asked for: zooming repaints the page from it.
  const QImage picture = m_view.PrintPicture();
  QPrintPreviewDialog preview(&printer, DialogParent(m_view));
  preview.setWindowTitle("Print Preview");
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested,
                   [&picture](QPrinter* target) { PaintPage(*target, picture); });
  return preview.exec();
}

bool CViewPrinter::PrintPage(QPrinter& printer) {
  if (PaintPage(printer, m_view.PrintPicture())) return true;
  AfxMessageBox(kPrintFailedText, MB_OK | MB_ICONSTOP);
  return false;
}

bool CViewPrinter::PaintPage(QPrinter& printer, const QImage& picture) {
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  // The painter's origin is the printable area's top-left corner.
  const QRect printable = printer.pageLayout().paintRectPixels(printer.resolution());
  DrawPicture(painter, QRect(QPoint(0, 0), printable.size()), picture);
  return painter.end();
}

void CViewPrinter::DrawPicture(QPainter& painter, const QRect& page, const QImage& picture) {
  if (picture.isNull() || page.isEmpty()) return;
  const QSize fitted = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
  const QRect target(page.left() + (page.width() - fitted.width()) / 2, page.top(), fitted.width(), fitted.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(target, picture);
}
