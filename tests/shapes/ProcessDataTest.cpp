#include <algorithm>

#include "KindTestSupport.h"
#include "shapes/ProcessDataGen.h"

namespace {

class ProcessDataTest : public KindTest {
 protected:
  // The general data whose attributes are all configured without a tag,
  // except `missing` (no tag key) and `bound` (bound to a real tag).
  C_ProcessDataGen& General(const std::vector<int>& missing, const std::vector<int>& bound = {}) {
    std::string settings = "[PrcGeneral.PrcGeneral]\n";
    for (int index = ePrcInputElecIs2Phase; index < ePrcReserveInt2; ++index) {
      const std::string key = C_ProcessDataGen(1).GetIniKeyName(index, eAttribIniTag);
      if (std::count(bound.begin(), bound.end(), index)) {
        AddTag("Tag" + std::to_string(index), VT_BOOL);
        settings += key + "=Tag" + std::to_string(index) + "\n";
      } else if (!std::count(missing.begin(), missing.end(), index)) {
        settings += key + "=_NO_DCTAG_\n";
      }
    }
    WriteSettings(settings);
    return Make<C_ProcessDataGen>(BYTE{1});
  }
  static std::string Prompt(const std::string& name) {
    return "The \"" + name + "\" attrib has not a valid Tag in [PrcGeneral.PrcGeneral] section!";
  }
};

TEST_F(ProcessDataTest, AnAttributeWithoutATagIsReportedAndOkGoesOn) {
  m_boxes.Expect(IDOK, Prompt("InputElecIs2Phase"));
  m_boxes.Expect(IDOK, Prompt("Mixer1_IsInLocalMode"));
  C_ProcessDataGen& data = General({ePrcInputElecIs2Phase, ePrcMixer1IsInLocalMode}, {ePrcMixer1IsInLocalMode + 1});
  EXPECT_EQ(data.GetObjectId(), 0x010D0000u);
  const auto boxes = m_boxes.Boxes();
  ASSERT_EQ(boxes.size(), 2u);  // none for the reserves, the bound one or "_NO_DCTAG_"
  EXPECT_EQ(boxes[0].text.rfind(Prompt("InputElecIs2Phase") + "\n\nTips:\n - The section & attib name is copied", 0),
            0u);
  EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL));
  EXPECT_EQ(m_clipboard.Text(), "[PrcGeneral.PrcGeneral] Mixer1_IsInLocalMode=?");
  EXPECT_FALSE(m_exit.Exited());
}

TEST_F(ProcessDataTest, CancelEndsTheProgramAndShiftSilencesTheChecks) {
  m_boxes.Expect(IDCANCEL, Prompt("InputElecIs2Phase"));
  General({ePrcInputElecIs2Phase, ePrcMixer1IsInLocalMode});
  EXPECT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_exit.Codes(), std::vector<int>{321});

  m_boxes.Clear();
  m_keys.Press(VK_SHIFT);
  General({ePrcInputElecIs2Phase, ePrcMixer1IsInLocalMode});
  m_keys.Release(VK_SHIFT);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(ProcessDataTest, EqualValuesReachNeitherThePlantFormNorTheTag) {
  C_ProcessDataGen& data = General({}, {ePrcBatcher1IsInLocalMode});
  CDCTag* tag = m_center.FindTag("Tag" + std::to_string(ePrcBatcher1IsInLocalMode));
  data.SetAttribBool(ePrcBatcher1IsInLocalMode, true);
  data.SetAttribString(ePrcReserveStr2, "Line A");
  EXPECT_EQ(m_form.Of(GetAttribsPackMessageId()).size(), 2u);

  m_form.Forget();
  tag->SetValue(Variant::Bool(false));  // a value only the tag holds stays there
  data.SetAttribBool(ePrcBatcher1IsInLocalMode, true);
  data.SetAttribString(ePrcReserveStr2, "  Line A \t");
  EXPECT_TRUE(m_form.Of(GetAttribsPackMessageId()).empty());
  EXPECT_FALSE(VariantToBool(tag->GetValue()));
  data.SetAttribString(ePrcReserveStr2, "line a");  // the compare is case-sensitive
  EXPECT_EQ(data.GetAttribText(ePrcReserveStr2), "line a");
}

TEST_F(ProcessDataTest, DrawsADotOfTheBodyColourUnderTheFrame) {
  C_ProcessDataGen& data = General({});
  const QImage dot = Picture(data);
  ASSERT_EQ(dot.size(), QSize(2, 2));
  EXPECT_EQ(PixelOf(dot, 1, 1), RGB(50, 50, 50));  // all frame, in the background colour

  data.SetAttribInt(eShapeColorBody, static_cast<int>(RGB(1, 2, 3)));
  data.MoveWindow(1, 1, 6, 6);  // larger, the body shows inside the frame
  EXPECT_EQ(PixelOf(Picture(data), 3, 3), RGB(1, 2, 3));
}

}  // namespace
