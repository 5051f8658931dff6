#include "ShapesTestSupport.h"

namespace {

constexpr PlantObjectId kMixer1Id = 0x01010003;

class ShapeStoreTest : public ShapeTest {
 protected:
  // Mixer1 with its command bound to a boolean tag and its speed to an integer tag.
  TestKindShape& BoundShape() {
    m_open = AddTag("TagOpen", VT_BOOL);
    m_speed = AddTag("TagSpeed", VT_I4);
    WriteSettings("[Vessel.Mixer1]\nOpen.Tag=TagOpen\nSpeed.Tag=TagSpeed\n");
    TestKindShape& shape = Shape();
    m_form.Forget();
    shape.reactions.clear();
    return shape;
  }
  CDCTag* m_open = nullptr;
  CDCTag* m_speed = nullptr;
};

TEST_F(ShapeStoreTest, AcceptedValueIsOfferedReactedToAndWrittenAndAnEqualOneDoesNothing) {
  m_engine.SetDataSource(eDataSourceRealHW);
  TestKindShape& shape = BoundShape();

  shape.SetAttribBool(TestKindShape::kOpen, true);
  const auto offers = m_form.Of(GetAttribsPackMessageId());
  ASSERT_EQ(offers.size(), 1u);
  EXPECT_EQ(offers[0].wParam, kMixer1Id);
  EXPECT_EQ(offers[0].lParam, TestKindShape::kOpen);
  EXPECT_EQ(shape.reactions, std::vector<int>{TestKindShape::kOpen});
  EXPECT_TRUE(VariantToBool(m_open->GetValue()));
  EXPECT_TRUE(m_open->IsWritePending());

  // The pack's write summary changed: the plant form hears of it (5376, code 13).
  DeliverPosted();
  const auto pending = m_form.Of(SHAPE_PENDING_MESSAGE);
  ASSERT_FALSE(pending.empty());
  EXPECT_EQ(pending.back().wParam, kMixer1Id);
  EXPECT_EQ(pending.back().lParam, eAttribChangeWriteRequested);

  m_form.Forget();
  shape.SetAttribBool(TestKindShape::kOpen, true);
  EXPECT_TRUE(m_form.Of(GetAttribsPackMessageId()).empty());
  EXPECT_EQ(shape.reactions.size(), 1u);
}

TEST_F(ShapeStoreTest, RefusedValueIsRestoredWithItsBoxAndReachesNeitherReactionNorTag) {
  TestKindShape& shape = BoundShape();
  const Variant before = m_speed->GetValue();
  m_form.refusedIndex = TestKindShape::kSpeed;
  m_boxes.Expect(IDOK, "Error at Vessel operating!");

  shape.SetAttribInt(TestKindShape::kSpeed, 7);
  EXPECT_EQ(shape.GetAttribInt(TestKindShape::kSpeed), 0);
  EXPECT_TRUE(shape.reactions.empty());
  EXPECT_EQ(m_speed->GetValue(), before);
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].text, "Error at Vessel operating!");
  EXPECT_EQ(m_boxes.Boxes()[0].style, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_TRUE(m_boxes.Boxes()[0].waited);
}

TEST_F(ShapeStoreTest, ReactionThatRefusesPutsTheValueBackWithoutABox) {
  TestKindShape& shape = BoundShape();
  shape.refusedReaction = TestKindShape::kOpen;
  shape.SetAttribBool(TestKindShape::kOpen, true);
  EXPECT_FALSE(shape.GetAttribBool(TestKindShape::kOpen));
  EXPECT_FALSE(VariantToBool(m_open->GetValue()));
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ShapeStoreTest, ValueOfATagBeingReadIsNotOverwritten) {
  TestKindShape& shape = BoundShape();
  m_speed->SetReadPending(TRUE);
  ASSERT_TRUE(m_speed->IsReadPending());
  shape.SetAttribInt(TestKindShape::kSpeed, 5);
  EXPECT_EQ(shape.GetAttribInt(TestKindShape::kSpeed), 0);
  EXPECT_TRUE(m_form.Of(GetAttribsPackMessageId()).empty());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ShapeStoreTest, TypedSettersKeepTheAttributeTypeAndGettersConvert) {
  TestKindShape& shape = Shape();
  shape.StoreAttribValue(TestKindShape::kSpeed, Variant::R4(12.0f));
  EXPECT_EQ(shape.GetAttribDataType(TestKindShape::kSpeed), VT_I4);
  EXPECT_EQ(shape.GetAttribValue(TestKindShape::kSpeed).vt, VT_I4);
  EXPECT_EQ(shape.GetAttribInt(TestKindShape::kSpeed), 12);
  EXPECT_FLOAT_EQ(shape.GetAttribFloat(TestKindShape::kSpeed), 12.0f);
  shape.SetAttribString(TestKindShape::kLabel, "  Feed  ");
  EXPECT_EQ(shape.GetAttribText(TestKindShape::kLabel), "Feed");
}

// ---- tag notifications ----

TEST_F(ShapeStoreTest, NegativeBooleanTagSetsTheInvertedValue) {
  m_open = AddTag("TagOpen", VT_BOOL);
  WriteSettings("[Vessel.Mixer1]\nOpen.Tag=TagOpen\nOpen.TagTransform=Negative\n");
  TestKindShape& shape = Shape();  // the binding replays the tag's false
  EXPECT_TRUE(shape.GetAttribBool(TestKindShape::kOpen));
  m_open->SetValue(Variant::Bool(true));
  DeliverPosted();
  EXPECT_FALSE(shape.GetAttribBool(TestKindShape::kOpen));
}

TEST_F(ShapeStoreTest, TagOfAnotherNumberTypeOnlyClearsTheReadRequest) {
  TestKindShape& shape = Shape();
  const std::pair<int, VARTYPE> bindings[] = {{TestKindShape::kMaxLevel, VT_R8}, {TestKindShape::kLevel, VT_I2}};
  for (const auto& [index, type] : bindings) {
    CDCTag* tag = AddTag(type == VT_R8 ? "TagDouble" : "TagShort", type);
    CRAttrib* attrib = shape.GetAttrib(index);
    attrib->SetDataType(type);  // a tag binds only to an attribute of its own type
    attrib->SetDCTag(tag);
    tag->SetValue(type == VT_R8 ? Variant::R8(3.5) : Variant::I2(4));
    attrib->SetReadRequested(TRUE);
    const Variant before = attrib->GetValue();
    EXPECT_EQ(shape.OnTagNotify(tag, eTagChangeValue), 0);
    EXPECT_EQ(attrib->GetValue(), before);
    EXPECT_FALSE(attrib->IsReadRequested());
  }
}

TEST_F(ShapeStoreTest, PendingMarksAreCopiedAndEntriesOfALeftTagDropped) {
  m_engine.SetDataSource(eDataSourceRealHW);
  TestKindShape& shape = BoundShape();
  CRAttrib* speed = shape.GetAttrib(TestKindShape::kSpeed);

  m_speed->SetReadPending(TRUE);
  EXPECT_EQ(shape.OnTagNotify(m_speed, eTagChangeValue), 1);  // a value being read is ignored
  EXPECT_EQ(shape.OnTagNotify(m_speed, eTagChangeReadPending), 0);
  EXPECT_TRUE(speed->IsReadRequested());
  m_speed->SetWritePending(TRUE);
  shape.OnTagNotify(m_speed, eTagChangeWritePending);
  EXPECT_TRUE(speed->IsWriteRequested());
  EXPECT_EQ(shape.OnTagNotify(nullptr, eTagChangeValue), 1);

  // The attribute moves to another tag: the old tag's next message drops its entry.
  CDCTag* other = AddTag("TagOther", VT_I4);
  speed->SetDCTag(other);
  ASSERT_EQ(shape.GetTagAttribs(m_speed).size(), 1u);
  shape.OnTagNotify(m_speed, eTagChangeWritePending);
  EXPECT_TRUE(shape.GetTagAttribs(m_speed).empty());
}

}  // namespace
