#pragma once
// Creates a new database file from a schema text (SQL statements), in WAL mode.
// The file is built under a temporary name beside the target and put in place
// only when complete, and an existing file is never replaced.
#include <string>

namespace ruv::db {

// False with a message in *error when the schema fails, declares a column type
// the database layer does not know, or the target exists or cannot be written.
bool CreateDatabaseFromSchema(const std::string& schemaSql, const std::string& targetPath, std::string* error);

}  // namespace ruv::db
