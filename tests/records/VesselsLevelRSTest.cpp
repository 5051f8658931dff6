#include <gtest/gtest.h>

#include "PlantTablesSupport.h"
#include "records/VesselsLevelRS.h"

namespace {

class VesselsLevelRSTest : public PlantTablesTest {};

TEST_F(VesselsLevelRSTest, NineLevelColumnsRoundTripInIndexOrder) {
  EXPECT_EQ(CVesselsLevelRS::LevelColumnName(0), "fLevel_01");
  EXPECT_EQ(CVesselsLevelRS::LevelColumnName(8), "fLevel_09");

  CVesselsLevelRS levels;
  EXPECT_EQ(levels.Scratch().m_fLevel[4], 0.0f);  // zero, not "no level"
  EXPECT_EQ(levels.Scratch().m_strActiveRecipeName, "Soap-A");
  ASSERT_TRUE(OpenPlantTable(levels, db, "VesselsLevel", true));
  CVesselsLevelRS::CSTFields& row = levels.Scratch();
  row.SetRecDateTime(Now() + 0.5);
  row.m_strDataSourceType = "Real HW";
  row.m_strActiveOperatorName = "Op";
  row.m_nActiveRecipeID = 12;
  row.m_strActiveRecipeName = "R12";
  for (int i = 0; i < CVesselsLevelRS::kLevelCount; ++i) row.m_fLevel[static_cast<std::size_t>(i)] = 10.5f * (i + 1);
  ASSERT_TRUE(levels.AddNew());
  EXPECT_FALSE(levels.HasActiveRecord());

  CVesselsLevelRS reread;
  ASSERT_TRUE(OpenPlantTable(reread, db, "VesselsLevel", true));
  const CVesselsLevelRS::CSTFields& got = reread.Current();
  EXPECT_EQ(got.m_nRecordID, 1);
  EXPECT_EQ(got.m_dtRecDateTime, Now() + 0.5);
  EXPECT_EQ(got.m_strRecDateTimeShamsi, "1388/11/21 - 03:30:45");
  EXPECT_EQ(got.m_strDataSourceType, "Real HW");
  EXPECT_EQ(got.m_strActiveOperatorName, "Op");
  EXPECT_EQ(got.m_nActiveRecipeID, 12);
  EXPECT_EQ(got.m_strActiveRecipeName, "R12");
  for (int i = 0; i < CVesselsLevelRS::kLevelCount; ++i)
    EXPECT_EQ(got.m_fLevel[static_cast<std::size_t>(i)], 10.5f * (i + 1)) << i;
  RawDatabase raw(db.path);
  EXPECT_EQ(raw.Text("SELECT fLevel_01 || ' ' || fLevel_09 FROM VesselsLevel"), "10.5 94.5");
  EXPECT_FALSE(reread.FindActive());
}

}  // namespace
