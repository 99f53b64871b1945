#include "wakeup/power/BusyPrograms.h"

#include <algorithm>

namespace {
std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}
} // namespace

std::vector<std::string> KeepAwakeNames(const std::string& setting) {
    std::vector<std::string> names;
    size_t from = 0;
    while (from <= setting.size()) {
        const size_t semicolon = std::min(setting.find(';', from), setting.size());
        std::string name = Lower(setting.substr(from, semicolon - from));
        const size_t first = name.find_first_not_of(" \t");
        name = first == std::string::npos
                   ? std::string()
                   : name.substr(first, name.find_last_not_of(" \t") + 1 - first);
        if (!name.empty() && name != ".exe")
            names.push_back(EndsWith(name, ".exe") ? name : name + ".exe");
        from = semicolon + 1;
    }
    return names;
}

std::string FirstBusyProgram(const std::vector<std::string>& names,
                             const std::vector<std::string>& running) {
    if (names.empty())
        return std::string();
    for (const std::string& program : running)
        if (std::find(names.begin(), names.end(), Lower(program)) != names.end())
            return program;
    return std::string();
}
