#include <gtest/gtest.h>

#include <cstdlib>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QPainter>
#include <QStyle>
#include <map>
#include <QToolBar>
#include <QWidget>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "app/MainFrameMenus.h"
#include "platform/ui/AcceleratorTable.h"
#include "platform/ui/KeyTranslation.h"
#include "app/RuvFrameApp.h"
#include "plant/RuvEngineApp.h"
#include "platform/ui/CCmdUI.h"
#include "platform/ui/CDocTemplate.h"
#include "platform/ui/CDocument.h"
#include "platform/ui/CView.h"
#include "PlantFormFixture.h"
#include "support/ScriptedMessageBox.h"

namespace {

const char* const kCloseQuestion = "Application will be closed.\r\nAre you sure?";
const char* const kNotClosable = "This is not closable!\r\nClose main application instead.";

class Frames : public PlantFormFixture {
 protected:
  void SetUp() override {
    ASSERT_EQ(AfxGetApp(), &theApp);
    MakeDatabase();
    ASSERT_TRUE(StartApplication());
    ASSERT_NE(main, nullptr);
    ASSERT_NE(child, nullptr);
  }
  void TearDown() override {
    CMainFrame::SetConfirmedCloseHook(nullptr);
    PlantFormFixture::TearDown();
  }
  std::size_t Documents() const {
    std::size_t count = 0;
    for (const auto& docTemplate : theApp.DocTemplates()) count += docTemplate->Documents().size();
    return count;
  }
};

TEST_F(Frames, StartShowsTheMaximisedMainFrameWithOneMaximisedChildFrameAndView) {
  EXPECT_TRUE(main->GetStyle() & WS_MAXIMIZE);
  EXPECT_TRUE(main->IsZoomed());
  EXPECT_EQ(main->GetStyle() & WS_OVERLAPPEDWINDOW, WS_OVERLAPPEDWINDOW);
  EXPECT_EQ(main->MDIChildren().size(), 1u);
  EXPECT_TRUE(child->IsZoomed());
  EXPECT_EQ(child->GetStyle() & 0x50CF0000u, 0x50CF0000u);
  ASSERT_NE(child->GetActiveView(), nullptr);
  EXPECT_EQ(Documents(), 1u);
  // The frames' own styles leave out the add-to-title flag: the main frame keeps
  // its title, the child frame shows the document's.
  EXPECT_EQ(main->GetWindowText(), "RuvFrame");
  // The document's default title, its name and a number: 1 in a program just
  // started, more where other tests in this process made documents before.
  const std::string title = child->GetWindowText();
  EXPECT_EQ(title.rfind("RuvFra", 0), 0u) << title;
  EXPECT_GT(std::atoi(title.c_str() + 6), 0) << title;
  ASSERT_NE(main->ToolBar().GetToolBar(), nullptr);
  EXPECT_EQ(main->ToolBar().GetCount(), 10);
  // The plant form's menu shows while the form is open.
  ASSERT_GE(main->CurrentMenu().GetMenuItemCount(), 7);
  EXPECT_EQ(main->CurrentMenu().GetMenuString(4, MF_BYPOSITION), "Data Source");
}

TEST_F(Frames, NoAndCancelAtTheCloseQuestionLeaveEverythingRunning) {
  bool hookRan = false;
  CMainFrame::SetConfirmedCloseHook([&] { hookRan = true; });
  boxes.Expect(IDNO, kCloseQuestion);
  boxes.Expect(IDCANCEL, kCloseQuestion);
  main->SendMessage(WM_CLOSE);
  main->GetWidget()->close();  // the window's close button asks the same
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_FALSE(hookRan);
  EXPECT_NE(main->GetSafeHwnd(), nullptr);
  EXPECT_NE(child->GetSafeHwnd(), nullptr);
  EXPECT_FALSE(IsQuitPosted());
  const auto shown = boxes.Boxes().front();
  EXPECT_EQ(shown.text, kCloseQuestion);
  EXPECT_EQ(shown.style & MB_TYPEMASK, MB_YESNOCANCEL);
  EXPECT_EQ(shown.style & MB_DEFMASK, MB_DEFBUTTON2);
  EXPECT_EQ(shown.caption, "");  // the application's title
}

TEST_F(Frames, YesClosesTheTagScoutFirstThenTheFramesAndEndsTheLoop) {
  bool windowsAliveInHook = false;
  const HWND childHandle = child->GetSafeHwnd();
  CMainFrame::SetConfirmedCloseHook([&] { windowsAliveInHook = IsWindow(childHandle); });
  boxes.Expect(IDYES, kCloseQuestion);
  main->SendMessage(WM_COMMAND, ID_APP_EXIT);  // File > Exit goes the same way
  EXPECT_TRUE(windowsAliveInHook);
  EXPECT_FALSE(IsWindow(childHandle));
  EXPECT_EQ(theApp.m_pMainWnd, nullptr);
  EXPECT_TRUE(IsQuitPosted());
  EXPECT_EQ(theApp.Run(), 0);
}

TEST_F(Frames, TheChildFrameRefusesToClose) {
  boxes.Expect(IDOK, kNotClosable);
  boxes.Expect(IDOK, kNotClosable);
  child->SendMessage(WM_CLOSE);
  child->GetWidget()->close();  // its own close button
  EXPECT_EQ(boxes.Count(), 2u);
  EXPECT_EQ(boxes.Boxes()[0].text, kNotClosable);
  EXPECT_EQ(boxes.Boxes()[0].style & MB_TYPEMASK, MB_OK);
  EXPECT_NE(child->GetSafeHwnd(), nullptr);
  EXPECT_EQ(main->MDIChildren().size(), 1u);
}

TEST_F(Frames, ARestoredChildFrameComesBackMaximisedWhenActivated) {
  child->ShowWindow(SW_RESTORE);
  EXPECT_FALSE(child->IsZoomed());
  child->ActivateFrame(SW_SHOWNORMAL);  // whatever is asked
  EXPECT_TRUE(child->IsZoomed());
  child->ShowWindow(SW_RESTORE);
  main->SendMessage(WM_COMMAND, ID_WINDOW_CASCADE);
  main->MDIActivate(child);
  EXPECT_TRUE(child->IsZoomed());
}

TEST_F(Frames, NewOpenAndNewWindowNeverMakeASecondPlantForm) {
  CView* view = child->GetActiveView();
  main->SendMessage(WM_COMMAND, ID_FILE_NEW);
  main->SendMessage(WM_COMMAND, ID_FILE_OPEN);
  main->SendMessage(WM_COMMAND, ID_WINDOW_NEW);
  EXPECT_EQ(Documents(), 1u);
  EXPECT_EQ(main->MDIChildren().size(), 1u);
  EXPECT_EQ(main->MDIGetActive(), child);
  EXPECT_EQ(child->GetActiveView(), view);
  EXPECT_EQ(child->GetActiveDocument()->GetViews().size(), 1u);
}

TEST_F(Frames, TheToolbarCommandTogglesTheBarAndItsCheckMark) {
  main->ShowWindow(SW_SHOW);
  CCmdUI state(ID_VIEW_TOOLBAR);
  ASSERT_TRUE(main->OnUpdateCmdUI(&state));
  EXPECT_EQ(state.m_check, 1);
  main->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
  CCmdUI after(ID_VIEW_TOOLBAR);
  main->OnUpdateCmdUI(&after);
  EXPECT_EQ(after.m_check, 0);
}

TEST_F(Frames, TheDocumentHoldsNoDataAndOnlyKeepsItsModifiedFlag) {
  CDocument* document = child->GetActiveDocument();
  ASSERT_NE(document, nullptr);
  EXPECT_FALSE(document->IsModified());
  document->SetModifiedFlag(TRUE);
  EXPECT_TRUE(document->IsModified());
  EXPECT_EQ(document->GetDocTemplate()->GetDocString(CDocTemplate::docName), "RuvFra");
  EXPECT_EQ(document->GetDocTemplate()->GetDocString(CDocTemplate::filterExt), "");
}

TEST_F(Frames, TheTitleKeepsItsBannerWhenFocusGoesToAnotherProgramAndBack) {
  StopCycles();  // no pass writes the title again meanwhile
  QWidget* window = main->GetWidget();
  main->ShowWindow(SW_SHOW);
  window->activateWindow();
  QApplication::processEvents();
  ASSERT_NE(main->MdiArea()->activeSubWindow(), nullptr);
  const std::string title = GetEngineRoot()->GetAppTitle() + " [Refresh = 200 ms]";
  main->SetWindowText(title);  // as the data cycle writes it
  QApplication::processEvents();
  const QString before = window->windowTitle();
  ASSERT_TRUE(before.startsWith(QString::fromStdString(title)));
  // What the platform tells the program when another program's window takes
  // the focus: no window of it is active, and it is not; then the same back.
  const auto activate = [&](QWidget* active, QEvent::Type change) {
    QApplication::setActiveWindow(active);
    QEvent event(change);
    QApplication::sendEvent(qApp, &event);
    QApplication::processEvents();
  };
  activate(nullptr, QEvent::ApplicationDeactivate);
  EXPECT_EQ(window->windowTitle().toStdString(), before.toStdString());
  activate(window, QEvent::ApplicationActivate);
  EXPECT_EQ(window->windowTitle().toStdString(), before.toStdString());
  EXPECT_EQ(main->MDIGetActive(), child);
}

TEST_F(Frames, EachToolBarButtonShowsWhatItsCommandDoes) {
  const auto styled = [](QStyle::StandardPixmap which) {
    QImage picture(16, 15, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QApplication::style()->standardIcon(which).paint(&painter, picture.rect());
    return picture;
  };
  std::map<UINT, QImage> shown;
  for (QAction* action : main->ToolBar().GetToolBar()->actions()) {
    if (action->isSeparator()) continue;
    shown[action->data().toUInt()] =
        action->icon().pixmap(QSize(16, 15)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  }
  ASSERT_EQ(shown.size(), 8u);
  EXPECT_EQ(shown[ID_FILE_NEW], styled(QStyle::SP_FileIcon));
  EXPECT_EQ(shown[ID_FILE_OPEN], styled(QStyle::SP_DirOpenIcon));
  EXPECT_EQ(shown[ID_FILE_SAVE], styled(QStyle::SP_DialogSaveButton));
  EXPECT_EQ(shown[ID_APP_ABOUT], styled(QStyle::SP_MessageBoxQuestion));
  // The style has no scissors, copy, clipboard or printer: its monitor, magnifier
  // over a page, list and discard sign show none of these commands.
  for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_FILE_PRINT}) {
    for (auto other : {QStyle::SP_ComputerIcon, QStyle::SP_FileDialogContentsView, QStyle::SP_FileDialogDetailedView,
                       QStyle::SP_DialogDiscardButton}) {
      EXPECT_TRUE(shown[id] != styled(other)) << "command " << id << ", style picture " << other;
    }
    for (const auto& [otherId, picture] : shown) {
      if (otherId == id) continue;
      EXPECT_TRUE(shown[id] != picture) << "commands " << id << " and " << otherId;
    }
  }
}

}  // namespace
