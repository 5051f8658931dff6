#include <gtest/gtest.h>

#include <cinttypes>

#include "datacenter/DCTag.h"
#include "datacenter/DataCenterTestSupport.h"
#include "platform/base/Text.h"
#include "support/ScriptedMessageBox.h"

namespace {

class DCTagTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_tag.AddListener(m_window.Handle());
  }
  std::vector<LPARAM> PostedCodes() {
    DeliverPosted();
    std::vector<LPARAM> codes = m_window.Codes();
    m_window.Forget();
    return codes;
  }
  void MakeHardwareTag(int hwType, int ioType) {
    m_tag.SetHWType(hwType);
    m_tag.SetIOType(ioType);
    PostedCodes();
  }

  FakeEngine m_engine;
  ScriptedMessageBox m_boxes;
  RecordingWindow m_window;
  CDCTag m_tag;
};

TEST_F(DCTagTest, FirstValueFixesNullTypeThenEqualValuesPostNothing) {
  m_tag.SetValue(Variant::I4(7));
  EXPECT_EQ(m_tag.GetDataType(), VT_I4);
  EXPECT_EQ(PostedCodes(), (std::vector<LPARAM>{eTagChangeDataType, eTagChangeValue}));
  m_tag.SetValue(Variant::I4(7));
  EXPECT_TRUE(PostedCodes().empty());
  m_tag.SetValue(Variant::R4(7.5f));  // another type: refused silently
  EXPECT_EQ(m_tag.GetValue(), Variant::I4(7));
  EXPECT_TRUE(PostedCodes().empty());
  m_tag.SetValue(Variant::I4(8));
  EXPECT_EQ(m_tag.GetValue(), Variant::I4(8));
  EXPECT_EQ(PostedCodes(), std::vector<LPARAM>{eTagChangeValue});
}

TEST_F(DCTagTest, MessageCarriesTheWholeTagAddress) {
  m_tag.SetTagID(3);
  DeliverPosted();
  auto received = m_window.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].message, DCTAG_NOTIFY_MESSAGE);
  EXPECT_EQ(received[0].wParam, reinterpret_cast<WPARAM>(&m_tag));
  EXPECT_EQ(received[0].lParam, eTagChangeTagID);
  const std::string pointer = ruv::Format("Pointer: %#" PRIxPTR "\n", reinterpret_cast<std::uintptr_t>(&m_tag));
  EXPECT_NE(m_tag.GetInfoText().find(pointer), std::string::npos);
}

TEST_F(DCTagTest, TypedTagConvertsItsEmptyVariantsAndRefusesOtherTypes) {
  m_tag.SetDataType(VT_R4);
  EXPECT_EQ(m_tag.GetValue(), Variant::R4(0.0f));
  EXPECT_EQ(m_tag.GetMinValue(), Variant::R4(0.0f));
  EXPECT_EQ(m_tag.GetSecondValue(), Variant::R4(0.0f));
  EXPECT_EQ(PostedCodes(), std::vector<LPARAM>{eTagChangeDataType});
  m_tag.SetValue(Variant::I4(1));
  EXPECT_EQ(m_tag.GetValue(), Variant::R4(0.0f));
  m_tag.SetValue(Variant::R4(0.0f));  // equal to the zero it already holds
  EXPECT_TRUE(PostedCodes().empty());
  m_tag.SetValue(Variant::R4(2.5f));
  m_tag.SetDataType(VT_I4);  // the value holds something: left as it is
  EXPECT_EQ(m_tag.GetValue(), Variant::R4(2.5f));
}

TEST_F(DCTagTest, DatesCompareByTheirNumberAlone) {
  m_tag.SetValue(Variant::Date(45000.25));
  PostedCodes();
  Variant sameNumber = Variant::R8(45000.25);
  m_tag.SetValue(sameNumber);
  EXPECT_TRUE(PostedCodes().empty());
  m_tag.SetValue(Variant::Date(45001.0));
  EXPECT_EQ(PostedCodes(), std::vector<LPARAM>{eTagChangeValue});
}

TEST_F(DCTagTest, LimitsAndSecondValueTakeAnyTypeAndPostTheirCodes) {
  m_tag.SetDataType(VT_I4);
  PostedCodes();
  m_tag.SetMinValue(Variant::R4(1.5f));
  m_tag.SetMaxValue(Variant::R4(9.5f));
  m_tag.SetSecondValue(Variant::String("x"));
  m_tag.SetMaxValue(Variant::R4(9.5f));
  m_tag.SetMinValue(Variant::Null());
  m_tag.SetMinValue(Variant::Null());
  EXPECT_EQ(PostedCodes(), (std::vector<LPARAM>{eTagChangeMinValue, eTagChangeMaxValue, eTagChangeSecondValue,
                                                eTagChangeMinValue}));
}

TEST_F(DCTagTest, PlainSettersPostOnlyChanges) {
  m_tag.SetTagName("Level");
  m_tag.SetTagName("Level");
  m_tag.SetTagName("level");
  m_tag.SetAccessPath("");
  m_tag.SetAccessPath("BA300CH1");
  m_tag.SetPortValuePrecision(0.0f);
  m_tag.SetPortValuePrecision(2.0f);
  m_tag.SetLinkerInfo("info");
  m_tag.SetNotifyMessage(5374);
  m_tag.SetLineNumber(4);
  EXPECT_EQ(PostedCodes(), (std::vector<LPARAM>{eTagChangeTagName, eTagChangeTagName, eTagChangeAccessPath,
                                                eTagChangePortValuePrecision, eTagChangeLinkerInfo}));
  m_tag.SetAccessPath("");
  EXPECT_EQ(m_tag.GetAccessPath(), "NULL");
}

TEST_F(DCTagTest, WritePendingOnlyForWritableHardwareTagsInRealMode) {
  m_engine.SetDataSource(eDataSourceRealHW);
  MakeHardwareTag(eHWSerial, eIOInput);
  m_tag.SetWritePending(TRUE);
  EXPECT_FALSE(m_tag.IsWritePending());
  MakeHardwareTag(eHWNull, eIODuplex);
  m_tag.SetWritePending(TRUE);
  EXPECT_FALSE(m_tag.IsWritePending());
  MakeHardwareTag(eHWSerial, eIOOutput);
  m_engine.SetDataSource(eDataSourceDemo);
  m_tag.SetWritePending(TRUE);
  EXPECT_FALSE(m_tag.IsWritePending());
  EXPECT_TRUE(PostedCodes().empty());

  m_engine.SetDataSource(eDataSourceRealHW);
  m_tag.SetWritePending(TRUE);
  m_tag.SetWritePending(TRUE);
  EXPECT_TRUE(m_tag.IsWritePending());
  m_tag.SetWritePending(FALSE);
  EXPECT_EQ(PostedCodes(), (std::vector<LPARAM>{eTagChangeWritePending, eTagChangeWritePending}));
}

TEST_F(DCTagTest, SetValueDoesNotMarkWritePending) {
  m_engine.SetDataSource(eDataSourceRealHW);
  MakeHardwareTag(eHWAdv, eIODuplex);
  m_tag.SetValue(Variant::Bool(true));
  EXPECT_FALSE(m_tag.IsWritePending());
}

TEST_F(DCTagTest, ReadPendingOnlyForReadableHardwareTags) {
  MakeHardwareTag(eHWOpc, eIOOutput);
  m_tag.SetReadPending(TRUE);
  EXPECT_FALSE(m_tag.IsReadPending());
  MakeHardwareTag(eHWNull, eIOInput);
  m_tag.SetReadPending(TRUE);
  EXPECT_FALSE(m_tag.IsReadPending());
  MakeHardwareTag(eHWOpc, eIOInput);
  m_tag.SetReadPending(TRUE);  // whatever the data source
  EXPECT_TRUE(m_tag.IsReadPending());
  EXPECT_EQ(PostedCodes(), std::vector<LPARAM>{eTagChangeReadPending});
}

TEST_F(DCTagTest, DestroyedListenerIsDroppedOthersStillGetOnePostEach) {
  RecordingWindow second, third;
  m_tag.AddListener(second.Handle());
  m_tag.AddListener(third.Handle());
  m_tag.AddListener(third.Handle());  // listed once
  EXPECT_EQ(m_tag.GetListenerCount(), 3u);
  second.Destroy();
  m_tag.SetTagID(1);
  DeliverPosted();
  EXPECT_EQ(m_window.Codes(), std::vector<LPARAM>{eTagChangeTagID});
  EXPECT_EQ(third.Codes(), std::vector<LPARAM>{eTagChangeTagID});
  EXPECT_TRUE(second.Codes().empty());
  EXPECT_FALSE(m_tag.HasListener(second.Handle()));
  EXPECT_EQ(m_tag.GetListenerCount(), 2u);
}

TEST_F(DCTagTest, DeadOrNullWindowsAreNotAdded) {
  RecordingWindow gone;
  gone.Destroy();
  m_tag.AddListener(gone.Handle());
  m_tag.AddListener(nullptr);
  m_tag.RemoveListener(nullptr);
  EXPECT_EQ(m_tag.GetListenerCount(), 1u);
  m_tag.RemoveListener(m_window.Handle());
  EXPECT_FALSE(m_tag.HasListener(m_window.Handle()));
}

TEST_F(DCTagTest, ReplayPostsEveryCodeInOrder) {
  RecordingWindow fresh;
  m_tag.ReplayToListener(fresh.Handle());
  DeliverPosted();
  std::vector<LPARAM> expected;
  for (LPARAM code = 0; code <= 15; ++code) expected.push_back(code);
  EXPECT_EQ(fresh.Codes(), expected);
}

TEST_F(DCTagTest, InfoTextListsFieldsAndRuntimeState) {
  m_tag.SetTagName("Pump1.Speed");
  m_tag.SetHWType(eHWSerial);
  m_tag.SetAccessPath("MBRTU16DA1REG2");
  m_tag.SetIOType(eIODuplex);
  m_tag.SetDataType(VT_R4);
  m_tag.SetLineNumber(12);
  m_tag.SetValue(Variant::R4(1.5f));
  const std::string plain = m_tag.GetInfoText();
  EXPECT_EQ(plain.find("\n--- DataCenter Tag ----\n--- DCT-File Info ----\nLineNumberInDCTFile: 12\nTagID: "
                       "4294967295\nTagName: Pump1.Speed\neHWType: SRL\nAccessPath: MBRTU16DA1REG2\neIOType: "
                       "DUPLEX\neDataType (ChangeAble): Float\nDataExpression: NULL\nDataStackSize: 0\n"
                       "PortValuePrecision: 0\n\n--- Runtime Info ----\nTagData: 1.5\nMinTag: 0,  MaxTag: 0\n"
                       "WritePending: 0\nReadPending: 0\nPointer: "),
            0u);
  CDCTag bare;
  const std::string empty = bare.GetInfoText();
  EXPECT_NE(empty.find("TagData: NULL\nWritePending: 0\n"), std::string::npos);  // no limits line
}

TEST_F(DCTagTest, LinkerErrorIsShownOnceThenForgotten) {
  m_boxes.Expect(IDOK, "Hardware Linker Engine Error: no answer\n\n--- DataCenter Tag ----");
  m_tag.SetLinkerError("no answer");
  EXPECT_EQ(m_tag.GetLinkerError(), "");
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
  m_boxes.Expect(IDOK, "no answer");
  m_tag.SetLinkerError("no answer");  // reported again
  m_tag.SetLinkerError("");
  EXPECT_EQ(m_boxes.Count(), 2u);
  EXPECT_TRUE(PostedCodes().empty());
}

TEST_F(DCTagTest, ReportInvalidFormatDisablesAndShowsTheFields) {
  m_tag.SetTagName("Valve3");
  m_tag.SetLineNumber(9);
  m_tag.SetIOType(eIOOutput);
  m_tag.SetDataType(VT_BOOL);
  m_boxes.Expect(IDOK);
  m_tag.ReportInvalidFormat("bad path");
  EXPECT_FALSE(m_tag.IsEnabled());
  EXPECT_EQ(m_boxes.LastText(),
            "Invalid Tag format in DataCenter file:\n\n- Line Number: 9\n- TagName: Valve3\n- AccessPath: NULL\n- "
            "IOType: OUTPUT\n- DataType: Bool\n\nErrorMsg: bad path");
  CDCTag quiet;
  quiet.ReportInvalidFormat("");
  EXPECT_FALSE(quiet.IsEnabled());
  EXPECT_EQ(m_boxes.Count(), 1u);
}

TEST_F(DCTagTest, PushAveragesAdvantechHistories) {
  m_tag.SetHWType(eHWAdv);
  m_tag.SetSize(2);
  EXPECT_TRUE(m_tag.Push(Variant::R4(4.0f)));
  EXPECT_TRUE(m_tag.Push(Variant::R4(6.0f)));
  EXPECT_EQ(m_tag.GetValue(), Variant::R4(5.0f));
}

TEST_F(DCTagTest, PushSwitchesOffHistoriesThatCannotBeKept) {
  m_tag.SetHWType(eHWOpc);
  m_tag.SetSize(4);
  m_boxes.Expect(IDOK, "DataStack is not available for the following DCTag!\nBecause its HWTaype is not supported "
                       "by DCTag.\nPlease update DCT file.\n\n\n--- DataCenter Tag ----");
  EXPECT_FALSE(m_tag.Push(Variant::I4(3)));
  EXPECT_EQ(m_tag.GetSize(), 0);
  EXPECT_EQ(m_tag.GetValue(), Variant::I4(3));  // the pushed value itself

  CDCTag adv;
  adv.SetHWType(eHWAdv);
  adv.SetSize(4);
  m_boxes.Expect(IDOK, "Because its DataType is not supported by CRStack.\n");
  EXPECT_FALSE(adv.Push(Variant::R8(2.0)));
  EXPECT_EQ(adv.GetSize(), 0);
  EXPECT_EQ(adv.GetValue(), Variant::R8(2.0));
}

TEST(DCTagTypesTest, WordsAndTexts) {
  std::string error;
  EXPECT_EQ(TextToHWType("ADV", error), eHWAdv);
  EXPECT_EQ(error, "");
  EXPECT_EQ(TextToHWType("adv", error), eHWNull);
  EXPECT_EQ(error, " - Unrecognized HWType: 'adv' ?");
  EXPECT_EQ(TextToIOType("input", error), eIONull);
  EXPECT_EQ(error, " - Unrecognized IOType: 'input' ?");
  EXPECT_EQ(TextToVarType("dOuBlE aRrAy", error), VT_ARRAY | VT_R8);
  EXPECT_EQ(TextToVarType("Long", error), VT_I4);
  EXPECT_EQ(TextToVarType("Quad", error), VT_EMPTY);
  EXPECT_EQ(error, " - Unrecognized DataType: 'Quad' ?");
  EXPECT_EQ(HWTypeToText(4), "");
  EXPECT_EQ(IOTypeToText(-1), "NULL");
  EXPECT_EQ(VarTypeToText(VT_NULL), "Null");
  EXPECT_EQ(VarTypeToText(VT_I8), "NULL");
  EXPECT_EQ(VarTypeToText(VT_ARRAY | VT_UI2), "Word Array");
  // Every type the writer names reads back to itself.
  for (VARTYPE type : {VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR, VT_BOOL, VT_I1, VT_UI1, VT_UI2,
                       VT_UI4}) {
    for (VARTYPE array : {VARTYPE(0), VARTYPE(VT_ARRAY)}) {
      if (type == VT_EMPTY && array) continue;
      const VARTYPE written = static_cast<VARTYPE>(type | array);
      EXPECT_EQ(TextToVarType(VarTypeToText(written), error), written) << VarTypeToText(written);
      EXPECT_EQ(error, "");
    }
  }
}

}  // namespace
