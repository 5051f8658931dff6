// The operator services of the plant: the active-shift check with its box and
// the shift table asked of the plant form, the batch-number dialog through
// the registered runner, and the level question asked from a worker.
#include <gtest/gtest.h>

#include <thread>

#include "PlantModelTestSupport.h"
#include "engine/EngineTables.h"
#include "plant/PlantOperatorServices.h"
#include "records/ShiftRS.h"

namespace {

constexpr const char* kNoShiftText = "براي شروع پروسس، نياز به ثبت شيفت فعال است";
constexpr const char* kLevelQuestion = "آيا پروسه توليد اتومات با شرائط فوق شروع شود؟";

class OperatorServicesTest : public PlantModelFixture {
 protected:
  OperatorServicesTest() { SetEngineRoot(&engine); }
  ~OperatorServicesTest() override {
    ReleasePlant();
    CPlantOperatorServices::SetBatchNumberDialogRunner(nullptr);
    SetEngineRoot(nullptr);
  }
  // The plant form attached to the engine (the cycles it starts are stopped at once).
  void AttachForm() {
    CreateWindows({});
    engine.AttachView(&form);
    engine.StopThreads();
  }
  // The shift table open on an empty database, with a running shift in memory.
  void StartShift() {
    ASSERT_TRUE(folder.MakeDatabase());
    ASSERT_EQ(engine.Init(), TRUE);
    auto lock = g_pShiftRS.load()->LockActive();
    g_pShiftRS.load()->Active().m_nRecordID = 3;
    g_pShiftRS.load()->Active().SetShiftStopped(false);
  }

  PlantFolder folder;
  RecordingEngine engine;
};

TEST_F(OperatorServicesTest, WithoutAnActiveShiftTheOperatorIsToldAndTheShiftTableAskedFor) {
  EXPECT_FALSE(CheckActiveShift(true));  // no plant form yet: nobody to tell
  EXPECT_EQ(boxes.Count(), 0u);
  AttachForm();
  EXPECT_EQ(GetOperatorServices()->GetPlantFormWindow(), form.GetSafeHwnd());
  EXPECT_FALSE(CheckActiveShift(false));
  boxes.Expect(IDOK);
  EXPECT_FALSE(CheckActiveShift(true));
  ASSERT_EQ(boxes.Count(), 1u);
  EXPECT_EQ(boxes.Boxes()[0].text, kNoShiftText);
  EXPECT_EQ(boxes.Boxes()[0].caption, "Start Process Error");
  EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL));
  PumpPendingMessages();
  EXPECT_EQ(form.commands, std::vector<UINT>{115});

  // The same through the batch-number dialog: 2, and no dialog.
  bool ran = false;
  CPlantOperatorServices::SetBatchNumberDialogRunner([&] {
    ran = true;
    return IDOK;
  });
  boxes.Expect(IDOK);
  EXPECT_EQ(RunBatchNumberDialog(), IDCANCEL);
  EXPECT_FALSE(ran);
  EXPECT_EQ(boxes.Count(), 2u);
}

TEST_F(OperatorServicesTest, WithAnActiveShiftTheRegisteredDialogAnswers) {
  StartShift();
  AttachForm();
  EXPECT_TRUE(CheckActiveShift(true));
  EXPECT_EQ(RunBatchNumberDialog(), IDCANCEL);  // no dialog registered yet
  CPlantOperatorServices::SetBatchNumberDialogRunner([] { return IDOK; });
  EXPECT_EQ(RunBatchNumberDialog(), IDOK);
  EXPECT_EQ(boxes.Count(), 0u);
  PumpPendingMessages();
  EXPECT_TRUE(form.commands.empty());

  SetEngineRoot(nullptr);  // unpublished: the stand-in answers again
  EXPECT_EQ(GetOperatorServices()->GetPlantFormWindow(), nullptr);
  EXPECT_EQ(RunBatchNumberDialog(), IDCANCEL);
}

TEST_F(OperatorServicesTest, TheLevelQuestionIsAskedFromAWorker) {
  VesselAt(15).SetAttribString(eShapeDeviceCaption, "Mix-B");
  VesselAt(15).SetAttribFloat(eVesselLevel, 12.46f);
  VesselAt(13).SetAttribFloat(eVesselLevel, 7.0f);
  const std::string expected =
      "The level of Batchers & Mixers is:\r\n\r\n"
      "Mixer1: 0.0.\r\nMix-B: 12.5.\r\nMixer3: 0.0.\r\nMixer4: 0.0.\r\n"
      "Batcher Batcher01: 0.0.\r\nBatcher Batcher02: 0.0.\r\nBatcher Batcher03: 0.0.\r\n"
      "Batcher Batcher04: 0.0.\r\nBatcher Batcher05: 7.0.\r\n\r\n" +
      std::string(kLevelQuestion);
  for (const int answer : {IDYES, IDNO}) {
    boxes.Clear();
    boxes.Expect(answer);
    bool confirmed = answer != IDYES;
    std::thread worker([&] { confirmed = ConfirmLevelReport(); });
    worker.join();
    EXPECT_EQ(confirmed, answer == IDYES);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, expected);
    EXPECT_EQ(boxes.Boxes()[0].style, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_NE(boxes.Boxes()[0].thread, std::this_thread::get_id());
  }
}

}  // namespace
