#include "platform/db/JournalShapes.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>

#include "platform/base/Text.h"
#include "platform/db/DbError.h"
#include "platform/db/TableStatements.h"

namespace ruv::db {

bool JournalShapes::Build(JournalLine& line, long long rowHandle, std::string& why) {
  PendingWrite& write = line.write;
  // Each name led by its length: a name may hold any character (a tab
  // too), and two lines of other tables or columns never share a shape.
  m_key.assign(1, static_cast<char>('0' + static_cast<int>(write.kind)));
  for (std::size_t i = 0; i <= line.count; ++i) {
    const std::string& name = i == 0 ? write.table : line.names[i - 1];
    m_key += std::to_string(name.size());
    m_key += ':';
    m_key += name;
  }
  auto found = m_shapes.find(m_key);
  if (found == m_shapes.end()) found = m_shapes.emplace(m_key, MakeShape(line)).first;
  const Shape& shape = found->second;
  // Checked in the line's order: a value that does not suit its column is
  // told before a later column the table lacks.
  const std::size_t checked = std::min(shape.badAt, line.count);
  for (std::size_t i = 0; i < checked; ++i) {
    const ColumnInfo& column = (*shape.columns)[static_cast<std::size_t>(shape.index[i])];
    Variant& value = line.values[i];
    // A text that suits its text column as it is needs no copy.
    if (value.vt == VT_BSTR && column.type == VT_BSTR &&
        (column.maxLength <= 0 || ruv::Utf8Length(value.bstrVal) <= static_cast<std::size_t>(column.maxLength)))
      continue;
    try {
      value = CoerceForColumn(column, value);
    } catch (const DbError& error) {
      why = "the value of " + column.name + ": " + error.Description();
      return false;
    }
  }
  if (!shape.why.empty()) {
    why = shape.why;
    return false;
  }
  write.table = shape.table;
  write.statement = shape.statement;
  write.idColumn = shape.idColumn;
  write.columns.clear();
  if (shape.idColumn >= 0)
    write.columns.Add(shape.idColumn, Variant::I4(static_cast<std::int32_t>(rowHandle)),
                      shape.storage[static_cast<std::size_t>(shape.idColumn)]);
  for (const int at : shape.order) {
    const int column = shape.index[static_cast<std::size_t>(at)];
    write.columns.Add(column, line.values[static_cast<std::size_t>(at)],
                      shape.storage[static_cast<std::size_t>(column)]);
  }
  return true;
}

JournalShapes::Shape JournalShapes::MakeShape(const JournalLine& line) {
  Shape shape;
  shape.badAt = 0;
  const PendingWrite& write = line.write;
  const auto own = std::find_if(m_ownTables.begin(), m_ownTables.end(),
                                [&](const std::string& name) { return ruv::EqualsNoCase(name, write.table); });
  if (own == m_ownTables.end() || ruv::EqualsNoCase(write.table, kWrittenTokensTable)) {
    shape.why = "the table \"" + write.table + "\" is not one of the program's";
    return shape;
  }
  shape.table = *own;
  auto known = m_tables.find(shape.table);
  if (known == m_tables.end()) {
    std::vector<ColumnInfo> columns;
    const int rc = ReadTableColumns(m_db, shape.table, columns);
    if (rc != SQLITE_DONE || columns.empty()) {
      shape.why = rc != SQLITE_DONE ? "the table " + shape.table + " cannot be read: " + sqlite3_errstr(rc)
                                    : "the database has no table " + shape.table;
      return shape;
    }
    known = m_tables.emplace(shape.table, std::move(columns)).first;
  }
  const std::vector<ColumnInfo>& columns = known->second;
  shape.columns = &columns;
  for (const ColumnInfo& column : columns) shape.storage.push_back(StorageOf(column));
  for (std::size_t i = 0; i < line.count; ++i, ++shape.badAt) {
    const std::string& name = line.names[i];
    const auto column = std::find_if(columns.begin(), columns.end(),
                                     [&](const ColumnInfo& info) { return ruv::EqualsNoCase(info.name, name); });
    if (column == columns.end()) {
      shape.why = "the table " + shape.table + " has no column \"" + name + "\"";
      return shape;
    }
    const int index = static_cast<int>(column - columns.begin());
    if (column->autoNumber) {
      shape.why = "the column " + column->name + " is numbered by the database";
      return shape;
    }
    if (std::find(shape.index.begin(), shape.index.end(), index) != shape.index.end()) {
      shape.why = "the column " + column->name + " is given twice";
      return shape;
    }
    shape.index.push_back(index);
  }
  shape.badAt = SIZE_MAX;
  // Bound in the table's order, as the recordsets bind them.
  for (std::size_t i = 0; i < line.count; ++i) shape.order.push_back(static_cast<int>(i));
  std::sort(shape.order.begin(), shape.order.end(), [&](int a, int b) {
    return shape.index[static_cast<std::size_t>(a)] < shape.index[static_cast<std::size_t>(b)];
  });
  auto statement = std::make_shared<KeptStatement>();
  std::vector<bool> isGiven(columns.size(), false);
  std::vector<int> bound;
  for (const int at : shape.order) {
    const auto index = static_cast<std::size_t>(shape.index[static_cast<std::size_t>(at)]);
    isGiven[index] = true;
    statement->boundAsText.push_back(HasTextAffinity(columns[index]));
    bound.push_back(static_cast<int>(index));
  }
  switch (write.kind) {
    case PendingWrite::Kind::Insert:
      // Shows the kept new row's handle until it is written.
      for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i].rowIdAlias) shape.idColumn = static_cast<int>(i);
      bound.clear();
      statement->sql = InsertStatement(shape.table, columns, isGiven, bound);
      break;
    case PendingWrite::Kind::Update: statement->sql = UpdateStatement(shape.table, columns, bound); break;
    case PendingWrite::Kind::Delete: statement->sql = DeleteStatement(shape.table); break;
  }
  shape.statement = std::move(statement);
  return shape;
}

}  // namespace ruv::db
