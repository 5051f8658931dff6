// The tag scout behind the engine root's hooks: made only with the override
// keys held, brought forward while open, and closed by the engine with its view
// state kept.
#include <gtest/gtest.h>

#include "app/DataCenterScoutRegistration.h"
#include "grid/CDataCenterScoutDlg.h"
#include "platform/base/InputState.h"
#include "platform/base/ProfileStore.h"
#include "plant/RuvEngineApp.h"
#include "support/TestEnvironment.h"

namespace {

class ScoutEngineRoot final : public CRuvEngineApp {
 public:
  ~ScoutEngineRoot() override { StopThreads(); }
};

TEST(TagScoutHooks, TheEngineMakesTheScoutOnlyWithTheOverrideKeysAndClosesItKeepingItsState) {
  TempDir dir;
  profile::SetPathOverride(dir.File("profile.ini"));
  ScopedKeyState keys;
  RegisterDataCenterScout();
  {
    ScoutEngineRoot engine;
    engine.ShowScoutDialog();
    EXPECT_EQ(engine.GetScoutDialog(), nullptr);  // refused: neither a window nor an object is kept

    keys.Press(VK_CONTROL);
    keys.Press(VK_SHIFT);
    engine.ShowScoutDialog();
    keys.ReleaseAll();
    auto* scout = dynamic_cast<CDataCenterScoutDlg*>(engine.GetScoutDialog());
    ASSERT_NE(scout, nullptr);
    EXPECT_TRUE(scout->IsWindowVisible());
    EXPECT_EQ(scout->GetWindowText(), "RuvFrame DataCenter Scout");

    scout->ShowWindow(SW_MINIMIZE);
    engine.ShowScoutDialog();  // no keys needed: the open one comes forward
    EXPECT_EQ(engine.GetScoutDialog(), scout);
    EXPECT_FALSE(scout->IsIconic());

    scout->SetDlgItemText(IDC_SCOUT_FILTER, "Level");
    engine.CloseScoutDialog();
    EXPECT_EQ(engine.GetScoutDialog(), nullptr);
    EXPECT_EQ(profile::GetString("DataCenterScout", "HighlightFilter"), "Level");
    EXPECT_FALSE(profile::GetString("Setting", "DataCenterScoutDlg").empty());
  }
  UnregisterDataCenterScout();
  profile::SetPathOverride("");
}

}  // namespace
