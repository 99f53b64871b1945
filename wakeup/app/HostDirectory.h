#pragma once
#include <string>

// The host application's directory: the program lives in its subdirectory
// "orvisawakeup", so the host directory is the program path cut before the
// first "\orvisawakeup" (case-sensitive, byte-wise). Empty when the path has
// no such part.
std::string DeriveHostDir(const std::string& programPath);
