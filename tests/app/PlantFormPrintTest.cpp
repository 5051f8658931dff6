// Printing the plant form: Ctrl+P and the tool bar's Print button print one
// landscape page of the whole form; print direct needs a default printer;
// the preview shows the one page. The printer is a PDF file here, read back
// with a few lines of PDF reading: pages, and the page's picture decoded.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QImage>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "PlantFormFixture.h"
#include "platform/ui/CViewPrinter.h"
#include "platform/ui/ColorRef.h"
#include "platform/ui/FrameworkIds.h"

namespace {

QByteArray ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string text = bytes.str();
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

int CountPages(const QByteArray& pdf) {
  static const QRegularExpression page("/Type\\s*/Page(?![a-zA-Z])");
  int pages = 0;
  for (auto match = page.globalMatch(QString::fromLatin1(pdf)); match.hasNext(); match.next()) ++pages;
  return pages;
}

// The first picture the PDF holds, decoded (a JPEG or a zlib-packed RGB image).
QImage FirstPicture(const QByteArray& pdf) {
  const qsizetype at = pdf.indexOf("/Subtype /Image");
  if (at < 0) return QImage();
  const qsizetype dictionaryStart = pdf.lastIndexOf("<<", at);
  const qsizetype streamStart = pdf.indexOf("stream", at);
  if (dictionaryStart < 0 || streamStart < 0) return QImage();
  const QString dictionary = QString::fromLatin1(pdf.mid(dictionaryStart, streamStart - dictionaryStart));
  auto number = [&](const char* key) {
    const auto match = QRegularExpression(QString("/%1\\s+(\\d+)").arg(key)).match(dictionary);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
  };
  const int width = number("Width"), height = number("Height");
  if (width <= 0 || height <= 0) return QImage();
  qsizetype data = streamStart + 6;
  while (data < pdf.size() && (pdf[data] == '\r' || pdf[data] == '\n')) ++data;
  const qsizetype end = pdf.indexOf("endstream", data);  // the length may be another object's
  if (end < 0) return QImage();
  const QByteArray packed = pdf.mid(data, end - data);
  if (dictionary.contains("/DCTDecode")) return QImage::fromData(packed, "JPEG");
  if (!dictionary.contains("/FlateDecode")) return QImage();
  const int rgbBytes = width * height * 3;
  QByteArray sized(4, '\0');
  sized[0] = static_cast<char>((rgbBytes >> 24) & 0xFF);
  sized[1] = static_cast<char>((rgbBytes >> 16) & 0xFF);
  sized[2] = static_cast<char>((rgbBytes >> 8) & 0xFF);
  sized[3] = static_cast<char>(rgbBytes & 0xFF);
  const QByteArray rgb = qUncompress(sized + packed);
  if (rgb.size() != rgbBytes) return QImage();
  return QImage(reinterpret_cast<const uchar*>(rgb.constData()), width, height, width * 3, QImage::Format_RGB888)
      .copy();
}

// Share of the picture's pixels that are (near) black, the plant's background.
double BlackShare(const QImage& picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  qint64 black = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    for (int x = 0; x < rgb.width(); ++x) {
      const QColor colour = rgb.pixelColor(x, y);
      if (colour.red() < 40 && colour.green() < 40 && colour.blue() < 40) ++black;
    }
  }
  return rgb.isNull() ? 0.0 : static_cast<double>(black) / (static_cast<double>(rgb.width()) * rgb.height());
}

int DistinctColours(const QImage& picture) {
  const QImage small = picture.scaled(200, 120).convertToFormat(QImage::Format_RGB32);
  QSet<QRgb> colours;
  for (int y = 0; y < small.height(); ++y)
    for (int x = 0; x < small.width(); ++x) colours.insert(small.pixel(x, y) & 0xF0F0F0);
  return static_cast<int>(colours.size());
}

class PlantFormPrinting : public PlantFormFixture {
 protected:
  void SetUp() override {
    MakeDatabase();
    ASSERT_TRUE(StartApplication());
    StopCycles();
  }
  void TearDown() override {
    CViewPrinter::SetPrintDialogOverride(nullptr);
    CViewPrinter::SetDefaultPrinterOverride(nullptr);
    PlantFormFixture::TearDown();
  }
  // The printer a PDF file: `chosen` counts the dialogs (or default printers) asked.
  CViewPrinter::PrinterChoice PdfPrinter(const std::string& path, int* chosen) {
    return [path, chosen](QPrinter& printer) {
      ++*chosen;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(path));
      return true;
    };
  }
  void ExpectOneLandscapePageOfThePlant(const std::string& path) {
    const QByteArray pdf = ReadBytes(path);
    ASSERT_FALSE(pdf.isEmpty()) << "nothing was printed";
    EXPECT_EQ(CountPages(pdf), 1);
    const QImage picture = FirstPicture(pdf);
    ASSERT_FALSE(picture.isNull()) << "the page holds no picture";
    // The whole form, in its proportions (landscape like the page), not a blank sheet.
    const CSize form = view->GetTotalSize();
    EXPECT_NEAR(static_cast<double>(picture.width()) / picture.height(), static_cast<double>(form.cx) / form.cy, 0.02);
    EXPECT_GT(picture.width(), picture.height());
    EXPECT_GT(BlackShare(picture), 0.3);
    EXPECT_GT(DistinctColours(picture), 8);
  }
};

TEST_F(PlantFormPrinting, CtrlPAndThePrintButtonPrintOnePageOfTheWholeForm) {
  int dialogs = 0;
  const std::string byKey = dir.File("by-key.pdf");
  CViewPrinter::SetPrintDialogOverride(PdfPrinter(byKey, &dialogs));
  ScopedKeyState keys;
  keys.Press(VK_CONTROL);
  EXPECT_TRUE(main->PreTranslateMessage(WM_KEYDOWN, 'P', 0));
  keys.Release(VK_CONTROL);
  EXPECT_EQ(dialogs, 1);
  ExpectOneLandscapePageOfThePlant(byKey);

  const std::string byButton = dir.File("by-button.pdf");
  CViewPrinter::SetPrintDialogOverride(PdfPrinter(byButton, &dialogs));
  EXPECT_TRUE(main->ToolBar().PressButton(ID_FILE_PRINT));
  PumpPendingMessages();  // the button posts its command
  EXPECT_EQ(dialogs, 2);
  ExpectOneLandscapePageOfThePlant(byButton);

  // A cancelled dialog prints nothing.
  CViewPrinter::SetPrintDialogOverride([&dialogs](QPrinter&) { return ++dialogs, false; });
  main->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
  EXPECT_EQ(dialogs, 3);
  EXPECT_EQ(boxes.Count(), 0u);

  // A file that cannot be written: the operator is told.
  CViewPrinter::SetPrintDialogOverride(PdfPrinter(dir.File("no-such-folder/page.pdf"), &dialogs));
  boxes.Expect(IDOK, kPrintFailedText);
  main->SendMessage(WM_COMMAND, ID_FILE_PRINT, 0);
  EXPECT_EQ(boxes.Count(), 1u);
}

TEST_F(PlantFormPrinting, AScrolledFormStillPrintsWhole) {
  // A window too small for the form: scrolled to its far corner.
  child->GetWidget()->resize(400, 300);
  QApplication::processEvents();
  view->ScrollToPosition(CPoint(100000, 100000));
  const CPoint scrolled = view->GetScrollPosition();
  ASSERT_GT(scrolled.x, 0);
  const QImage whole = view->PrintPicture();
  EXPECT_EQ(whole.size(), QSize(view->GetTotalSize().cx, view->GetTotalSize().cy));
  EXPECT_GT(BlackShare(whole), 0.3);
  // The window is left as the operator had it.
  EXPECT_EQ(view->GetScrollPosition(), scrolled);
  CRect client;
  view->GetClientRect(&client);
  EXPECT_LT(client.Width(), view->GetTotalSize().cx);
}

TEST_F(PlantFormPrinting, TheBlinkingDataSourceIsPrintedInItsOwnColour) {
  CNemLabel& source = view->Label(IDC_DATA_SOURCE_LABEL);
  ASSERT_TRUE(source.IsBlinking());  // in Demo
  if (source.GetTextColor() != RGB(0, 0, 0)) source.SendMessage(WM_TIMER, CNemLabel::kBlinkTimer, 0);
  ASSERT_EQ(source.GetTextColor(), RGB(0, 0, 0));  // the dark half of the blink
  const QImage picture = view->PrintPicture().convertToFormat(QImage::Format_RGB32);
  const QRect label = source.GetWidget()->geometry();
  int yellow = 0;
  for (int y = label.top(); y <= label.bottom(); ++y)
    for (int x = label.left(); x <= label.right(); ++x)
      if (picture.pixelColor(x, y) == QColor(255, 255, 0)) ++yellow;
  EXPECT_GT(yellow, 20);
  EXPECT_TRUE(source.IsBlinking());  // and on the screen it blinks on
  EXPECT_EQ(source.GetTextColor(), RGB(255, 255, 0));
}

TEST_F(PlantFormPrinting, PrintDirectUsesTheDefaultPrinterOrSaysThereIsNone) {
  CViewPrinter::SetDefaultPrinterOverride([](QPrinter&) { return false; });
  boxes.Expect(IDOK, kNoDefaultPrinterText);
  main->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
  EXPECT_EQ(boxes.Count(), 1u);

  int printers = 0;
  const std::string path = dir.File("direct.pdf");
  CViewPrinter::SetDefaultPrinterOverride(PdfPrinter(path, &printers));
  CViewPrinter::SetPrintDialogOverride([](QPrinter&) -> bool {
    ADD_FAILURE() << "print direct opened the dialog";
    return false;
  });
  main->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT, 0);
  EXPECT_EQ(printers, 1);
  EXPECT_EQ(boxes.Count(), 1u);
  ExpectOneLandscapePageOfThePlant(path);
}

TEST_F(PlantFormPrinting, ThePreviewShowsOnePage) {
  int pages = -1;
  bool landscape = false;
  const char* picturePath = std::getenv("RUV_PREVIEW_SCREENSHOT_PATH");
  QTimer::singleShot(0, [&] {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (!preview) return;
    if (auto* pageView = preview->findChild<QPrintPreviewWidget*>()) {
      pages = pageView->pageCount();
      landscape = pageView->orientation() == QPageLayout::Landscape;
    }
    // The picture of the preview for the README, when asked for (under Xvfb).
    if (picturePath && *picturePath) {
      preview->resize(1100, 800);
      QApplication::processEvents();
      preview->grab().save(QString::fromUtf8(picturePath), "PNG");
    }
    preview->reject();
  });
  main->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW, 0);
  EXPECT_EQ(pages, 1);
  EXPECT_TRUE(landscape);
}

}  // namespace
