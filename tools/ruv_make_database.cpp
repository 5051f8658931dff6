// ruv_make_database <schema.sql> <out.mdb>
// Creates an empty plant database from the schema. An existing file is never
// touched (exit code 1), so running it again is harmless.
#include <cstdio>
#include <string>

#include "platform/base/AtomicFile.h"
#include "platform/db/SchemaBuilder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <schema.sql> <out.mdb>\n", argv[0]);
    return 2;
  }
  std::string schema, error;
  if (!ReadWholeFile(argv[1], schema, &error)) {
    std::fprintf(stderr, "ruv_make_database: cannot read the schema '%s': %s\n", argv[1], error.c_str());
    return 1;
  }
  if (!ruv::db::CreateDatabaseFromSchema(schema, argv[2], &error)) {
    std::fprintf(stderr, "ruv_make_database: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
