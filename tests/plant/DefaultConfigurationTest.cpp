// The committed default configuration is what the generator makes, and the
// plant starts on it in Demo without a single box.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "PlantModelTestSupport.h"
#include "common/Conversions.h"
#include "datacenter/DCTag.h"
#include "datacenter/DataCenterBase.h"
#include "plant/DefaultConfiguration.h"

namespace {

// The committed files sit beside the schema.
std::string DataFile(const std::string& name) {
  std::string folder = RUV_SCHEMA_SQL;
  folder.erase(folder.rfind('/') + 1);
  std::ifstream file(folder + name, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

class DefaultConfigurationTest : public PlantModelFixture {
 protected:
  ~DefaultConfigurationTest() override {
    ReleasePlant();
    SetEngineRoot(nullptr);
  }

  PlantFolder folder{DataFile("Qelo-DCTags.dct")};
  PlantEngine engine;
};

TEST_F(DefaultConfigurationTest, TheCommittedFilesAreTheGeneratorsOutput) {
  const std::string settings = MakeDefaultSettingsText();
  const std::string tags = MakeDefaultTagFileText();
  EXPECT_EQ(DataFile("Qelo-Setting.ini"), settings);
  EXPECT_EQ(DataFile("Qelo-DCTags.dct"), tags);
  EXPECT_EQ(settings.rfind("[Application]\r\nProcessPriority=Normal\r\nRecordProcessInformationInterval=60\r\n", 0), 0u);
  EXPECT_NE(settings.find("[Valve.Batcher05-DisChargeValve]\r\nPosition.Tag=Batcher05-DisChargeValve.Position\r\n"),
            std::string::npos);
  EXPECT_EQ(settings.find("DiOnOff"), std::string::npos);  // feedbacks follow their commands
  EXPECT_NE(tags.find("1,PrcGeneral.Batcher5_DischargeDirBit_1,NULL,NULL,NULL,Bool,NULL,0,0,\r\n"), std::string::npos);
}

TEST_F(DefaultConfigurationTest, ThePlantStartsOnThemInDemoWithoutABox) {
  folder.WriteSettings(DataFile("Qelo-Setting.ini"));
  ASSERT_TRUE(folder.MakeDatabase());
  ASSERT_EQ(SetEngineRoot(&engine), TRUE);
  EXPECT_EQ(engine.GetDataCenter()->GetTagCount(), 371);
  UseSettings(folder.dir.File("Qelo-Setting.ini"));
  std::vector<C_BaseShape*> shapes = GetPlantShapes();
  shapes.push_back(&data);
  CreateWindows(shapes);
  ASSERT_EQ(engine.Init(), TRUE);
  ASSERT_EQ(engine.SetDataSourceType(eDataSourceDemo), TRUE);
  PumpPendingMessages();

  EXPECT_EQ(boxes.Count(), 0u) << boxes.LastText();
  EXPECT_FALSE(exits.Exited());
  // The start values reached the bound tags.
  const CDCTag* level = engine.GetDataCenter()->GetTag("TankerDaily.Level");
  ASSERT_NE(level, nullptr);
  EXPECT_EQ(VariantToFloat(level->GetValue()), VesselAt(18).GetAttribFloat(eVesselLevel));
  EXPECT_GT(VesselAt(18).GetAttribFloat(eVesselLevel), 0.0f);
}

}  // namespace
