#include <gtest/gtest.h>

#include "AttribsTestFixture.h"
#include "platform/base/Clock.h"
#include "platform/ui/WindowTimers.h"
#include "support/FakeClock.h"

namespace {

using RAttribsPackTest = AttribsTest;

std::vector<LPARAM> CodesOf(const TestShape& shape, const CDCTag* tag) {
  std::vector<LPARAM> codes;
  for (const auto& [wParam, lParam] : shape.tagMessages)
    if (wParam == reinterpret_cast<WPARAM>(tag)) codes.push_back(lParam);
  return codes;
}

TEST_F(RAttribsPackTest, AttributesAreMadeFromTheKindsNamesTypesAndDefaults) {
  TestShape& shape = Shape();
  ASSERT_EQ(shape.GetAttribCount(), TestShape::kAttribCount);
  EXPECT_EQ(shape.GetAttrib(TestShape::kCounter)->GetName(), "Counter");
  EXPECT_EQ(shape.GetAttribValue(TestShape::kCaption), Variant::String(""));
  EXPECT_EQ(shape.GetAttribValue(TestShape::kMaxLevel), Variant::R4(100.0f));
  EXPECT_EQ(shape.GetAttrib(TestShape::kMaxLevel)->GetDefaultValue(), Variant::R4(100.0f));

  // Indices outside the array give the empty answers.
  EXPECT_EQ(shape.GetAttrib(-1), nullptr);
  EXPECT_EQ(shape.GetAttrib(TestShape::kAttribCount), nullptr);
  EXPECT_TRUE(shape.GetAttribValue(TestShape::kAttribCount).IsEmpty());
  EXPECT_FALSE(shape.IsAttribVisible(-3));
  EXPECT_EQ(shape.GetAttribDataType(99), VT_EMPTY);
  shape.SetAttribASD(99, 4);
  EXPECT_FALSE(shape.CreateAttribAt(TestShape::kOpen));  // occupied
  EXPECT_FALSE(shape.CreateAttribAt(99));

  std::array<int, ANALOG_GROUP_SIZE> group{};
  ASSERT_TRUE(shape.GetAnalogGroup(TestShape::kLevel, group));
  EXPECT_EQ(group, (std::array<int, ANALOG_GROUP_SIZE>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_FALSE(shape.GetAnalogGroup(TestShape::kPort, group));
}

TEST_F(RAttribsPackTest, BindingMakesTheWindowAListenerAndReplaysTheTag) {
  TestShape& shape = ShapeWindow();
  CDCTag* tag = AddTag("LT1", VT_R4);
  AddTag("Other", VT_R4);
  Attrib(TestShape::kLevel).SetTagByName("LT1");
  EXPECT_TRUE(tag->HasListener(shape.GetSafeHwnd()));
  EXPECT_EQ(shape.GetTagAttribs(tag), (std::vector<CRAttrib*>{&Attrib(TestShape::kLevel)}));
  DeliverPosted();
  std::vector<LPARAM> replay;
  for (LPARAM code = eTagChangeTagID; code <= eTagChangeReplayEnd; ++code) replay.push_back(code);
  EXPECT_EQ(CodesOf(shape, tag), replay);
  EXPECT_EQ(shape.tagMessages.size(), replay.size());

  Attrib(TestShape::kLevel).SetDCTag(nullptr);
  EXPECT_TRUE(shape.GetTagAttribs(tag).empty());
  EXPECT_FALSE(tag->HasListener(shape.GetSafeHwnd()));
}

TEST_F(RAttribsPackTest, ReBindingListsTheAttributeUnderTheNewTagAndKeepsTheOldEntry) {
  TestShape& shape = ShapeWindow();
  CDCTag* a = AddTag("A", VT_R4);
  CDCTag* b = AddTag("B", VT_R4);
  CRAttrib& level = Attrib(TestShape::kLevel);
  CRAttrib& spare = Attrib(TestShape::kSpare);
  level.SetTagByName("A");
  spare.SetTagByName("A");
  level.SetTagByName("B");
  EXPECT_EQ(shape.GetTagAttribs(b), (std::vector<CRAttrib*>{&level}));
  EXPECT_EQ(shape.GetTagAttribs(a), (std::vector<CRAttrib*>{&level, &spare}));
  EXPECT_TRUE(a->HasListener(shape.GetSafeHwnd()));
  EXPECT_TRUE(b->HasListener(shape.GetSafeHwnd()));

  // The device drops the stale entry; unbinding the last one ends the listening.
  shape.RemoveTagAttrib(a, &level);
  spare.SetDCTag(nullptr);
  EXPECT_TRUE(shape.GetTagAttribs(a).empty());
  EXPECT_FALSE(a->HasListener(shape.GetSafeHwnd()));
  EXPECT_TRUE(b->HasListener(shape.GetSafeHwnd()));
}

TEST_F(RAttribsPackTest, PendingSummariesTellTheirChangesOnce) {
  CDCTag* out = AddTag("PT1", VT_R4, eHWSerial, eIODuplex);
  m_engine.SetDataSource(eDataSourceRealHW);
  TestShape& shape = Shape();
  CRAttrib& port = Attrib(TestShape::kPort);
  port.SetTagByName("PT1");
  out->SetWritePending(TRUE);
  shape.Forget();

  port.SetWriteRequested(out->IsWritePending());
  EXPECT_EQ(shape.pendingChanges, (std::vector<int>{eAttribChangeWriteRequested}));
  EXPECT_TRUE(shape.GetWritePendingFlag());
  EXPECT_FALSE(shape.GetReadPendingFlag());
  shape.RecomputePendingFlags();
  EXPECT_EQ(shape.pendingChanges.size(), 1u);

  out->SetReadPending(TRUE);
  port.SetReadRequested(TRUE);
  port.SetWriteRequested(FALSE);
  EXPECT_EQ(shape.pendingChanges, (std::vector<int>{13, 12, 13}));
  EXPECT_TRUE(shape.GetReadPendingFlag());
  EXPECT_FALSE(shape.GetWritePendingFlag());
}

TEST_F(RAttribsPackTest, AMissingSectionIsPromptedUnlessShiftIsHeld) {
  m_boxes.Expect(IDOK);
  Shape().LoadAttribsFromIni();
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(),
            "The following section did Not found in setting (ini) file:\n - [Vessel.Mixer1]\n\nTips:\n"
            " - The section name is copied to clipboard.\n"
            " - Press and hold Shift key to ignore subsequent call of this error message types.\n"
            " - Press Cancel button to terminate program.");
  EXPECT_EQ(m_boxes.Boxes()[0].style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(m_clipboard.Text(), "Vessel.Mixer1");
  EXPECT_TRUE(Attrib(TestShape::kOpen).IsVisible());  // defaults went on
  EXPECT_FALSE(m_exit.Exited());

  m_boxes.Expect(IDCANCEL);
  Shape().LoadAttribsFromIni();
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));

  m_keys.Press(VK_SHIFT);
  Shape().LoadAttribsFromIni();
  EXPECT_EQ(m_boxes.Count(), 2u);
}

TEST_F(RAttribsPackTest, LoadsTagsTransformsVisibilityAndASDAndChecksSavedData) {
  CDCTag* level = AddTag("LT1", VT_R4);
  CDCTag* minimum = AddTag("LTMIN", VT_R4);
  AddTag("V1", VT_BOOL);
  WriteSettings(
      "[Vessel.Mixer1]\n"
      "Level.Tag=LT1\nLevel.Data=12.5\n"
      "MinVluLevel.Tag= LTMIN \n"
      "Open.Tag=V1\nOpen.TagTransform=Negative\nOpen.Visible=no\nOpen.Data=True\n"
      "Counter.Visible=YES\nCounter.ASD=1.5\nCounter.Data=12\n"
      "Caption.Visible=maybe\nCaption.Data=not a number\n"
      "Spare.Data=abc\n");
  TestShape& shape = ShapeWindow();
  m_boxes.Expect(IDOK);
  shape.LoadAttribsFromIni();

  EXPECT_EQ(Attrib(TestShape::kLevel).GetDCTag(), level);
  EXPECT_EQ(Attrib(TestShape::kMinLevel).GetTagName(), "LTMIN");
  EXPECT_TRUE(Attrib(TestShape::kOpen).IsNegative());
  EXPECT_FALSE(Attrib(TestShape::kOpen).IsVisible());
  EXPECT_TRUE(Attrib(TestShape::kCounter).IsVisible());
  EXPECT_TRUE(Attrib(TestShape::kCaption).IsVisible());
  EXPECT_TRUE(Attrib(TestShape::kSpare).IsVisible());
  EXPECT_EQ(Attrib(TestShape::kCounter).GetASD(), 15);
  // The saved values are the device's to apply.
  EXPECT_EQ(Attrib(TestShape::kLevel).GetValue(), Variant::R4(0.0f));

  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.LastText(),
            "Invalid saved value in ini file!\nAttribName: {Spare}.Data\nValue: \"abc\"\n\nExpected value format: " +
                VarTypeToText(VT_R4) + "\n\n\n(The AttribName is copied to clipboard).");
  EXPECT_EQ(m_boxes.Boxes()[0].style, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(m_clipboard.Text(), "Spare");

  // Limits are bound (and so replayed) before the values they limit.
  DeliverPosted();
  ASSERT_FALSE(shape.tagMessages.empty());
  EXPECT_EQ(shape.tagMessages.front().first, reinterpret_cast<WPARAM>(minimum));
  const std::vector<int> order = shape.GetIniLoadOrder();
  EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5), (std::vector<int>{1, 2, 6, 7, 0}));
  EXPECT_EQ(order.size(), static_cast<std::size_t>(TestShape::kAttribCount));
}

TEST_F(RAttribsPackTest, TimerPushesOnlyFloatPhysicalValues) {
  FakeClock clock;
  clock.Install();
  TestShape& shape = ShapeWindow();
  const std::vector<ArmedTimer> armed = ArmedTimersOf(shape.GetSafeHwnd());
  ASSERT_EQ(armed.size(), 1u);
  EXPECT_EQ(armed[0].id, ATTRIBS_PACK_HISTORY_TIMER);
  EXPECT_EQ(armed[0].elapseMs, 1000u);

  Attrib(TestShape::kLevel).SetValue(Variant::R4(42.0f));
  ASSERT_TRUE(FireTimerNow(shape.GetSafeHwnd(), ATTRIBS_PACK_HISTORY_TIMER));
  CRStack* history = Attrib(TestShape::kLevel).GetHistory();
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->GetSize(), 60);
  const std::optional<CRStackItem> first = history->GetItem(history->GetHead(), false);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->value, Variant::R4(42.0f));
  EXPECT_EQ(first->time, NowOleDate());

  clock.Advance(1000);
  ASSERT_TRUE(FireTimerNow(shape.GetSafeHwnd(), ATTRIBS_PACK_HISTORY_TIMER));
  EXPECT_EQ(history->GetCount(), 2);
  for (int index : {TestShape::kMinLevel, TestShape::kPort, TestShape::kSpare, TestShape::kCounter})
    EXPECT_EQ(Attrib(index).GetHistory(), nullptr) << index;
}

TEST_F(RAttribsPackTest, CopyLimitsToTagsFillsTheRangesOfBoundPhysicalAndPortValues) {
  CDCTag* level = AddTag("LT1", VT_R4);
  CDCTag* port = AddTag("PT1", VT_R4);
  CDCTag* spare = AddTag("SP1", VT_R4);
  Attrib(TestShape::kLevel).SetTagByName("LT1");
  Attrib(TestShape::kPort).SetTagByName("PT1");
  Attrib(TestShape::kSpare).SetTagByName("SP1");
  Attrib(TestShape::kMinLevel).SetValue(Variant::R4(10.0f));
  Attrib(TestShape::kMaxLevel).SetValue(Variant::R4(90.0f));
  Attrib(TestShape::kPortMin).SetValue(Variant::R4(4.0f));
  Attrib(TestShape::kPortMax).SetValue(Variant::R4(20.0f));

  Shape().CopyLimitsToTags();
  EXPECT_EQ(level->GetMinValue(), Variant::R4(10.0f));
  EXPECT_EQ(level->GetMaxValue(), Variant::R4(90.0f));
  EXPECT_EQ(port->GetMinValue(), Variant::R4(4.0f));
  EXPECT_EQ(port->GetMaxValue(), Variant::R4(20.0f));
  EXPECT_EQ(spare->GetMinValue(), Variant::R4(0.0f));  // no role: untouched
  EXPECT_EQ(spare->GetMaxValue(), Variant::R4(0.0f));
}

}  // namespace
