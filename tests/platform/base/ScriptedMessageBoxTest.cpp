#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <thread>

#include "support/ScriptedMessageBox.h"

namespace {

TEST(ScriptedMessageBox, AnswersInOrderAndRecordsEveryBox) {
  ScriptedMessageBox boxes;
  boxes.Expect(IDYES, "Save");
  boxes.Expect(IDCANCEL);
  EXPECT_EQ(ShowMessageBox("Save the recipe?", "RuvFrame", MB_YESNO | MB_ICONQUESTION), IDYES);
  int answer = 0;
  std::thread worker([&] { answer = AfxMessageBox("Second", MB_OKCANCEL); });
  const std::thread::id workerId = worker.get_id();
  worker.join();
  EXPECT_EQ(answer, IDCANCEL);
  ASSERT_EQ(boxes.Count(), 2u);
  const auto shown = boxes.Boxes();
  EXPECT_EQ(shown[0].caption, "RuvFrame");
  EXPECT_EQ(shown[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(shown[0].thread, std::this_thread::get_id());
  EXPECT_EQ(shown[1].text, "Second");
  EXPECT_EQ(shown[1].caption, "");
  EXPECT_EQ(shown[1].thread, workerId);
  EXPECT_EQ(boxes.Pending(), 0u);
}

TEST(ScriptedMessageBox, UnexpectedBoxFailsTheTestAndAnswersCancel) {
  ScriptedMessageBox boxes;
  int answer = 0;
  EXPECT_NONFATAL_FAILURE(answer = ShowMessageBox("Surprise", "", MB_OKCANCEL), "Unexpected message box");
  EXPECT_EQ(answer, IDCANCEL);
  boxes.Expect(IDOK, "expected words");
  EXPECT_NONFATAL_FAILURE(ShowMessageBox("other words"), "lacks");
}

TEST(ScriptedMessageBox, DefaultAnswerAndUninstall) {
  {
    ScriptedMessageBox boxes;
    boxes.SetDefaultAnswer(IDNO);
    EXPECT_EQ(ShowMessageBox("any", "", MB_YESNO), IDNO);
    EXPECT_EQ(boxes.LastText(), "any");
  }
  // Without a double the console service answers the first button and nothing waits.
  EXPECT_EQ(ShowMessageBox("console box", "", MB_YESNO), IDYES);
  EXPECT_EQ(DefaultButtonOf(MB_YESNO), IDYES);
  EXPECT_EQ(DefaultButtonOf(MB_RETRYCANCEL), IDRETRY);
}

}  // namespace
