// One QApplication for the whole test run, on the offscreen platform unless the
// environment chose another; LC_NUMERIC stays "C" as in the program. The run
// has user folders of its own (see PrivateUserFolders).
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

#include "platform/ui/ModalDialogScript.h"
#include "support/PrivateUserFolders.h"

namespace {

// Fails the run (after its last test) when it touched the user's own profile.
class RealProfileUntouched : public ::testing::Environment {
 public:
  explicit RealProfileUntouched(const PrivateUserFolders& folders) : m_folders(folders) {}
  void TearDown() override {
    const std::string change = m_folders.RealProfileChange();
    EXPECT_TRUE(change.empty()) << change;
  }

 private:
  const PrivateUserFolders& m_folders;
};

}  // namespace

// The sanitizer build checks every test binary for leaks at its exit. Its
// record of dynamically loaded libraries' thread-local blocks (the printer
// plugin's, among others) can hold a block whose bounds the runtime guessed
// wrong, and the leak check then crashes scanning it, failing a test that
// passed. Those blocks are left unscanned; the environment's ASAN_OPTIONS
// still decide over this default.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }

int main(int argc, char** argv) {
  // Before anything reads HOME or an XDG folder (Qt reads them as it starts).
  PrivateUserFolders folders;
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new RealProfileUntouched(folders));
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  // A modal dialog nobody scripted is cancelled rather than left waiting.
  modal_script::SetUnscriptedAnswer(2);
  return RUN_ALL_TESTS();
}
