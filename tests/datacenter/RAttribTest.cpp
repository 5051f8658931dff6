#include <gtest/gtest.h>

#include <cstdint>

#include "AttribsTestFixture.h"

namespace {

using RAttribTest = AttribsTest;

TEST_F(RAttribTest, AnEqualValueOffersNothingAndAnotherTypeIsAChange) {
  CRAttrib& level = Attrib(TestShape::kLevel);
  level.SetModified(FALSE);
  Shape().Forget();
  level.SetValue(Variant::R4(0.0f));
  EXPECT_TRUE(Shape().offers.empty());
  EXPECT_FALSE(level.IsModified());

  level.SetValue(Variant::R8(0.0));  // same number, other type
  EXPECT_EQ(Shape().OfferCodes(), (std::vector<int>{eAttribChangeValue, eAttribChangeModified}));
  EXPECT_EQ(Shape().reports, (std::vector<int>{eAttribChangeModified, eAttribChangeValue}));
  EXPECT_EQ(level.GetValue().vt, VT_R8);
  EXPECT_EQ(level.GetPreviousValue(), Variant::R4(0.0f));
  EXPECT_TRUE(level.IsModified());
  EXPECT_TRUE(level.IsDirty());
}

TEST_F(RAttribTest, ARefusedOfferChangesNothingAndReportsNothing) {
  CRAttrib& level = Attrib(TestShape::kLevel);
  level.SetModified(FALSE);
  level.SetDirty(FALSE);
  Shape().Forget();
  Shape().refusedCode = eAttribChangeValue;
  level.SetValue(Variant::R4(3.0f));
  EXPECT_EQ(level.GetValue(), Variant::R4(0.0f));
  EXPECT_FALSE(level.IsModified());
  EXPECT_FALSE(level.IsDirty());
  EXPECT_TRUE(Shape().reports.empty());

  Shape().refusedCode = eAttribChangeName;
  level.SetName("Other");
  EXPECT_EQ(level.GetName(), "Level");
}

TEST_F(RAttribTest, AChangeWhileTheTagIsReadPendingIsIgnored) {
  CDCTag* tag = AddTag("LT1", VT_R4, eHWAdv, eIOInput);
  CRAttrib& level = Attrib(TestShape::kLevel);
  level.SetDCTag(tag);
  tag->SetReadPending(TRUE);
  Shape().Forget();
  level.SetValue(Variant::R4(12.5f));
  EXPECT_EQ(level.GetValue(), Variant::R4(0.0f));
  EXPECT_TRUE(Shape().offers.empty());

  tag->SetReadPending(FALSE);
  level.SetValue(Variant::R4(12.5f));
  EXPECT_EQ(level.GetValue(), Variant::R4(12.5f));
}

TEST_F(RAttribTest, UndoRestoresThePreviousValueOnce) {
  CRAttrib& counter = Attrib(TestShape::kCounter);
  counter.SetValue(Variant::I4(5));
  counter.SetModified(FALSE);
  counter.SetValue(Variant::I4(9));
  ASSERT_TRUE(counter.IsModified());
  Shape().Forget();

  counter.Undo();
  EXPECT_EQ(counter.GetValue(), Variant::I4(5));
  EXPECT_FALSE(counter.IsModified());
  EXPECT_FALSE(counter.IsRestoring());
  // Restoring keeps the previous value and is reported as a value change.
  EXPECT_EQ(counter.GetPreviousValue(), Variant::I4(5));
  EXPECT_EQ(Shape().reports, (std::vector<int>{eAttribChangeValue, eAttribChangeModified}));

  Shape().Forget();
  counter.Undo();
  EXPECT_TRUE(Shape().offers.empty());
  EXPECT_EQ(counter.GetValue(), Variant::I4(5));
}

TEST_F(RAttribTest, SetDataTypeTurnsEmptyValuesIntoTheZeroOfTheType) {
  CRAttrib attrib(nullptr);
  attrib.SetDataType(VT_R4);
  EXPECT_EQ(attrib.GetValue(), Variant::R4(0.0f));
  EXPECT_EQ(attrib.GetPreviousValue(), Variant::R4(0.0f));
  EXPECT_EQ(attrib.GetDefaultValue(), Variant::R4(0.0f));
  attrib.SetDataType(VT_I4);  // a value that is not empty keeps its type
  EXPECT_EQ(attrib.GetDataType(), VT_I4);
  EXPECT_EQ(attrib.GetValue().vt, VT_R4);
}

TEST_F(RAttribTest, BindsByNameOnceAndTrimmed) {
  CDCTag* tag = AddTag("LT1", VT_R4);
  CRAttrib& level = Attrib(TestShape::kLevel);
  Shape().Forget();
  level.SetTagByName("  LT1 ");
  EXPECT_EQ(level.GetTagName(), "LT1");
  EXPECT_EQ(level.GetDCTag(), tag);
  EXPECT_EQ(Shape().reports, (std::vector<int>{eAttribChangeTagName, eAttribChangeTag}));
  ASSERT_EQ(Shape().offers.size(), 2u);
  EXPECT_EQ(Shape().offers[1].second.llVal, reinterpret_cast<std::intptr_t>(tag));

  // The same name does not bind again, even once the tag has been dropped.
  level.SetDCTag(nullptr);
  Shape().Forget();
  level.SetTagByName("LT1");
  EXPECT_TRUE(Shape().offers.empty());
  EXPECT_EQ(level.GetDCTag(), nullptr);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(RAttribTest, AnUnknownTagNameIsPromptedByTheDataCenterAndBindsNone) {
  m_boxes.Expect(IDCANCEL, "The following Tag did not found in DataCenter:\n - LT9");
  Attrib(TestShape::kLevel).SetTagByName("LT9");
  EXPECT_EQ(Attrib(TestShape::kLevel).GetDCTag(), nullptr);
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));

  Attrib(TestShape::kOpen).SetTagByName(NO_DCTAG_NAME);  // never looked up
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(RAttribTest, ATagOfAnotherTypeIsRefusedWithAPromptUnlessShiftIsHeld) {
  AddTag("LT1", VT_R4);
  CRAttrib& open = Attrib(TestShape::kOpen);
  m_boxes.Expect(IDOK);
  open.SetTagByName("LT1");
  EXPECT_EQ(open.GetDCTag(), nullptr);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(m_boxes.LastText().substr(0, m_boxes.LastText().find("\n\nTips:")),
            "Invalid assigned Tag to Attrib (DataType mismatch)!\n\nSectionName: [Vessel.Mixer1]\nAttribName: [Open]  "
            "AttribDataType: " +
                VarTypeToText(VT_BOOL) + "\nTagName: [LT1]  TagDataType: " + VarTypeToText(VT_R4));
  EXPECT_NE(m_boxes.LastText().find(" - The TagName is copied to clipboard."), std::string::npos);
  EXPECT_EQ(m_clipboard.Text(), "LT1");
  EXPECT_FALSE(m_exit.Exited());

  CDCTag* other = AddTag("LT2", VT_R4);
  m_keys.Press(VK_SHIFT);
  open.SetDCTag(other);
  EXPECT_EQ(open.GetDCTag(), nullptr);
  EXPECT_EQ(m_boxes.Count(), 1u);

  m_keys.Release(VK_SHIFT);
  m_boxes.Expect(IDCANCEL);
  open.SetDCTag(other);
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));
}

TEST_F(RAttribTest, UnbindingStoresNoneReportsCodeFourAndAsksNothing) {
  CDCTag* tag = AddTag("LT1", VT_R4, eHWAdv, eIOInput);
  CRAttrib& level = Attrib(TestShape::kLevel);
  level.SetTagByName("LT1");
  tag->SetReadPending(TRUE);
  level.SetReadRequested(TRUE);
  ASSERT_TRUE(Shape().GetReadPendingFlag());
  Shape().Forget();

  level.SetDCTag(nullptr);
  EXPECT_EQ(level.GetDCTag(), nullptr);
  EXPECT_EQ(Shape().reports, (std::vector<int>{eAttribChangeTag, eAttribChangeReadRequested}));
  EXPECT_FALSE(level.IsReadRequested());
  EXPECT_FALSE(Shape().GetReadPendingFlag());
  EXPECT_EQ(m_boxes.Count(), 0u);

  // A reset of a bound attribute forgets the tag without looking up its empty name.
  CRAttrib& spare = Attrib(TestShape::kSpare);
  AddTag("SP1", VT_R4);
  spare.SetTagByName("SP1");
  ASSERT_NE(spare.GetDCTag(), nullptr);
  spare.ResetAttrib();
  EXPECT_EQ(spare.GetDCTag(), nullptr);
  EXPECT_EQ(spare.GetTagName(), "");
  EXPECT_EQ(spare.GetName(), "");
  EXPECT_EQ(spare.GetID(), -1);
  EXPECT_EQ(spare.GetDataType(), VT_EMPTY);
  EXPECT_FALSE(spare.IsDirty());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(RAttribTest, RequestedFlagsStayFalseWithoutATag) {
  CRAttrib& level = Attrib(TestShape::kLevel);
  Shape().Forget();
  level.SetWriteRequested(TRUE);
  EXPECT_FALSE(level.IsWriteRequested());
  ASSERT_EQ(Shape().offers.size(), 1u);
  EXPECT_EQ(Shape().offers[0].second, Variant::Bool(false));
  EXPECT_TRUE(Shape().pendingChanges.empty());
}

struct TransformCase {
  int attribIndex;
  std::string text;
  std::string error;
};

TEST_F(RAttribTest, InvalidTransformsArePromptedAndBecomeEmpty) {
  AddTag("LT1", VT_R4);
  AddTag("V1", VT_BOOL);
  Attrib(TestShape::kLevel).SetTagByName("LT1");
  Attrib(TestShape::kOpen).SetTagByName("V1");
  const TransformCase cases[] = {
      {TestShape::kSpare, "Negative", " - Tag-Transforming on Null-Tag is invalid!"},
      {TestShape::kLevel, "Negative",
       " - The 'Negative' Tag-Transforming in INi is NOT supported for '" + VarTypeToText(VT_R4) + "' Tags."},
      {TestShape::kOpen, "negative", " - Unrecognized Tag-Transforming: 'negative' !?"},
  };
  for (const TransformCase& c : cases) {
    SCOPED_TRACE(c.error);
    CRAttrib& attrib = Attrib(c.attribIndex);
    m_boxes.Clear();
    m_boxes.Expect(IDOK);
    attrib.SetTagTransform(c.text);
    const std::string key = attrib.GetName() + ".TagTransform";
    const std::string text = m_boxes.LastText();
    EXPECT_EQ(text.substr(0, text.find("\n\nTips:")), "Invalid Attrib configuration!\n " + c.error +
                                                         "\n\nSectionName: [Vessel.Mixer1]\nAttribName: " + key +
                                                         " = " + c.text + "\n");
    EXPECT_NE(text.find(" - The AttribNameEx is copied to clipboard."), std::string::npos);
    EXPECT_EQ(m_clipboard.Text(), key);
    EXPECT_EQ(attrib.GetTagTransform(), "");
    EXPECT_FALSE(attrib.IsNegative());
  }
  EXPECT_FALSE(m_exit.Exited());

  m_boxes.Expect(IDCANCEL);
  Attrib(TestShape::kSpare).SetTagTransform("Invert");
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));

  // Shift held: the text goes on as it is.
  const std::size_t shown = m_boxes.Count();
  m_keys.Press(VK_SHIFT);
  Attrib(TestShape::kLevel).SetTagTransform("Negative");
  EXPECT_TRUE(Attrib(TestShape::kLevel).IsNegative());
  EXPECT_EQ(m_boxes.Count(), shown);
}

TEST_F(RAttribTest, WriteToTagInvertsABooleanForNegativeUntilTheTransformIsCleared) {
  CDCTag* tag = AddTag("V1", VT_BOOL);
  CRAttrib& open = Attrib(TestShape::kOpen);
  open.SetTagByName("V1");
  open.SetTagTransform("Negative");
  ASSERT_TRUE(open.IsNegative());

  open.SetValue(Variant::Bool(true));
  open.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::Bool(false));
  EXPECT_FALSE(open.IsModified());
  open.SetValue(Variant::Bool(false));
  open.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::Bool(true));

  open.SetTagTransform("");
  open.SetValue(Variant::Bool(true));
  open.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::Bool(true));
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(RAttribTest, WriteToTagLeavesAnInputTagAloneInRealButClearsModified) {
  CDCTag* tag = AddTag("LT1", VT_R4, eHWAdv, eIOInput);
  CRAttrib& level = Attrib(TestShape::kLevel);
  level.SetTagByName("LT1");
  m_engine.SetDataSource(eDataSourceRealHW);
  level.SetValue(Variant::R4(7.0f));
  level.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::R4(0.0f));
  EXPECT_FALSE(level.IsModified());

  m_engine.SetDataSource(eDataSourceDemo);  // in Demo every tag is written
  level.SetValue(Variant::R4(8.0f));
  level.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::R4(8.0f));
  EXPECT_FALSE(tag->IsWritePending());
}

TEST_F(RAttribTest, WriteToTagMarksWritePendingOnlyWhenTheTagTookTheValue) {
  CDCTag* tag = AddTag("PT1", VT_R4, eHWSerial, eIOOutput);
  m_engine.SetDataSource(eDataSourceRealHW);
  CRAttrib& port = Attrib(TestShape::kPort);
  port.SetTagByName("PT1");
  Shape().Forget();

  port.SetValue(Variant::R4(4.0f));
  port.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::R4(4.0f));
  EXPECT_TRUE(tag->IsWritePending());
  EXPECT_TRUE(port.IsWriteRequested());
  EXPECT_EQ(Shape().pendingChanges, (std::vector<int>{eAttribChangeWriteRequested}));

  tag->SetWritePending(FALSE);
  port.SetWriteRequested(FALSE);
  port.SetValue(Variant::R8(5.0));  // the float tag refuses a double
  port.WriteToTag();
  EXPECT_EQ(tag->GetValue(), Variant::R4(4.0f));
  EXPECT_FALSE(tag->IsWritePending());
  EXPECT_FALSE(port.IsWriteRequested());
  EXPECT_FALSE(port.IsModified());
}

TEST_F(RAttribTest, NegativeOnANonBooleanTagAsksWhetherToGoOn) {
  CDCTag* tag = AddTag("C1", VT_I4);
  CRAttrib& counter = Attrib(TestShape::kCounter);
  counter.SetTagByName("C1");
  m_keys.Press(VK_SHIFT);  // lets the transform through
  counter.SetTagTransform("Negative");
  m_keys.Release(VK_SHIFT);

  counter.SetValue(Variant::I4(3));
  m_boxes.Expect(IDYES,
                 "Tag Negative Transforming is NOT supported for non boolean data types!\nDo you want to continue "
                 "program?");
  counter.WriteToTag();
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_YESNO | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(counter.GetTagTransform(), "");
  EXPECT_EQ(tag->GetValue(), Variant::I4(3));
  counter.SetValue(Variant::I4(4));
  counter.WriteToTag();  // no second question
  EXPECT_EQ(tag->GetValue(), Variant::I4(4));
  EXPECT_EQ(m_boxes.Count(), 1u);
  EXPECT_FALSE(m_exit.Exited());

  m_keys.Press(VK_SHIFT);
  counter.SetTagTransform("Negative");
  m_keys.Release(VK_SHIFT);
  counter.SetValue(Variant::I4(6));
  m_boxes.Expect(IDNO);
  counter.WriteToTag();
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));
  EXPECT_EQ(tag->GetValue(), Variant::I4(4));
}

TEST_F(RAttribTest, HistoriesOnlyForNumbers) {
  EXPECT_EQ(Attrib(TestShape::kOpen).SetHistoryDepth(10), nullptr);
  EXPECT_EQ(Attrib(TestShape::kCaption).SetHistoryDepth(10), nullptr);

  CRAttrib& spare = Attrib(TestShape::kSpare);
  spare.SetValue(Variant::R4(2.0f));
  spare.PushHistory();
  ASSERT_NE(spare.GetHistory(), nullptr);
  EXPECT_EQ(spare.GetHistory()->GetSize(), 60);
  EXPECT_TRUE(spare.GetHistory()->HasTimeStamps());
  EXPECT_EQ(spare.GetHistory()->GetCount(), 1);
  EXPECT_EQ(spare.GetHistory()->GetItemValue(spare.GetHistory()->GetHead()), Variant::R4(2.0f));
  EXPECT_EQ(spare.SetHistoryDepth(5), spare.GetHistory());
  EXPECT_EQ(spare.GetHistory()->GetSize(), 5);
  spare.DeleteHistory();
  EXPECT_EQ(spare.GetHistory(), nullptr);
}

}  // namespace
