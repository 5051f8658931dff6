#include "platform/ui/QtMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/Text.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/WindowStacking.h"
#include "platform/ui/WrappingText.h"

namespace {

struct ButtonSpec {
  QMessageBox::StandardButton button;
  int id;
};

std::vector<ButtonSpec> ButtonsOf(UINT style) {
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
  }
}

QMessageBox::Icon IconOf(UINT style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

QMessageBox* QtMessageBox::Build(const std::string& text, const std::string& caption, UINT style) {
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = QApplication::activeWindow();
  const std::string title = caption.empty() ? AfxGetAppTitle() : caption;
  auto* box = new QMessageBox(IconOf(style), QString::fromStdString(title),
                              QString::fromStdString(ruv::ReplaceAll(text, "\r\n", "\n")), QMessageBox::NoButton, owner);
  const std::vector<ButtonSpec> buttons = ButtonsOf(style);
  for (const ButtonSpec& choice : buttons) box->addButton(choice.button);
  const std::size_t defaultIndex = std::min<std::size_t>((style & MB_DEFMASK) >> 8, buttons.size() - 1);
  box->setDefaultButton(buttons[defaultIndex].button);
  // Escape answers Cancel where there is one, and OK on a box with only OK.
  for (const ButtonSpec& choice : buttons) {
    if (choice.id == IDCANCEL || (buttons.size() == 1 && choice.id == IDOK)) box->setEscapeButton(choice.button);
  }
  // Qt's label lets a word longer than the box (a long folder path) run past
  // its edge and cut off what follows; the box's text is wrapped wherever needed.
  if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) WrappingText::TakePlaceOf(*label);
  box->setWindowModality(Qt::ApplicationModal);
  window_stacking::GiveKeyboardBackWhenHidden(box);
  if (style & (MB_SYSTEMMODAL | MB_TOPMOST)) box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box;
}

int QtMessageBox::AnswerOf(const QMessageBox& box) {
  const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
  switch (pressed) {
    case QMessageBox::Ok: return IDOK;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Abort: return IDABORT;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Ignore: return IDIGNORE;
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    default: return IDCANCEL;  // closed without a button: the safe answer
  }
}

namespace {

// The answer a worker waits for, handed over the moment the operator gives it.
struct PendingAnswer {
  std::mutex mutex;
  std::condition_variable given;
  bool answered = false;
  bool shown = false;
  int answer = IDCANCEL;

  void Give(int value) {
    std::lock_guard<std::mutex> lock(mutex);
    if (answered) return;
    answer = value;
    answered = true;
    given.notify_all();
  }
};

// The boxes open now (UI thread), for a close nobody attends.
std::vector<QPointer<QMessageBox>>& OpenMessageBoxes() {
  static std::vector<QPointer<QMessageBox>> boxes;
  return boxes;
}

// A box is above every window of the program, and stays so while it is open.
void ShownOnTop(QMessageBox& box) {
  window_stacking::AddOpenModal(&box);
  auto& open = OpenMessageBoxes();
  std::erase_if(open, [](const QPointer<QMessageBox>& known) { return known.isNull(); });
  open.emplace_back(&box);
  box.raise();
}

// Opens a box (UI thread) without a nested loop; `answered` gets the operator's
// answer as soon as the box is closed, whatever loop the UI thread is in then.
void OpenSignalled(const std::string& text, const std::string& caption, UINT style,
                   std::function<void(int)> answered) {
  QMessageBox* box = QtMessageBox::Build(text, caption, style);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(box, &QDialog::finished, box, [box, answered] { answered(QtMessageBox::AnswerOf(*box)); });
  // Closed by the application's end without an answer: the safe one.
  QObject::connect(box, &QObject::destroyed, [answered] { answered(IDCANCEL); });
  box->show();
  ShownOnTop(*box);
  if (style & (MB_SYSTEMMODAL | MB_SETFOREGROUND)) box->activateWindow();
}

void ReportWithoutUi(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "[%s] %s\n", caption.empty() ? AfxGetAppTitle().c_str() : caption.c_str(), text.c_str());
}

}  // namespace

void QtMessageBox::AnswerOpenBoxesUnattended() {
  // Answering one may let code run that opens another (it is then answered at
  // once by the service), so the list is taken first.
  std::vector<QPointer<QMessageBox>> open;
  open.swap(OpenMessageBoxes());
  for (const QPointer<QMessageBox>& box : open) {
    if (box.isNull() || !box->isVisible()) continue;
    std::fprintf(stderr, "[%s] %s\n", box->windowTitle().toStdString().c_str(), box->text().toStdString().c_str());
    std::fflush(stderr);
    if (QPushButton* marked = box->defaultButton()) {
      marked->click();
    } else {
      box->reject();
    }
  }
}

int QtMessageBox::Show(const std::string& text, const std::string& caption, UINT style) {
  if (IsRunningWorkersSend()) {
    // A worker's send's handler opens no box: the box's loop would deliver
    // everything queued, and the handler may run inside a wait that must run
    // nothing else (a link's stop), so a Start or a command would run inside
    // that stop. The box is told later, from the event loop, and the handler
    // goes on with the button the box marks as its default (as nobody can
    // answer it now: the same answer a close nobody attends gives).
    ShowWithoutWaiting(text, caption, style);
    return MarkedDefaultButtonOf(style);
  }
  if (IsUiThread()) {
    // The UI thread has nothing else to do until the answer: the box's own loop.
    std::unique_ptr<QMessageBox> box(Build(text, caption, style));
    box->show();
    ShownOnTop(*box);
    if (style & (MB_SYSTEMMODAL | MB_SETFOREGROUND)) box->activateWindow();
    box->exec();
    return AnswerOf(*box);
  }
  // A worker's box must not answer only when the UI thread's stack unwinds down
  // to a nested loop: a Stop waiting for this worker above that loop would never
  // see it finish. So no loop of its own: the answer is signalled.
  auto pending = std::make_shared<PendingAnswer>();
  if (IsUiAvailable()) {
    PostToUiThread([pending, text, caption, style] {
      {
        std::lock_guard<std::mutex> lock(pending->mutex);
        pending->shown = true;
      }
      // Asked for before a close nobody attends began, shown after: it opens nowhere.
      if (IsUnattendedClose()) {
        ReportWithoutUi(text, caption);
        pending->Give(MarkedDefaultButtonOf(style));
        return;
      }
      OpenSignalled(text, caption, style, [pending](int answer) { pending->Give(answer); });
    });
    std::unique_lock<std::mutex> lock(pending->mutex);
    // Wake now and then to notice a UI thread that went away before showing it.
    while (!pending->given.wait_for(lock, std::chrono::milliseconds(100), [&] { return pending->answered; })) {
      if (!pending->shown && !IsUiAvailable()) break;
    }
    if (pending->answered) return pending->answer;
  }
  // No UI thread to show it (shut-down): report it and give the first button.
  ReportWithoutUi(text, caption);
  return DefaultButtonOf(style);
}

void QtMessageBox::ShowWithoutWaiting(const std::string& text, const std::string& caption, UINT style) {
  PostToUiThread([text, caption, style] {
    if (IsUnattendedClose()) {
      ReportWithoutUi(text, caption);
      return;
    }
    OpenSignalled(text, caption, style, [](int) {});
  });
}
