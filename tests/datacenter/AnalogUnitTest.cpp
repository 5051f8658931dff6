#include <gtest/gtest.h>

#include "AttribsTestFixture.h"
#include "datacenter/AnalogUnit.h"

namespace {

class AnalogUnitTest : public AttribsTest {
 protected:
  AnalogUnitTest() : m_unit(m_shape.get()) { m_unit.SetAttribIndex(TestShape::kLevel); }

  void BindLevel(int hwType) {
    AddTag("LT1", VT_R4, hwType, eIOInput);
    Attrib(TestShape::kLevel).SetTagByName("LT1");
  }
  void BindPort(int hwType) {
    AddTag("PT1", VT_R4, hwType, eIOInput);
    Attrib(TestShape::kPort).SetTagByName("PT1");
  }

  CAnalogUnit m_unit;
};

TEST_F(AnalogUnitTest, FlagSetWithoutAMappedPhysicalTagComputesWithoutAsking) {
  m_unit.SetAutoCalcPhyValueFromPortValue(true);
  EXPECT_TRUE(m_unit.CheckAutoCalcConfig());
  BindLevel(eHWNull);  // an internal tag is not mapped to hardware
  EXPECT_TRUE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(AnalogUnitTest, FlagSetOnAHardwarePhysicalValueIsAContradiction) {
  BindLevel(eHWAdv);
  m_unit.SetAutoCalcPhyValueFromPortValue(true);
  m_boxes.Expect(IDCANCEL,
                 "The following Psychical-Value Attrib is configured to be calculated from Port-Value Attrib within "
                 "RuvFrame in PC.\nAnd also the mentioned Psychical-Value Attrib is assigned to a HW mapped DC-Tag.");
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  const std::string text = m_boxes.LastText();
  EXPECT_EQ(text.substr(text.find("\n\nDeviceName:")), "\n\nDeviceName: [Vessel.Mixer1]\nAttribName: [Level]\n");
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));
  // Settled: the answer is kept and nothing is asked again.
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(AnalogUnitTest, AHardwarePortValueOffersToComputeThePhysicalValue) {
  BindPort(eHWAdv);
  m_boxes.Expect(IDNO, "Do you want to set bAutoCalcPhyValueFromPortValue flag for the following Psychical-Value "
                       "Attrib?\n\nDeviceName: [Vessel.Mixer1]\nAttribName: [Level]\n");
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_YESNOCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());  // settled by No
  EXPECT_EQ(m_boxes.Count(), 1u);

  CAnalogUnit yes(m_shape.get());
  yes.SetAttribIndex(TestShape::kLevel);
  m_boxes.Expect(IDYES);
  EXPECT_TRUE(yes.CheckAutoCalcConfig());
  EXPECT_TRUE(yes.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Count(), 2u);

  CAnalogUnit cancel(m_shape.get());
  cancel.SetAttribIndex(TestShape::kLevel);
  m_boxes.Expect(IDCANCEL);
  EXPECT_FALSE(cancel.CheckAutoCalcConfig());
  EXPECT_EQ(m_exit.Codes(), (std::vector<int>{321}));
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
}

TEST_F(AnalogUnitTest, WithoutAHardwarePortValueThePhysicalValueIsTakenAsItComes) {
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());  // neither tag mapped
  BindLevel(eHWAdv);
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(AnalogUnitTest, AGroupWithoutAPortValueHasNothingToComputeFrom) {
  m_shape->hasPortValue = false;
  BindPort(eHWAdv);
  EXPECT_FALSE(m_unit.CheckAutoCalcConfig());
  EXPECT_EQ(m_boxes.Count(), 0u);
}

}  // namespace
