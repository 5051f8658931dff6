#include <gtest/gtest.h>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterTestSupport.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

constexpr const char* kHead = "Invalid Tag format in DataCenter file. Because:\n";
constexpr const char* kNoHardware = "but is has not a real HW type(eHWType == NULL).\n";
constexpr const char* kUpdate = "Please update DCTFile.\n\n";

class DCTagLineTest : public ::testing::Test {
 protected:
  // The report part of the last box (before the tag's diagnostics).
  std::string LastReport() const {
    const std::string text = m_boxes.LastText();
    return text.substr(0, text.find("\n--- DataCenter Tag ----"));
  }

  FakeEngine m_engine;
  ScriptedMessageBox m_boxes;
  RecordingExitHook m_exit;
  CDCTag m_tag;
};

TEST_F(DCTagLineTest, GoodAdvantechLineNeedsNoBox) {
  ASSERT_TRUE(m_tag.ParseDCTLine(" 1 , Tank1.Level ,ADV, BA300CH2 ,INPUT,Float,NULL,10,NULL"));
  EXPECT_EQ(m_tag.GetTagName(), "Tank1.Level");
  EXPECT_EQ(m_tag.GetHWType(), eHWAdv);
  EXPECT_EQ(m_tag.GetAccessPath(), "BA300CH2");
  EXPECT_EQ(m_tag.GetIOType(), eIOInput);
  EXPECT_EQ(m_tag.GetDataType(), VT_R4);
  EXPECT_EQ(m_tag.GetSize(), 10);
  EXPECT_EQ(m_tag.GetPortValuePrecision(), 0.0f);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(DCTagLineTest, ShortLinesFailSilentlyLongLinesUseNineFields) {
  EXPECT_FALSE(m_tag.ParseDCTLine(""));
  EXPECT_FALSE(m_tag.ParseDCTLine("1,A,OPC,NULL,INPUT,Double,NULL,NULL"));
  EXPECT_EQ(m_tag.GetTagName(), "");  // nothing applied
  EXPECT_TRUE(m_tag.ParseDCTLine("1,A,OPC,NULL,INPUT,Double,NULL,NULL,NULL,extra,more"));
  EXPECT_EQ(m_tag.GetTagName(), "A");
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(DCTagLineTest, HistoryOfOneOnAnInternalTagIsNoHistory) {
  EXPECT_TRUE(m_tag.ParseDCTLine("1,Counter,NULL,NULL,NULL,Int,NULL,1,NULL"));
  EXPECT_EQ(m_tag.GetSize(), 0);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

// Found by the tag-file fuzzer: a run of digits asked for a history of two
// billion samples and the allocation ended the program.
TEST_F(DCTagLineTest, HugeHistoryIsReportedAndCappedInsteadOfTakingAllMemory) {
  m_boxes.Expect(IDOK, " - it has a DataStackSize of 2147483647, above the largest, 1000, which is used instead!\n");
  EXPECT_TRUE(m_tag.ParseDCTLine("1,A,ADV,BA300CH2,INPUT,Float,NULL," + std::string(97, '6') + "NULL,NULL"));
  EXPECT_EQ(m_tag.GetSize(), 1000);
  m_boxes.Expect(IDOK, "DataStackSize of 1001");
  EXPECT_TRUE(m_tag.ParseDCTLine("1,A,ADV,BA300CH2,INPUT,Float,NULL,1001,NULL"));
  EXPECT_TRUE(m_tag.ParseDCTLine("1,A,ADV,BA300CH2,INPUT,Float,NULL,1000,NULL"));  // the largest, silently
  EXPECT_EQ(m_tag.GetSize(), 1000);
  EXPECT_EQ(m_boxes.Count(), 2u);
}

TEST_F(DCTagLineTest, InternalTagWithHardwareFieldsIsCorrectedAfterOk) {
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(m_tag.ParseDCTLine("1,Mix,NULL,BA2C0CBL1BIT3,INPUT,Bool,NULL,5,NULL"));
  EXPECT_EQ(LastReport(), std::string(kHead) + " - it has a non-null AccessPath!\n - it has a non-null IO-Type!\n"
                              " - it has a non-zero DataStackSize!\n" + kNoHardware + kUpdate);
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  // The box shows the fields as read; the tag keeps the corrected ones.
  EXPECT_NE(m_boxes.LastText().find("AccessPath: BA2C0CBL1BIT3\n"), std::string::npos);
  EXPECT_EQ(m_tag.GetAccessPath(), "NULL");
  EXPECT_EQ(m_tag.GetIOType(), eIONull);
  EXPECT_EQ(m_tag.GetSize(), 0);
  EXPECT_FALSE(m_exit.Exited());
}

TEST_F(DCTagLineTest, CancelEndsTheProcessWith321) {
  m_boxes.Expect(IDCANCEL);
  EXPECT_EQ(m_tag.ParseLine("1,Mix,NULL,X1,NULL,Bool,NULL,NULL,NULL"), CDCTag::ELineResult::Cancelled);
  EXPECT_EQ(m_exit.Codes(), std::vector<int>{321});
}

TEST_F(DCTagLineTest, UnknownWordsAreReportedInOrder) {
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(m_tag.ParseDCTLine("1,T,Srl,P1,input,Quad,Maybe,NULL,NULL"));
  EXPECT_EQ(LastReport(), std::string(kHead) + " - Unrecognized HWType: 'Srl' ?\n - Unrecognized IOType: 'input' ?\n"
                              " - Unrecognized DataType: 'Quad' ?\n - Unrecognized DataExpression: 'Maybe' ?\n"
                              " - it has a non-null AccessPath!\n" + kNoHardware + kUpdate);
  EXPECT_EQ(m_tag.GetDataExpression(), "NULL");
}

TEST_F(DCTagLineTest, LowerCaseDirectionOnHardwareTagDrawsBothLines) {
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(m_tag.ParseDCTLine("1,T,SRL,MBRTU16DA1REG1,output,float,NULL,NULL,NULL"));
  EXPECT_EQ(m_tag.GetDataType(), VT_R4);  // data-type words in any case
  EXPECT_EQ(LastReport(), std::string(kHead) + " - Unrecognized IOType: 'output' ?\n - it has a Null IO-Type!\n" + kUpdate);
}

TEST_F(DCTagLineTest, NullDataTypeIsAnError) {
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(m_tag.ParseDCTLine("1,T,OPC,NULL,INPUT,Null,NULL,NULL,NULL"));
  EXPECT_EQ(LastReport(), std::string(kHead) + " - it has a Null DataType!\n" + kUpdate);
}

TEST_F(DCTagLineTest, NullAccessPathAllowedOnlyForOpc) {
  EXPECT_TRUE(m_tag.ParseDCTLine("1,A,OPC,,INPUT,Double,NULL,NULL,NULL"));
  EXPECT_EQ(m_tag.GetAccessPath(), "NULL");
  EXPECT_EQ(m_boxes.Count(), 0u);
  CDCTag serial;
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(serial.ParseDCTLine("1,B,SRL,NULL,DUPLEX,Int,NULL,NULL,NULL"));
  EXPECT_EQ(LastReport(), std::string(kHead) + " - it has a Null AccessPath!\n" + kUpdate);
  EXPECT_EQ(serial.GetAccessPath(), "NULL");
}

TEST_F(DCTagLineTest, NegativeOnlyOnAdvantechBooleans) {
  EXPECT_TRUE(m_tag.ParseDCTLine("1,V,ADV,BA2C0CBL0BIT1,OUTPUT,Bool,Negative,NULL,NULL"));
  EXPECT_EQ(m_tag.GetDataExpression(), "Negative");
  EXPECT_EQ(m_boxes.Count(), 0u);

  CDCTag opc;
  m_boxes.Expect(IDOK);
  opc.ParseDCTLine("1,V,OPC,NULL,OUTPUT,Bool,Negative,NULL,NULL");
  EXPECT_EQ(LastReport(), std::string(kHead) +
                              " - The 'Negative' DataExpression in DCT is NOT supported for 'OPC' items.\n -> Please "
                              "note that DCTagTransform for Attribs may handle your need.\n" + kUpdate);
  EXPECT_EQ(opc.GetDataExpression(), "NULL");

  CDCTag advInt;
  m_boxes.Expect(IDOK);
  advInt.ParseDCTLine("1,V,ADV,BA300CH1,INPUT,Int,Negative,NULL,NULL");
  EXPECT_EQ(LastReport(),
            std::string(kHead) + " - The 'Negative' DataExpression in DCT is NOT supported for 'Int' Tags.\n" + kUpdate);

  CDCTag serialFloat;  // both wrong: the type message replaces the hardware one
  m_boxes.Expect(IDOK);
  serialFloat.ParseDCTLine("1,V,SRL,P9,INPUT,Float,Negative,NULL,NULL");
  EXPECT_EQ(LastReport(),
            std::string(kHead) + " - The 'Negative' DataExpression in DCT is NOT supported for 'Float' Tags.\n" + kUpdate);
  EXPECT_EQ(serialFloat.GetDataExpression(), "NULL");
}

TEST_F(DCTagLineTest, PositivePrecisionDrawsANoteNegativeDoesNot) {
  m_boxes.Expect(IDOK);
  EXPECT_TRUE(m_tag.ParseDCTLine("1,P,OPC,NULL,INPUT,Float,NULL,NULL,2"));
  EXPECT_EQ(LastReport(), std::string(kHead) + " - it has a non-zero PortValuePrecision!\n"
                              " - Note: PortValuePrecision is not implemented in RuvFrame engine!\n" + kUpdate);
  EXPECT_EQ(m_tag.GetPortValuePrecision(), 2.0f);
  CDCTag negative;
  EXPECT_TRUE(negative.ParseDCTLine("1,P,OPC,NULL,INPUT,Float,NULL,NULL,-1"));
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(DCTagLineTest, HistorySizeDropsDots) {
  EXPECT_TRUE(m_tag.ParseDCTLine("1,H,ADV,BA300CH3,INPUT,Float,NULL,1.2,NULL"));
  EXPECT_EQ(m_tag.GetSize(), 12);
}

TEST_F(DCTagLineTest, WrittenLineReadsBack) {
  ASSERT_TRUE(m_tag.ParseDCTLine("1,Flow,OPC,NULL,INPUT,Double,NULL,NULL,NULL"));
  std::string line;
  EXPECT_TRUE(m_tag.FormatDCTLine(line));
  EXPECT_EQ(line, "1,Flow,OPC,NULL,INPUT,Double,NULL,0,0,");

  CDCTag arrayTag;
  ASSERT_TRUE(arrayTag.ParseDCTLine("1,Block,OPC,Dev.Block,DUPLEX,Long Array,NULL,NULL,NULL"));
  ASSERT_TRUE(arrayTag.FormatDCTLine(line));
  EXPECT_EQ(line, "1,Block,OPC,Dev.Block,DUPLEX,Int Array,NULL,0,0,");
  CDCTag again;
  ASSERT_TRUE(again.ParseDCTLine(line));
  EXPECT_EQ(again.GetDataType(), VT_ARRAY | VT_I4);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

}  // namespace
