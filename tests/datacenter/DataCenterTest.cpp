#include <gtest/gtest.h>

#include <filesystem>

#include "datacenter/DataCenterBase.h"
#include "datacenter/DataCenterTestSupport.h"
#include "platform/base/InputState.h"
#include "platform/base/ProgramFolder.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class DataCenterTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramFolderOverride(m_folder.Path()); }
  void TearDown() override {
    SetProgramFolderOverride("");
    SetClipboard(nullptr);
  }
  int Load(const std::string& content) {
    m_folder.Write(DCTAG_FILE_NAME, content);
    return m_center.LoadTagFile(DCTAG_FILE_NAME);
  }
  std::string TagFilePath() const { return m_folder.File(DCTAG_FILE_NAME); }

  FakeEngine m_engine;
  ScriptedMessageBox m_boxes;
  RecordingExitHook m_exit;
  ScopedKeyState m_keys;
  MemoryClipboard m_clipboard;
  TempDir m_folder;
  CDataCenterBase m_center;
};

TEST_F(DataCenterTest, LoadsTagsInFileOrderWithLineNumbersAndCounts) {
  EXPECT_EQ(Load("\n// pumps\n1,P1.Speed,SRL,MBRTU16DA1REG1,DUPLEX,Float,NULL,NULL,NULL\r\n"
                 "  - valves\n1,V1,ADV,BA2C0CBL0BIT1,OUTPUT,Bool,Negative,NULL,NULL\n"
                 "\t1,Flow,OPC,NULL,INPUT,Double,NULL,NULL,NULL  \n1,Count,NULL,NULL,NULL,Int,NULL,NULL,NULL"),
            eDCSuccess);
  ASSERT_EQ(m_center.GetTagCount(), 4);
  EXPECT_EQ(m_center.GetTagAt(0)->GetTagName(), "P1.Speed");
  EXPECT_EQ(m_center.GetTagAt(0)->GetLineNumber(), 3);
  EXPECT_EQ(m_center.GetTagAt(1)->GetLineNumber(), 5);
  EXPECT_EQ(m_center.GetTagAt(3)->GetTagID(), 3);
  EXPECT_EQ(m_center.GetHwTypeCount(eHWNull), 1);
  EXPECT_TRUE(m_center.HasOpcTags());
  EXPECT_TRUE(m_center.HasAdvTags());
  EXPECT_TRUE(m_center.HasSerialTags());
  EXPECT_EQ(m_center.GetHwTypeCount(7), 0);
  EXPECT_EQ(m_center.GetTagAt(4), nullptr);
  EXPECT_EQ(m_center.GetTagAt(-1), nullptr);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(DataCenterTest, MissingFileGivesFiveWithItsBox) {
  m_boxes.Expect(IDOK);
  EXPECT_EQ(m_center.LoadTagFile(DCTAG_FILE_NAME), eDCFileNotFound);
  EXPECT_EQ(m_boxes.LastText(), "Error at loading DataCenter Tag file!\n- File not found!\n\n " + TagFilePath());
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_OK | MB_ICONSTOP | MB_SYSTEMMODAL);
}

TEST_F(DataCenterTest, UnreadableFileGivesTwo) {
  std::filesystem::create_directory(TagFilePath());
  m_boxes.Expect(IDOK, "- Access Denied!\n\n ");
  EXPECT_EQ(m_center.LoadTagFile(DCTAG_FILE_NAME), eDCAccessDenied);
}

TEST_F(DataCenterTest, FileWithoutTagsGivesSix) {
  m_boxes.Expect(IDOK, "Error at loading DataCenter Tag file!\n- Invalid File Version!\n\n ");
  EXPECT_EQ(Load("\n   \n-- nothing\n/ here\n"), eDCInvalidFileVersion);
  EXPECT_EQ(m_center.GetTagCount(), 0);
}

TEST_F(DataCenterTest, ShortLineStopsLoadingAndKeepsEarlierTags) {
  m_boxes.Expect(IDOK, "- Invalid File Version!");
  EXPECT_EQ(Load("1,A,NULL,NULL,NULL,Int,NULL,NULL,NULL\n1,B,NULL\n1,C,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"),
            eDCInvalidFileVersion);
  ASSERT_EQ(m_center.GetTagCount(), 1);
  EXPECT_EQ(m_center.GetTagAt(0)->GetTagName(), "A");
}

TEST_F(DataCenterTest, LoadingAgainStartsFromEmpty) {
  ASSERT_EQ(Load("1,A,OPC,NULL,INPUT,Int,NULL,NULL,NULL\n"), eDCSuccess);
  ASSERT_EQ(Load("1,B,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"), eDCSuccess);
  EXPECT_EQ(m_center.GetTagCount(), 1);
  EXPECT_EQ(m_center.FindTag("A"), nullptr);
  EXPECT_FALSE(m_center.HasOpcTags());
}

TEST_F(DataCenterTest, DuplicateNameIsDroppedAndLoadingGoesOn) {
  m_boxes.Expect(IDOK);
  EXPECT_EQ(Load("1,A,NULL,NULL,NULL,Int,NULL,NULL,NULL\n\n1,A,NULL,NULL,NULL,Float,NULL,NULL,NULL\n"
                 "1,B,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"),
            eDCSuccess);
  EXPECT_EQ(m_boxes.LastText(), "Found duplicated Tag Name!\nCheck this lines: 1 , 3 ");
  ASSERT_EQ(m_center.GetTagCount(), 2);
  EXPECT_EQ(m_center.FindTag("A")->GetDataType(), VT_I4);
  EXPECT_EQ(m_center.GetTagAt(1)->GetTagID(), 2);  // the dropped line used id 1
}

TEST_F(DataCenterTest, DuplicateAddressesAreRefusedExceptOpcAndNull) {
  m_boxes.SetDefaultAnswer(IDOK);
  EXPECT_EQ(Load("1,A1,ADV,BA300CH1,INPUT,Float,NULL,NULL,NULL\n"
                 "1,A2,ADV,BA300CH1,INPUT,Float,NULL,NULL,NULL\n"
                 "1,O1,OPC,Dev.X,INPUT,Float,NULL,NULL,NULL\n"
                 "1,O2,OPC,Dev.X,INPUT,Float,NULL,NULL,NULL\n"
                 "1,O3,OPC,NULL,INPUT,Float,NULL,NULL,NULL\n"
                 "1,O4,OPC,NULL,INPUT,Float,NULL,NULL,NULL\n"
                 "1,S1,SRL,BA300CH1,INPUT,Float,NULL,NULL,NULL\n"
                 "1,S2,SRL,Dev.X,INPUT,Float,NULL,NULL,NULL\n"),
            eDCSuccess);
  auto boxes = m_boxes.Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "Found duplicated Data (HW) Address!\nCheck this lines: 1 , 2 ");
  EXPECT_EQ(boxes[1].text, "Found duplicated Data (HW) Address!\nCheck this lines: 1 , 7 ");
  // S2 shares the path of an OPC tag: that is a duplicate too.
  EXPECT_EQ(boxes[2].text, "Found duplicated Data (HW) Address!\nCheck this lines: 3 , 8 ");
  EXPECT_EQ(m_center.GetTagCount(), 5);
  EXPECT_EQ(m_center.FindTag("S2"), nullptr);
}

TEST_F(DataCenterTest, NamesAreCaseSensitiveAndTheNoTagNameIsNeverFound) {
  EXPECT_EQ(Load("1,Level,NULL,NULL,NULL,Int,NULL,NULL,NULL\n1,LEVEL,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"
                 "1,_NO_DCTAG_,NULL,NULL,NULL,Int,NULL,NULL,NULL\n1,_NO_DCTAG_,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"),
            eDCSuccess);
  EXPECT_EQ(m_center.GetTagCount(), 4);
  EXPECT_EQ(m_center.FindTag("Level"), m_center.GetTagAt(0));
  EXPECT_EQ(m_center.FindTag("LEVEL"), m_center.GetTagAt(1));
  EXPECT_EQ(m_center.FindTag("level"), nullptr);
  EXPECT_EQ(m_center.FindTag("_NO_DCTAG_"), nullptr);
  EXPECT_EQ(m_center.GetTag("_NO_DCTAG_"), nullptr);
  EXPECT_EQ(m_boxes.Count(), 0u);
}

TEST_F(DataCenterTest, BadFieldPromptCancelStopsLoadingWith321) {
  m_boxes.Expect(IDCANCEL, "Invalid Tag format");
  Load("1,A,NULL,X,NULL,Int,NULL,NULL,NULL\n1,B,NULL,Y,NULL,Int,NULL,NULL,NULL\n");
  EXPECT_EQ(m_exit.Codes(), std::vector<int>{321});
  EXPECT_EQ(m_boxes.Count(), 1u);  // nothing more is read or reported
}

TEST_F(DataCenterTest, MissingTagPromptPutsTheNameOnTheClipboard) {
  SetClipboard(&m_clipboard);
  ASSERT_EQ(Load("1,A,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"), eDCSuccess);
  EXPECT_EQ(m_center.GetTag("A"), m_center.GetTagAt(0));
  m_boxes.Expect(IDOK);
  EXPECT_EQ(m_center.GetTag("Tank9.Level"), nullptr);
  EXPECT_EQ(m_boxes.LastText(),
            "The following Tag did not found in DataCenter:\n - Tank9.Level\n\nTips:\n - The DataCenter TagName is "
            "copied to clipboard.\n - Press and hold Shift key to ignore subsequent call of this error message "
            "types.\n - Press Cancel button to terminate program.");
  EXPECT_EQ(m_boxes.Boxes().at(0).style, MB_OKCANCEL | MB_ICONSTOP | MB_SYSTEMMODAL);
  EXPECT_EQ(m_clipboard.Text(), "Tank9.Level");
  EXPECT_FALSE(m_exit.Exited());

  m_boxes.Expect(IDCANCEL);
  m_center.GetTag("Other");
  EXPECT_EQ(m_exit.Codes(), std::vector<int>{321});

  m_keys.Press(VK_SHIFT);
  EXPECT_EQ(m_center.GetTag("Silent"), nullptr);
  EXPECT_EQ(m_boxes.Count(), 2u);
  EXPECT_EQ(m_clipboard.Text(), "Other");
}

TEST_F(DataCenterTest, PendingMarksFollowEachTagsRules) {
  ASSERT_EQ(Load("1,In,SRL,P1,INPUT,Int,NULL,NULL,NULL\n1,Out,SRL,P2,OUTPUT,Int,NULL,NULL,NULL\n"
                 "1,Mem,NULL,NULL,NULL,Int,NULL,NULL,NULL\n"),
            eDCSuccess);
  m_engine.SetDataSource(eDataSourceRealHW);
  m_center.SetAllReadPending(TRUE);
  m_center.SetAllWritePending(TRUE);
  EXPECT_TRUE(m_center.FindTag("In")->IsReadPending());
  EXPECT_FALSE(m_center.FindTag("In")->IsWritePending());
  EXPECT_TRUE(m_center.FindTag("Out")->IsWritePending());
  EXPECT_FALSE(m_center.FindTag("Mem")->IsReadPending());
  m_center.SetAllReadPending(FALSE);
  EXPECT_FALSE(m_center.FindTag("In")->IsReadPending());
}

TEST(DataCenterCodesTest, EveryCodeHasItsText) {
  const char* texts[] = {"Operation succeeds.", "Unknown Error!", "Access Denied!", "Invalid Parameter!",
                         "Parameter is out of range!!", "File not found!", "Invalid File Version!",
                         "Found duplicated item!"};
  for (int code = 0; code < 8; ++code) EXPECT_EQ(GetErrorCodeText(code), texts[code]);
  EXPECT_EQ(GetErrorCodeText(8), "Unknown Error!");
  EXPECT_EQ(GetErrorCodeText(-1), "Unknown Error!");
}

TEST(EngineServicesTest, StandInAnswersUntilAnEngineRegisters) {
  EXPECT_FALSE(GetEngine()->IsRealHardware());
  EXPECT_EQ(GetDataCenter(), nullptr);
  {
    FakeEngine engine;
    CDataCenterBase center;
    engine.SetDataCenter(&center);
    engine.SetDataSource(eDataSourceRealHW);
    EXPECT_EQ(GetEngine(), &engine);
    EXPECT_TRUE(GetEngine()->IsRealHardware());
    EXPECT_EQ(GetDataCenter(), &center);
  }
  EXPECT_NE(GetEngine(), nullptr);
  EXPECT_EQ(GetEngine()->GetDataSourceType(), eDataSourceNone);
}

}  // namespace
