// Writes the plant's default settings and tag file, made from the plant
// model's own tables: ruv_make_defaults <folder> (default "data").
#include <cstdio>
#include <fstream>
#include <string>

#include "plant/DefaultConfiguration.h"

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) {
    std::fprintf(stderr, "ruv_make_defaults: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: ruv_make_defaults [folder]\n");
    return 2;
  }
  const std::string folder = argc == 2 ? argv[1] : "data";
  const bool settings = WriteFile(folder + "/Qelo-Setting.ini", MakeDefaultSettingsText());
  const bool tags = WriteFile(folder + "/Qelo-DCTags.dct", MakeDefaultTagFileText());
  return settings && tags ? 0 : 1;
}
