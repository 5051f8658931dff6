#pragma once
// The program file and its folder (where the data files lie). Tests point the
// folder at a temporary directory.
#include <string>

// Full path of the running executable ("" when it cannot be read).
std::string ProgramFilePath();
// Folder of the program file, ending in "/" (the override when one is set).
std::string ProgramFolder();
// Overrides the folder (a trailing "/" is added when missing); "" removes the override.
void SetProgramFolderOverride(const std::string& folder);
