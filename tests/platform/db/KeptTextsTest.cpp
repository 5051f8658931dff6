#include "platform/db/KeptTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/KeptQueue.h"

namespace {

std::string Repeated(const std::string& character, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += character;
  return text;
}

// A long value is cut in the journal's description of its record: a Persian
// name (two bytes a letter) is cut after its 200th letter, never inside one,
// and counted in letters.
TEST(KeptTextsTest, ALongValueIsCutAndCountedByItsCharactersNotItsBytes) {
  ruv::db::KeptQueue queue;
  const ruv::db::KeptTexts::TableColumns tableColumns{{"Batch", {"nRecordID", "strMixerName"}}};
  const std::vector<ruv::db::PendingWrite> setAside;
  const ruv::db::KeptTexts texts(queue, tableColumns, setAside);
  ruv::db::PendingWrite write;
  write.kind = ruv::db::PendingWrite::Kind::Update;
  write.table = "Batch";
  write.rowId = 3;
  const std::string beh = "\xD8\xA8";  // U+0628
  write.columns.Add(1, Variant::String(Repeated(beh, 250)));
  EXPECT_EQ(texts.DescribeOne(write, 200),
            "Row 3 of Batch: strMixerName = '" + Repeated(beh, 200) + "'... (250 characters)");
}

}  // namespace
