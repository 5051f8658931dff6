#include "ShapesTestSupport.h"

namespace {

using ShapeSettingsTest = ShapeTest;

TEST_F(ShapeSettingsTest, SectionWithoutTheShapesKeysGivesTheDefaultsOfTheKind) {
  TestKindShape& shape = Shape();
  EXPECT_FLOAT_EQ(shape.GetAttribFloat(eShapeLoadInWay), 0.5f);
  EXPECT_EQ(shape.GetAttribInt(eShapeDrawSizeX), 10);
  EXPECT_EQ(shape.GetAttribInt(eShapeDrawSizeY), 20);
  EXPECT_EQ(shape.GetAttribInt(eShapeDrawPosX), 30);  // instance 3
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBG), 65280);
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBgOld), 65280);
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBody), static_cast<int>(TestKindShape::kBodyColor));
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBodyOld), static_cast<int>(TestKindShape::kBodyColor));
  EXPECT_EQ(shape.GetAttribInt(eShapeColorBgOutOfRecipe), 8421504);
  EXPECT_TRUE(shape.GetAttribBool(eShapeDeviceIsInRecipe));
  EXPECT_EQ(shape.GetFullName(), "[Vessel.Mixer1]");
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ShapeSettingsTest, RangesLoadBeforeTheValuesTheyLimitAndTheCaptionIsTrimmed) {
  WriteSettings("[Vessel.Mixer1]\nLevel.Data=80\nMaxVluLevel.Data=100\nDeviceCaption.Data=  Mixer One  \n");
  TestKindShape& shape = Shape();
  EXPECT_FLOAT_EQ(shape.GetAttribFloat(TestKindShape::kLevel), 80.0f);
  EXPECT_EQ(shape.GetCaption(), "Mixer One");
  EXPECT_EQ(shape.GetFullName(), "[Vessel.Mixer1] - Mixer One");
}

TEST_F(ShapeSettingsTest, WindowEndWritesBackOnlyTheDrawingValuesThatChanged) {
  TestKindShape& shape = Shape();
  shape.SetAttribInt(eShapeColorFG, 123);
  shape.SetAttribFloat(eShapeLoadInWay, 0.75f);
  shape.SetAttribInt(eShapeDrawPosY, 44);  // not a written-back value
  shape.DestroyWindow();
  const std::string settings = Settings();
  EXPECT_NE(settings.find("ColorFG.Data=123"), std::string::npos);
  EXPECT_NE(settings.find("LoadInWay.Data=0.75"), std::string::npos);
  EXPECT_EQ(settings.find("ColorBG.Data"), std::string::npos);
  EXPECT_EQ(settings.find("DrawPosY"), std::string::npos);
}

TEST_F(ShapeSettingsTest, ApplyAndSaveKeepsWhatTheAttributeEndsWith) {
  WriteSettings("[Vessel.Mixer1]\nSpeed.Data=4\nMaxVluLevel.Data=100\n");
  TestKindShape& shape = Shape();
  m_form.refusedIndex = TestKindShape::kSpeed;
  m_boxes.Expect(IDOK, "Error at Vessel operating!");
  shape.ApplyAndSave(TestKindShape::kSpeed, Variant::I4(9));
  EXPECT_EQ(shape.GetAttribInt(TestKindShape::kSpeed), 4);
  EXPECT_NE(Settings().find("Speed.Data=4"), std::string::npos);

  shape.ApplyAndSave(TestKindShape::kLevel, Variant::R4(150.0f));  // clamped by the kind
  EXPECT_NE(Settings().find("Level.Data=100"), std::string::npos);
}

TEST_F(ShapeSettingsTest, NamesKeysAndDuplicateDeviceNames) {
  EXPECT_EQ(m_shape->GetAttribName(30), "0000001E");
  EXPECT_EQ(m_shape->GetSectionName(), "Vessel.Mixer1");
  EXPECT_EQ(m_shape->GetIniKeyName(TestKindShape::kLevel, eAttribIniTagTransform), "Level.TagTransform");
  EXPECT_EQ(m_shape->GetIniKeyName(eShapeColorBG, 9), "ColorBG.");
  EXPECT_EQ(TestKindShape("A&B[1]", 0).GetSectionName(), "Vessel.A&amp;B$1$");

  std::string copied;
  std::vector<std::string> notices;
  SetShapeCopyNoticeHandler([&](CWnd*, const std::string& text) { notices.push_back(text); });
  m_shape->CopySectionName(copied, true);
  SetShapeCopyNoticeHandler(nullptr);
  EXPECT_EQ(copied, "Vessel.Mixer1");
  EXPECT_EQ(m_clipboard.Text(), "Vessel.Mixer1");
  EXPECT_EQ(notices, std::vector<std::string>{"The 'ControlType.DeviceName' is copied to clipboard"});

  TestKindShape twin("mixer1", 4);
  m_boxes.Expect(IDOK, "Found duplicated Device Name!\r\nDevice Name: Mixer1");
  C_BaseShape::InitIniTable(2);
  EXPECT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(C_BaseShape::GetIniTableEntry(1), nullptr);
}

}  // namespace
