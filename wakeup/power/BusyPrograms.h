#pragma once
// The programs that keep the PC awake while they run ("KeepAwakePrograms"):
// post-processing of recordings, such as commercial detection or
// transcoding, which often asks Windows for nothing.
#include <string>
#include <vector>

// The setting's names: separated by ';', blanks around each dropped, in
// lower case, ".exe" added to a name without it; empty names (and a bare
// ".exe") left out.
std::vector<std::string> KeepAwakeNames(const std::string& setting);

// The first running program (as the system spells it) whose name is one of
// `names`, compared without regard to case; empty when none runs.
std::string FirstBusyProgram(const std::vector<std::string>& names,
                             const std::vector<std::string>& running);
