// The material ledger on its own: levels set by the test, rows "written" by
// the test, and one checker that every kilogram charged is on exactly one row
// and that each batch's rows hold what entered its mixer.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "plant/MaterialLedger.h"

namespace {

constexpr PlantObjectId kBatcher = 10, kMixer1 = 14, kMixer2 = 15;
constexpr int kLabs = 2, kWaterEx = 3, kWater = 0;

class MaterialLedgerTest : public ::testing::Test {
 protected:
  MaterialLedgerTest()
      : ledger([this](PlantObjectId vessel) { return levels[vessel]; }, [](PlantObjectId) { return 0.0f; },
               [this] { return now; }) {}

  // A pump run from the vessel's level now to `to`.
  CMaterialLedger::EntryId Charge(int material, PlantObjectId weigher, float to, bool automatic, int mixer = -1,
                                  int batch = -1) {
    if (automatic) ledger.ExpectAutomaticStart(material);
    ledger.OpenCharge(material, weigher, mixer, batch);
    const CMaterialLedger::EntryId entry = automatic ? ledger.TakeAutomaticStart(material) : 0;
    levels[weigher] = to;
    ledger.NotePumpStopped(material);
    ledger.SettleStoppedCharges(material);
    return entry;
  }
  // The batcher's level falls to `to`, into `mixer`.
  void Drain(float to, PlantObjectId mixer) {
    levels[mixer] += levels[kBatcher] - to;
    entered[mixer] += levels[kBatcher] - to;
    levels[kBatcher] = to;
  }
  // Writes the rows as the plant form does; row ids are 1, 2, ...
  void WriteRows() {
    for (auto states = ledger.TakeRowsToWrite(); !states.empty(); states = ledger.TakeRowsToWrite())
    for (const CMaterialLedger::RowState& state : states) {
      const int id = state.row == CMaterialLedger::kNoRow ? static_cast<int>(rows.size()) + 1 : state.row;
      if (state.copyOf != 0) {
        EXPECT_TRUE(rows.count(state.copyOf)) << "a remainder's row comes after its own";
      }
      rows[id] = state;
      ledger.RowWritten(state.entry, id);
    }
  }
  // Kilograms on rows credited to (mixer, batch), and on all rows.
  double Credited(int mixer, int batch) const {
    double sum = 0.0;
    for (const auto& [id, row] : rows)
      if (row.completed && row.direction == mixer && row.batch == batch) sum += row.end - row.start;
    return sum;
  }
  double OnRows() const {
    double sum = 0.0;
    for (const auto& [id, row] : rows) sum += row.end - row.start;
    return sum;
  }

  std::map<PlantObjectId, float> levels;
  std::map<PlantObjectId, float> entered;
  DATE now = 1000.0;
  CMaterialLedger ledger;
  std::map<int, CMaterialLedger::RowState> rows;
};

TEST_F(MaterialLedgerTest, AChargeIsSettledOnceAndOnlyTheDosingsChargeIsBooked) {
  const auto automatic = Charge(kLabs, kBatcher, 30.0f, true);
  levels[kBatcher] = 45.0f;  // later movements are no part of it
  EXPECT_DOUBLE_EQ(ledger.Book(automatic), 30.0);
  EXPECT_DOUBLE_EQ(ledger.Book(automatic), 0.0);
  EXPECT_DOUBLE_EQ(ledger.BookedOf(automatic), 30.0);
  Charge(kWaterEx, kBatcher, 50.0f, false);
  const auto hand = ledger.LastEntryOf(kWaterEx);
  EXPECT_DOUBLE_EQ(ledger.Book(hand), 0.0);
  WriteRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_TRUE(rows[1].automatic && rows[1].chargeEnded);
  EXPECT_FLOAT_EQ(rows[1].end - rows[1].start, 30.0f);
  EXPECT_FALSE(rows[2].automatic);
  EXPECT_FLOAT_EQ(rows[2].end - rows[2].start, 5.0f);
  // What the batcher holds beyond the entries is nobody's.
  EXPECT_NEAR(ledger.UnaccountedIn(kBatcher), 15.0, 1e-4);
  EXPECT_NEAR(ledger.HeldExcept(kBatcher, {automatic}), 5.0, 1e-4);
}

TEST_F(MaterialLedgerTest, ADischargeThatStopsOrTurnsPartWaySplitsWhatOneRowCannotSay) {
  Charge(kLabs, kBatcher, 30.0f, true);
  Charge(kWaterEx, kBatcher, 50.0f, true);
  WriteRows();
  ledger.OpenDischarge(kBatcher, 0, 701);
  Drain(40.0f, kMixer1);
  ledger.TurnDischarge(kBatcher, 1, 702);
  Drain(15.0f, kMixer2);
  ledger.CloseDischarge(kBatcher);
  EXPECT_TRUE(ledger.HeldExcept(kBatcher, {}) > 14.99);
  WriteRows();
  EXPECT_NEAR(Credited(0, 701), entered[kMixer1], 1e-4);
  EXPECT_NEAR(Credited(1, 702), entered[kMixer2], 1e-4);
  EXPECT_NEAR(OnRows(), 50.0, 1e-4);
  // The rest leaves with the next discharge, into the first mixer again.
  ledger.OpenDischarge(kBatcher, 0, 701);
  Drain(0.0f, kMixer1);
  ledger.CloseDischarge(kBatcher);
  WriteRows();
  EXPECT_NEAR(Credited(0, 701), entered[kMixer1], 1e-4);
  EXPECT_NEAR(OnRows(), 50.0, 1e-4);
  for (const auto& [id, row] : rows) EXPECT_TRUE(row.completed) << id;
  EXPECT_FALSE(ledger.IsDischarging(kBatcher));
}

TEST_F(MaterialLedgerTest, ThePartADischargeLeftKeepsItsPlaceOldestFirst) {
  levels[kBatcher] = 0.0f;
  Charge(kLabs, kBatcher, 30.0f, false);
  Charge(kWaterEx, kBatcher, 50.0f, false);
  for (const auto& [mixer, batch, to] : {std::tuple{kMixer1, 701, 40.0f}, std::tuple{kMixer2, 702, 15.0f}}) {
    ledger.OpenDischarge(kBatcher, mixer == kMixer1 ? 0 : 1, batch);
    Drain(to, mixer);
    ledger.CloseDischarge(kBatcher);
    WriteRows();
  }
  std::map<int, double> into702;
  for (const auto& [id, row] : rows)
    if (row.completed && row.batch == 702) into702[row.material] += row.end - row.start;
  EXPECT_NEAR(into702[kLabs], 20.0, 1e-4);
  EXPECT_NEAR(into702[kWaterEx], 5.0, 1e-4);
}

TEST_F(MaterialLedgerTest, WaterIsWhatItsMixerGainedLessWhatADischargePutIn) {
  levels[kMixer1] = 100.0f;
  levels[kBatcher] = 0.0f;
  Charge(kLabs, kBatcher, 30.0f, true);
  ledger.ExpectAutomaticStart(kWater);
  ledger.OpenCharge(kWater, kMixer1, 0, 701);
  ledger.TakeAutomaticStart(kWater);
  EXPECT_TRUE(ledger.IsFlowingInto(0));
  ledger.OpenDischarge(kBatcher, 0, 701);
  Drain(0.0f, kMixer1);
  ledger.CloseDischarge(kBatcher);
  levels[kMixer1] += 40.0f;
  ledger.NotePumpStopped(kWater);
  EXPECT_FALSE(ledger.IsFlowingInto(0));
  ledger.SettleStoppedCharges(kWater);
  WriteRows();
  EXPECT_FLOAT_EQ(rows[2].end - rows[2].start, 40.0f);
  EXPECT_EQ(rows[2].direction, 0);
  EXPECT_EQ(rows[2].batch, 701);
}

TEST_F(MaterialLedgerTest, WhatARestartEmptiesLeavesTheBatcherIntoNoMixer) {
  const auto part = Charge(kLabs, kBatcher, 60.0f, true);
  WriteRows();
  now = 2000.0;
  ledger.LevelsRestarting();
  levels[kBatcher] = 0.0f;
  WriteRows();
  EXPECT_TRUE(rows[1].completed);
  EXPECT_EQ(rows[1].direction, -1);
  EXPECT_EQ(rows[1].batch, -1);
  EXPECT_EQ(rows[1].dischargeEnd, 2000.0);
  EXPECT_DOUBLE_EQ(ledger.HeldExcept(kBatcher, {}), 0.0);
  // Booked as it was charged, once.
  EXPECT_DOUBLE_EQ(ledger.Book(part), 60.0);
  // A row an earlier session left open is read in as still in its batcher.
  CMaterialLedger::RowState left;
  left.row = 9;
  left.start = 0.0f;
  left.end = 20.0f;
  ledger.AdoptOpenRow(kLabs, kBatcher, left);
  EXPECT_DOUBLE_EQ(ledger.HeldExcept(kBatcher, {}), 20.0);
}

}  // namespace
