#pragma once
// Reading the real registry back in tests.
#include <windows.h>

#include <string>
#include <vector>

bool KeyExists(HKEY root, const std::string& path);
// A string value (name null: the default value), or "<missing>".
std::string StringValue(HKEY root, const std::string& path, const char* name = nullptr);
// Names of the subkeys, and of the values ("" for the default value).
std::vector<std::string> Subkeys(HKEY root, const std::string& path);
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
