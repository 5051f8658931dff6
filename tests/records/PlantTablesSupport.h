#pragma once
// The plant's database made from the real schema, an engine root and an
// operator interface as the tables see them (both scripted), and a fixed "now".
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <string>

#include "RecordsTestSupport.h"
#include "platform/base/AtomicFile.h"
#include "records/OperatorServices.h"
#include "records/TableEngineServices.h"
#include "support/FakeClock.h"

// 9 February 2010, 15:30:45: Shamsi 1388/11/20.
inline DateTimeFields TestNowFields() {
  DateTimeFields now;
  now.year = 2010;
  now.month = 2;
  now.day = 9;
  now.hour = 15;
  now.minute = 30;
  now.second = 45;
  return now;
}
inline const char* kTestNowShamsi = "1388/11/20 - 15:30:45";

class FakeTableEngine final : public ITableEngineServices {
 public:
  FakeTableEngine() { SetTableEngine(this); }
  ~FakeTableEngine() override { SetTableEngine(nullptr); }
  std::string GetDataSourceText() const override { return Get(dataSource); }
  std::string GetActiveOperatorName() const override { return Get(operatorName); }
  int GetActiveRecipeID() const override {
    std::lock_guard<std::mutex> lock(m_mutex);
    return recipeID;
  }
  std::string GetActiveRecipeName() const override { return Get(recipeName); }

  std::string dataSource = "Demo";
  std::string operatorName = "Ahmadi";
  int recipeID = 7;
  std::string recipeName = "Soap-A";

 private:
  std::string Get(const std::string& value) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return value;
  }
  mutable std::mutex m_mutex;
};

class FakeOperatorInterface final : public IOperatorServices {
 public:
  FakeOperatorInterface() { SetOperatorServices(this); }
  ~FakeOperatorInterface() override { SetOperatorServices(nullptr); }
  HWND GetPlantFormWindow() const override { return plantForm; }
  int RunBatchNumberDialog() override {
    ++dialogRuns;
    return dialog ? dialog() : 2;
  }

  HWND plantForm = nullptr;
  std::function<int()> dialog;
  int dialogRuns = 0;
};

// A fresh database from data/schema.sql, opened.
class PlantDatabase {
 public:
  PlantDatabase() : path(dir.File("Qelo-DataBase.mdb")) {
    std::string schema, error;
    created = ReadWholeFile(RUV_SCHEMA_SQL, schema) && ruv::db::CreateDatabaseFromSchema(schema, path, &error);
    if (created) database.Open(ConnectionStringFor(path));
  }
  TempDir dir;
  std::string path;
  bool created = false;
  CADODatabase database;
};

// Opens a table on the plant database as the engine root does.
template <class Table>
bool OpenPlantTable(Table& table, PlantDatabase& db, const char* name, bool strip, HWND owner = nullptr) {
  table.SetDatabase(&db.database);
  table.SetStripMemberPrefix(strip);
  if (owner) table.SetOwnerWnd(owner);
  return table.SetSourceAndReopen(name, true);
}

// Everything a table test needs: the database, the fake services and the clock.
class PlantTablesTest : public ::testing::Test {
 protected:
  PlantTablesTest() {
    clock.SetNow(TestNowFields());
    clock.Install();
  }
  void SetUp() override { ASSERT_TRUE(db.created); }

  DATE Now() const {
    DATE now = 0;
    OleDateFromFields(TestNowFields(), now);
    return now;
  }

  FakeClock clock;
  FakeTableEngine engine;
  FakeOperatorInterface ui;
  PlantDatabase db;
};
