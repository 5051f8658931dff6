#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/IniFile.h"
#include "platform/base/IniProfile.h"
#include "platform/base/ProgramFolder.h"
#include "support/ScriptedMessageBox.h"
#include "support/TestEnvironment.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override { SetProgramFolderOverride(m_dir.Path()); }
  void TearDown() override {
    SetProgramFolderOverride("");
    ini::ClearCache();
  }
  TempDir m_dir;
  ScriptedMessageBox m_boxes;
};

TEST_F(IniFileTest, MissingFileWarnsOnceAndReadsDefaults) {
  m_boxes.Expect(IDOK);
  CIniFile ini("Qelo-Setting.ini");
  ASSERT_EQ(m_boxes.Count(), 1u);
  EXPECT_EQ(m_boxes.Boxes()[0].text, "Setting file not found!\n" + m_dir.File("Qelo-Setting.ini"));
  EXPECT_EQ(m_boxes.Boxes()[0].style, 0x1010u);
  EXPECT_EQ(ini.GetPath(), m_dir.File("Qelo-Setting.ini"));

  std::int32_t baud = 0;
  EXPECT_FALSE(ini.ReadInt("SerialPortSetting", "BuadRate", baud, 38400));
  EXPECT_EQ(baud, 38400);
  std::string port;
  EXPECT_FALSE(ini.ReadString("SerialPortSetting", "PortNumber", port, "COM1"));
  EXPECT_EQ(port, "COM1");
  float f = 0;
  EXPECT_FALSE(ini.ReadFloat("A", "B", f, 0.1234567f));
  EXPECT_EQ(f, 0.123457f);  // the default went through its "%g" text
  EXPECT_FALSE(ini.SectionExists("SerialPortSetting"));
  EXPECT_EQ(m_boxes.Count(), 1u);  // reads stay silent
}

TEST_F(IniFileTest, PathRule) {
  m_dir.Write("x.ini", "");
  CIniFile bare("x.ini");
  EXPECT_EQ(bare.GetPath(), m_dir.File("x.ini"));
  CIniFile full(m_dir.File("x.ini"));
  EXPECT_EQ(full.GetPath(), m_dir.File("x.ini"));
  CIniFile folder("");  // the program's folder itself exists: no warning
  EXPECT_EQ(folder.GetPath(), m_dir.Path() + "/");
  EXPECT_EQ(m_boxes.Count(), 0u);
  CIniFile empty;
  EXPECT_EQ(empty.GetPath(), "");
}

TEST_F(IniFileTest, HandWrittenCrlfFileWithCommentsQuotesAndMixedCase) {
  m_dir.Write("s.ini",
              "; plant settings\r\n"
              "[SerialPortSetting]\r\n"
              "  PortNumber =  \"COM3\"  \r\n"
              ";BuadRate=1\r\n"
              "buadrate=19200\r\n"
              "Parity='2'\r\n"
              "ByteSize=300\r\n"
              "Name=\"unbalanced\r\n"
              "Empty=\r\n"
              "Neg=-5\r\n"
              "Twelve=12abc\r\n"
              "\r\n"
              "[ Application ]\r\n"
              "RecordProcessInformationInterval=0.5e1\r\n"
              "[NoKeys]\r\n"
              "; only a comment\r\n");
  CIniFile ini("s.ini");
  std::string text;
  EXPECT_TRUE(ini.ReadString("serialportsetting", "PORTNUMBER", text, "COM1"));
  EXPECT_EQ(text, "COM3");
  std::uint32_t baud = 0;
  EXPECT_TRUE(ini.ReadDword("SerialPortSetting", "BuadRate", baud, 38400));
  EXPECT_EQ(baud, 19200u);
  std::uint8_t parity = 9, byteSize = 0;
  EXPECT_TRUE(ini.ReadByte("SerialPortSetting", "Parity", parity, 0));
  EXPECT_EQ(parity, 2);
  EXPECT_TRUE(ini.ReadByte("SerialPortSetting", "ByteSize", byteSize, 8));
  EXPECT_EQ(byteSize, 44);  // low 8 bits of 300
  EXPECT_TRUE(ini.ReadString("SerialPortSetting", "Name", text, ""));
  EXPECT_EQ(text, "\"unbalanced");
  std::int32_t value = 1;
  EXPECT_TRUE(ini.ReadInt("SerialPortSetting", "Neg", value, 0));
  EXPECT_EQ(value, -5);
  EXPECT_TRUE(ini.ReadInt("SerialPortSetting", "Twelve", value, 0));
  EXPECT_EQ(value, 12);
  // Present but empty: the empty text, not the default.
  EXPECT_TRUE(ini.ReadString("SerialPortSetting", "Empty", text, "dflt"));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(ini.ReadInt("SerialPortSetting", "Empty", value, 7));
  EXPECT_EQ(value, 0);
  // Missing key in an existing file: the default, and true.
  EXPECT_TRUE(ini.ReadInt("SerialPortSetting", "StopBits", value, 1));
  EXPECT_EQ(value, 1);
  float interval = 0;
  EXPECT_TRUE(ini.ReadFloat("application", "recordprocessinformationinterval", interval, 60));
  EXPECT_EQ(interval, 5.0f);
  EXPECT_TRUE(ini.SectionExists("SERIALPORTSETTING"));
  EXPECT_FALSE(ini.SectionExists("NoKeys"));
  EXPECT_FALSE(ini.SectionExists("Missing"));
}

TEST_F(IniFileTest, LongValuesAreCutAt254BytesOnACharacterBoundary) {
  m_boxes.Expect(IDOK, "Setting file not found!");
  CIniFile ini(m_dir.File("long.ini"));
  const std::string ascii(300, 'a');
  ASSERT_TRUE(ini.WriteString("S", "Ascii", ascii));
  std::string text;
  EXPECT_TRUE(ini.ReadString("S", "Ascii", text, ""));
  EXPECT_EQ(text, ascii.substr(0, 254));
  // 253 ASCII bytes then a two-byte letter: the letter would straddle the cut.
  const std::string persian = std::string(253, 'b') + "\xDA\xA9\xD9\x8A";
  ASSERT_TRUE(ini.WriteString("S", "Persian", persian));
  EXPECT_TRUE(ini.ReadString("S", "Persian", text, ""));
  EXPECT_EQ(text, std::string(253, 'b'));
}

TEST_F(IniFileTest, TypedWritesUsePrintfTextsAndReadBack) {
  m_dir.Write("t.ini", "");
  CIniFile ini("t.ini");
  ASSERT_TRUE(ini.WriteFloat("Pump", "Flow", 0.1f));
  ASSERT_TRUE(ini.WriteFloat("Pump", "Precise", 0.1234567f));
  ASSERT_TRUE(ini.WriteInt("Pump", "Count", -12));
  ASSERT_TRUE(ini.WriteDword("Pump", "Big", 3000000000u));
  EXPECT_EQ(m_dir.Read("t.ini"), "[Pump]\r\nFlow=0.1\r\nPrecise=0.123457\r\nCount=-12\r\nBig=3000000000\r\n");
  std::uint32_t big = 0;
  EXPECT_TRUE(ini.ReadDword("Pump", "Big", big, 0));
  EXPECT_EQ(big, 3000000000u);
  ASSERT_TRUE(ini.WriteString("Pump", "Neg", "-1"));
  EXPECT_TRUE(ini.ReadDword("Pump", "Neg", big, 0));
  EXPECT_EQ(big, 0xFFFFFFFFu);
  // Two objects on one path see the same file.
  CIniFile other(m_dir.File("t.ini"));
  std::int32_t count = 0;
  EXPECT_TRUE(other.ReadInt("PUMP", "count", count, 0));
  EXPECT_EQ(count, -12);
}

TEST_F(IniFileTest, WritesKeepTheRestOfTheFile) {
  const std::string original =
      "; header comment\r\n"
      "[Valve.V1]\r\n"
      "Speed = 10 ; not a comment\r\n"
      "Other=\"quoted\"\r\n"
      "\r\n"
      "[Vessel.T1]\r\n"
      "Level=3\r\n";
  m_dir.Write("k.ini", original);
  CIniFile ini("k.ini");
  ASSERT_TRUE(ini.WriteInt("valve.v1", "SPEED", 20));
  EXPECT_EQ(m_dir.Read("k.ini"),
            "; header comment\r\n[Valve.V1]\r\nSPEED=20\r\nOther=\"quoted\"\r\n\r\n[Vessel.T1]\r\nLevel=3\r\n");
  ASSERT_TRUE(ini.WriteString("Valve.V1", "New", "x"));
  ASSERT_TRUE(ini.WriteString("Belt.B1", "Run", "1"));
  EXPECT_EQ(m_dir.Read("k.ini"),
            "; header comment\r\n[Valve.V1]\r\nSPEED=20\r\nOther=\"quoted\"\r\nNew=x\r\n\r\n"
            "[Vessel.T1]\r\nLevel=3\r\n[Belt.B1]\r\nRun=1\r\n");
  // A value with a line break cannot smuggle a section into the file.
  ASSERT_TRUE(ini.WriteString("Vessel.T1", "Name", "a\r\n[Evil]\nb=c"));
  std::string text;
  EXPECT_TRUE(ini.ReadString("Vessel.T1", "Name", text, ""));
  EXPECT_EQ(text, "a  [Evil] b=c");
  EXPECT_FALSE(ini.SectionExists("Evil"));
}

TEST_F(IniFileTest, ReadOnlyFileIsRefusedAndUnchanged) {
  m_dir.Write("ro.ini", "[A]\nB=1\n");
  ASSERT_EQ(::chmod(m_dir.File("ro.ini").c_str(), 0444), 0);
  CIniFile ini("ro.ini");
  EXPECT_FALSE(ini.WriteString("A", "B", "2"));
  EXPECT_EQ(m_dir.Read("ro.ini"), "[A]\nB=1\n");
  std::string text;
  EXPECT_TRUE(ini.ReadString("A", "B", text, ""));
  EXPECT_EQ(text, "1");
}

}  // namespace
