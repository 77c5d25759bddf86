// File helpers shared by the unit and end-to-end tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

/// The whole content of a file as bytes; empty when it cannot be read.
inline std::string Slurp(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/// A new folder of this run's own under the temporary folder, "STEM_XXXXXX"; two runs of the same
/// test (two build trees, two CI jobs) never share one. Empty when it cannot be made.
inline std::filesystem::path MakeRunFolder(const std::string &parent, const std::string &stem) {
    std::string name = stem;
    for (char &c : name)
        if (c == '/') c = '_';  // parameterised tests are named "Case/0"
    std::string pattern = (std::filesystem::path(parent) / (name + "_XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) return std::filesystem::path();
    return std::filesystem::path(buffer.data());
}
