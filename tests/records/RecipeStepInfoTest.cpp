#include <gtest/gtest.h>

#include "records/MaterialNames.h"
#include "records/RecipeStepInfo.h"

namespace {

TEST(MaterialNames, IndexesAndNamesMatchExactly) {
  EXPECT_EQ(GetMaterialNameByIndex(0), "Water");
  EXPECT_EQ(GetMaterialNameByIndex(10), "Delay Step");
  EXPECT_EQ(GetMaterialNameByIndex(-1), "-1");
  EXPECT_EQ(GetMaterialNameByIndex(11), "");
  EXPECT_EQ(GetMaterialNameByIndex(-2), "");
  EXPECT_EQ(GetMaterialIndexByName("Caus. Soda"), 1);
  EXPECT_EQ(GetMaterialIndexByName("Preservative"), 8);
  EXPECT_EQ(GetMaterialIndexByName("-1"), -1);
  EXPECT_EQ(GetMaterialIndexByName("water"), kUnknownMaterial);  // case counts
  EXPECT_EQ(GetMaterialIndexByName(""), kUnknownMaterial);
}

TEST(RecipeStepInfo, FreshStepIsWrittenWithItsDefaults) {
  CRecipeStepInfo step;
  EXPECT_EQ(step.GetStepID(), -1);
  step.SetStepID(1);
  std::string text;
  EXPECT_EQ(step.WriteXml(text), 1);
  EXPECT_EQ(text,
            "<StepInfo nStepID=\"1\" bStpIsActv=\"0\" nPrEndStpNmbr=\"0\" nSmulStrtStpNmbr=\"0\" "
            "bStpHasDisChrg=\"0\" bIsManualDosing=\"0\" eMixerNumber=\"-1\" strMatrialName=\"-1\" fDose=\"0\"/>\r\n");
}

TEST(RecipeStepInfo, EveryFieldRoundTripsAndDosesUseShortestNumbers) {
  CRecipeStepInfo step;
  step.SetStepID(7);
  step.SetStepActive(true);
  step.SetPrEndStpNmbr(3);
  step.SetSmulStrtStpNmbr(5);
  step.m_bStpHasDisChrg = true;
  step.m_bIsManualDosing = true;
  step.m_eMixerNumber = 2;
  step.SetMaterialIndex(2);  // "L.A.B.S"
  step.SetDose(12.5f);
  std::string text;
  step.WriteXml(text);
  EXPECT_NE(text.find("strMatrialName=\"L.A.B.S\" fDose=\"12.5\""), std::string::npos);

  CRecipeStepInfo back;
  back.SetStepID(1);
  EXPECT_EQ(back.ReadXml(text), 1);
  EXPECT_EQ(back.GetStepID(), 7);
  EXPECT_TRUE(back.IsStepActive());
  EXPECT_EQ(back.GetPrEndStpNmbr(), 3);
  EXPECT_EQ(back.GetSmulStrtStpNmbr(), 5);
  EXPECT_TRUE(back.m_bStpHasDisChrg);
  EXPECT_TRUE(back.m_bIsManualDosing);
  EXPECT_EQ(back.GetMixerNumber(), 2);
  EXPECT_EQ(back.GetMaterialIndex(), 2);
  EXPECT_EQ(back.GetDose(), 12.5f);

  step.SetDose(0.001f);
  step.WriteXml(text);
  EXPECT_NE(text.find("fDose=\"0.001\""), std::string::npos);
  // A material index no material has is written empty and comes back as unknown.
  step.SetMaterialIndex(15);
  step.WriteXml(text);
  EXPECT_NE(text.find("strMatrialName=\"\""), std::string::npos);
  back.ReadXml(text);
  EXPECT_EQ(back.GetMaterialIndex(), kUnknownMaterial);
}

TEST(RecipeStepInfo, ReadingResetsFirstAndToleratesMissingParts) {
  CRecipeStepInfo step;
  step.SetStepID(4);
  step.SetStepActive(true);
  step.SetDose(3.0f);
  EXPECT_EQ(step.ReadXml(""), 1);
  EXPECT_FALSE(step.IsStepActive());
  EXPECT_EQ(step.GetStepID(), 4);  // the number stays with an empty text

  step.SetStepActive(true);
  EXPECT_EQ(step.ReadXml("<Other nStepID=\"9\"/>"), 1);
  EXPECT_FALSE(step.IsStepActive());
  EXPECT_EQ(step.GetStepID(), 4);

  // Integers lose their "." (12.5 reads as 125); absent attributes read as "".
  step.ReadXml("<StepInfo nStepID=\"12.5\" bStpIsActv=\"1\" strMatrialName=\"Essence\"/>");
  EXPECT_EQ(step.GetStepID(), 125);
  EXPECT_TRUE(step.IsStepActive());
  EXPECT_EQ(step.GetMixerNumber(), 0);
  EXPECT_EQ(step.GetMaterialIndex(), 7);
  EXPECT_EQ(step.GetDose(), 0.0f);
}

TEST(RecipeStepInfo, CopyKeepsTheNumberAndTheOwner) {
  CRecipeStepInfo three, seven;
  three.SetStepID(3);
  seven.SetStepID(7);
  three.SetStepActive(true);
  three.m_eMixerNumber = 1;
  three.SetMaterialIndex(0);
  three.SetDose(40.0f);
  seven.CopyFrom(three);
  EXPECT_EQ(seven.GetStepID(), 7);
  EXPECT_TRUE(seven.IsStepActive());
  EXPECT_EQ(seven.GetMixerNumber(), 1);
  EXPECT_EQ(seven.GetDose(), 40.0f);
  CRecipeStepInfo copy(three);
  EXPECT_EQ(copy.GetStepID(), -1);
  EXPECT_EQ(copy.GetOwner(), nullptr);
  EXPECT_EQ(copy.GetMaterialIndex(), 0);
}

}  // namespace
