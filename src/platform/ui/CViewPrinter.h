#pragma once
// The framework's printing of a view: print (the print dialog first), print
// direct (the default printer, no dialog) and print preview. A print is one
// landscape page holding the view's picture, scaled to fit the page and kept
// in proportion. Tests put a PDF file in place of the dialog or of the
// default printer.
#include <functional>

class CView;
class QImage;
class QPainter;
class QPrinter;
class QRect;

// What print direct tells the operator when the machine has no default printer.
inline constexpr const char* kNoDefaultPrinterText =
    "There is no default printer, so nothing was printed.\n"
    "Use Print (Ctrl+P) to choose a printer or to print to a PDF file.";

// What print and print direct tell the operator when the printer (or the PDF
// file) cannot be written to.
inline constexpr const char* kPrintFailedText =
    "The page could not be printed: the printer (or the file chosen) cannot be written to.";

class CViewPrinter {
 public:
  // Sets up `printer` in place of the print dialog or of the default printer;
  // false stands for a cancelled dialog or for no default printer. An empty
  // function brings the real one back.
  using PrinterChoice = std::function<bool(QPrinter& printer)>;
  static void SetPrintDialogOverride(PrinterChoice choice);
  static void SetDefaultPrinterOverride(PrinterChoice choice);

  explicit CViewPrinter(CView& view) : m_view(view) {}

  // The print dialog, then the page on the printer chosen; false when cancelled or failed.
  bool Print();
  // The page on the default printer; without one the operator is told and nothing prints.
  bool PrintDirect();
  // The modal preview window of the page; answers how it was closed.
  int PrintPreview();

  // The view's page onto `printer` (a printer the dialog, the default or the
  // preview set up); false, and the operator told, when it cannot be printed on.
  bool PrintPage(QPrinter& printer);
  // `picture` scaled to fit `page`, centred across and at the top.
  static void DrawPicture(QPainter& painter, const QRect& page, const QImage& picture);

 private:
  static void SetUpPage(QPrinter& printer);
  static bool PaintPage(QPrinter& printer, const QImage& picture);
  CView& m_view;
};
