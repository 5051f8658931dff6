// One QApplication for the whole test run, on the offscreen platform unless the
// environment chose another; LC_NUMERIC stays "C" as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "platform/ui/ModalDialogScript.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  // A modal dialog nobody scripted is cancelled rather than left waiting.
  modal_script::SetUnscriptedAnswer(2);
  return RUN_ALL_TESTS();
}
