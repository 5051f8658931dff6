#pragma once
// What the benchmarks of the whole program share: a program folder made from
// the committed default files, and the operator who sets a recipe run up in
// Demo (a shift, a recipe made in the recipe dialog, a batch number, Start).
#include <QTemporaryDir>
#include <string>

#include "platform/base/MessageBoxService.h"

class CRuvFrameView;
class CRecipeDlg;
class CWnd;
class IClock;

namespace bench {

std::string ReadFile(const std::string& path);

// The main of a whole-program benchmark: the application and its services set
// up as the program's main sets them, boxes ending the run (BoxesEndTheRun),
// dialogs nobody scripted cancelled; `clock`, when given, is the process clock
// while the benchmarks run.
int RunProgramBenchmarks(int& argc, char** argv, IClock* clock = nullptr);

// The program started as main starts it; its plant form, nullptr when it has
// none. A refused start ends the benchmark program.
CRuvFrameView* StartProgram();
// The program closed as the operator's confirmed close ends it.
void CloseProgram();

// A program folder with the committed default files and an empty database;
// the program's files, and its per-user profile, are looked for there while it
// exists (a benchmark never writes the user's own profile).
class ProgramFolder {
 public:
  ProgramFolder();
  ~ProgramFolder();
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

 private:
  QTemporaryDir m_dir;
};

// Nobody answers boxes in a benchmark: a box means the run went wrong, so its
// text is printed and the run ends instead of waiting for ever.
class BoxesEndTheRun final : public IMessageBoxService {
 public:
  int Show(const std::string& text, const std::string& caption, UINT style) override;
};

// The boxes of a recipe run, answered as the operator answers them (the level
// question, the new recipe, the end of the run); any other box goes to the
// service that was installed before.
class RecipeRunBoxes final : public IMessageBoxService {
 public:
  RecipeRunBoxes();
  ~RecipeRunBoxes() override;
  RecipeRunBoxes(const RecipeRunBoxes&) = delete;
  RecipeRunBoxes& operator=(const RecipeRunBoxes&) = delete;
  int Show(const std::string& text, const std::string& caption, UINT style) override;

 private:
  IMessageBoxService& m_unexpected;
};

// A recipe running in Demo, set up as an operator does it: a shift opened
// through the shift dialog, a recipe made in the recipe dialog's rows, saved
// and activated, and a batch number for Mixer 1. The recipe charges water into
// Mixer 1 while five batchers charge at once and discharge into it once the
// water is weighed, then a delay step. Runs on the user-interface thread.
class RecipeOperator {
 public:
  explicit RecipeOperator(CRuvFrameView& view);
  // The operator's Stop, so no run is left under way.
  ~RecipeOperator();
  RecipeOperator(const RecipeOperator&) = delete;
  RecipeOperator& operator=(const RecipeOperator&) = delete;

  // Empties Mixer 1 (the Demo has no outflow from the mixers) and presses
  // Start, confirming the batch numbers; the process cycle begins the run.
  void PressStart();
  static bool IsRunning();
  [[noreturn]] static void Fail(const char* what);

 private:
  void OpenShift();
  void MakeRecipe();
  void EnterBatchNumber();

  RecipeRunBoxes m_boxes;
  CRuvFrameView& m_view;
  CWnd& m_main;
};

}  // namespace bench
