#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDocTemplate.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/CMDIChildWnd.h"
#include "platform/ui/CMDIFrameWnd.h"
#include "platform/ui/CView.h"
#include "platform/ui/CWinApp.h"
#include "platform/ui/MessageCore.h"
#include "platform/ui/QtMessageBox.h"
#include "platform/ui/WindowStacking.h"
#include "platform/ui/WrappingText.h"

namespace {

// Each level of the command route handles one command of its own.
struct RoutedDoc : CDocument {
  BOOL OnCmdMsg(UINT id, int) override { return id == 2002; }
};
struct RoutedView : CView {
  BOOL OnCmdMsg(UINT id, int code) override { return id == 2001 || CView::OnCmdMsg(id, code); }
  BOOL OnUpdateCmdUI(CCmdUI* ui) override {
    if (ui->m_nID != 2001) return FALSE;
    ui->SetCheck(1);
    return TRUE;
  }
};
struct RoutedApp : CWinApp {
  RoutedApp() : CWinApp("Routing Test") {}
  std::vector<UINT> handled;
  BOOL OnCmdMsg(UINT id, int code) override {
    if (id == 2003) {
      handled.push_back(id);
      return TRUE;
    }
    return CWinApp::OnCmdMsg(id, code);
  }
};

class Application : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AfxGetApp(), &app);
    app.AddDocTemplate(std::make_unique<CMultiDocTemplate>(
        300, "\nRouted\nRouted\n\n\nRouted.Document\nRouted Document", [] { return std::make_unique<RoutedDoc>(); },
        []() -> CFrameWnd* { return new CMDIChildWnd(); }, []() -> CView* { return new RoutedView(); }));
    main = new CMDIFrameWnd();
    main->m_bAutoDelete = true;
    ASSERT_TRUE(main->LoadFrame(301));
    app.m_pMainWnd = main;
  }
  void TearDown() override {
    if (app.m_pMainWnd) app.m_pMainWnd->DestroyWindow();
    app.CloseAllDocuments();
    if (IsQuitPosted()) app.Run();  // consumes the quit the main window's end posted
  }
  RoutedApp app;
  CMDIFrameWnd* main = nullptr;
};

TEST_F(Application, AQuitPostedBeforeTheLoopStartsEndsTheRunWithItsCode) {
  PostQuitMessage(7);
  EXPECT_TRUE(IsQuitPosted());
  EXPECT_EQ(app.Run(), 7);
  EXPECT_FALSE(IsQuitPosted());
  EXPECT_EQ(app.m_pMainWnd, nullptr);  // the main window went with the run
}

TEST_F(Application, AQuitPostedWhileTheLoopRunsEndsItWithItsCode) {
  QTimer::singleShot(0, [] { PostQuitMessage(3); });
  EXPECT_EQ(app.Run(), 3);
}

TEST_F(Application, DestroyingTheMainWindowQuitsWithZero) {
  QTimer::singleShot(0, [this] { main->DestroyWindow(); });
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

TEST_F(Application, NewDocumentsGetAFrameAViewAndANumberedTitle) {
  main->SendMessage(WM_COMMAND, ID_FILE_NEW);
  CMDIChildWnd* child = main->MDIGetActive();
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child->GetActiveView(), nullptr);
  CDocument* document = child->GetActiveDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_EQ(document->GetTitle(), "Routed1");
  EXPECT_EQ(child->GetActiveView()->GetParentFrame(), child);
  EXPECT_EQ(main->GetWindowText(), "Routing Test - Routed1");
  // The framework itself makes another one each time.
  main->SendMessage(WM_COMMAND, ID_FILE_NEW);
  EXPECT_EQ(main->MDIChildren().size(), 2u);
}

TEST_F(Application, CommandsRouteViewThenDocumentThenFrameThenApplication) {
  main->SendMessage(WM_COMMAND, ID_FILE_NEW);
  EXPECT_TRUE(main->OnCmdMsg(2001, 0));
  EXPECT_TRUE(main->OnCmdMsg(2002, 0));
  EXPECT_TRUE(main->OnCmdMsg(ID_WINDOW_CASCADE, 0));
  EXPECT_TRUE(main->OnCmdMsg(2003, 0));
  EXPECT_FALSE(main->OnCmdMsg(2004, 0));
  EXPECT_EQ(app.handled, (std::vector<UINT>{2003}));

  CCmdUI state(2001);
  EXPECT_TRUE(main->OnUpdateCmdUI(&state));
  EXPECT_EQ(state.m_check, 1);
  CCmdUI unknown(2004);
  EXPECT_FALSE(main->OnUpdateCmdUI(&unknown));
}

TEST_F(Application, DestroyingAFrameTakesItsViewFromTheDocument) {
  main->SendMessage(WM_COMMAND, ID_FILE_NEW);
  CMDIChildWnd* child = main->MDIGetActive();
  CDocument* document = child->GetActiveDocument();
  ASSERT_EQ(document->GetViews().size(), 1u);
  child->SendMessage(WM_CLOSE);  // a plain child frame closes
  EXPECT_TRUE(document->GetViews().empty());
  EXPECT_TRUE(main->MDIChildren().empty());
}

TEST(QtMessageBoxBuild, StyleGivesButtonsDefaultModalityAndCaption) {
  CWinApp app("RuvFrame");
  std::unique_ptr<QMessageBox> box(QtMessageBox::Build("Application will be closed.\r\nAre you sure?", "",
                                                       MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION));
  EXPECT_EQ(box->windowTitle().toStdString(), "RuvFrame");
  EXPECT_EQ(box->text().toStdString(), "Application will be closed.\nAre you sure?");
  EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
  EXPECT_FALSE(box->windowFlags() & Qt::WindowStaysOnTopHint);

  std::unique_ptr<QMessageBox> system(QtMessageBox::Build("Error at Valve operating!", "Sorry !", MB_SYSTEMMODAL | MB_ICONSTOP));
  EXPECT_EQ(system->windowTitle().toStdString(), "Sorry !");
  EXPECT_EQ(system->windowModality(), Qt::ApplicationModal);
  EXPECT_TRUE(system->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(system->standardButtons(), QMessageBox::Ok);
  EXPECT_EQ(system->icon(), QMessageBox::Critical);
}

// The sentence that tells the operator what to do is never cut, however long
// the folder paths in it: every line the box lays out fits the width the text
// gets there, and together the lines hold the whole text.
TEST(QtMessageBoxBuild, ALongFolderPathWrapsAndEveryWordOfTheTextIsLaidOutInTheBox) {
  CWinApp app("RuvFrame");
  std::string folder = "/srv/plants";
  for (int i = 0; i < 4; ++i) folder += "/QeloPlantDataOfTheSecondSiteKeptForTheNightShift";
  const std::string sentence = "The file " + folder + "/Qelo-DataBase.mdb.kept.txt holds records an earlier run kept " +
                               "for the database, but it cannot be read (line 2: bad). It was set aside as " + folder +
                               "/Qelo-DataBase.mdb.kept.txt.unreadable-20261208-101500: the records it holds are not " +
                               "written; please enter them again by hand.";
  std::unique_ptr<QMessageBox> box(QtMessageBox::Build(sentence + "\r\nline 1", "", MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
  box->show();
  QApplication::processEvents();
  const WrappingText* shown = nullptr;
  for (QWidget* child : box->findChildren<QWidget*>()) {
    if (auto* text = dynamic_cast<WrappingText*>(child); text && text->isVisible()) shown = text;
  }
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(box->rect().contains(shown->geometry()));
  EXPECT_LE(box->width(), box->screen()->availableGeometry().width());
  EXPECT_GE(shown->height(), shown->heightForWidth(shown->width()));
  QString laidOut;
  for (const WrappingText::Line& line : shown->Lines()) {
    EXPECT_LE(line.width, shown->width()) << line.text.toStdString();
    laidOut += line.text;
  }
  EXPECT_EQ(laidOut.toStdString(), sentence + "line 1");
  EXPECT_EQ(box->text().toStdString(), sentence + "\nline 1");  // what Ctrl+C copies
}

// Counts the stacking changes of the window it watches: each raise is one.
class RaiseCounter : public QObject {
 public:
  int raises = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ZOrderChange) ++raises;
    return false;
  }
};

// A box shown before the main window (a start-up box) is raised again over the
// main window shown maximised and brought forward after it.
TEST(QtMessageBoxStacking, AnOpenBoxIsRaisedOverWindowsShownOrBroughtForwardAfterIt) {
  CWinApp app("RuvFrame");
  QtMessageBox service;
  service.ShowWithoutWaiting("Invalid internal hard code configuration!", "", MB_OKCANCEL | MB_ICONHAND);
  QMessageBox* box = nullptr;
  ASSERT_TRUE(WaitPumping([&] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* shown = qobject_cast<QMessageBox*>(w); shown && shown->isVisible()) box = shown;
    return box != nullptr;
  }, 60000));
  RaiseCounter counter;
  box->installEventFilter(&counter);

  CWnd main;
  ASSERT_TRUE(main.CreateEx(0, std::string(), "Main", WS_OVERLAPPEDWINDOW, CRect(0, 0, 400, 300), nullptr, 0));
  main.ShowWindow(SW_SHOWMAXIMIZED);
  EXPECT_GT(counter.raises, 0);
  counter.raises = 0;
  main.SetForegroundWindow();
  EXPECT_GT(counter.raises, 0);
  // Owned windows too, without being the owner's children.
  CWnd owned;
  ASSERT_TRUE(owned.CreateEx(0, std::string(), "Owned", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
  owned.ShowWindow(SW_SHOWNOACTIVATE);
  window_stacking::KeepOwnedAbove(owned, main);
  RaiseCounter ownedCounter;
  owned.GetWidget()->installEventFilter(&ownedCounter);
  main.SetForegroundWindow();
  EXPECT_GT(ownedCounter.raises, 0);

  box->button(QMessageBox::Ok)->click();
  owned.DestroyWindow();
  main.DestroyWindow();
}

}  // namespace
