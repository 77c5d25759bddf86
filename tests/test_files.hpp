// File helpers shared by the unit and end-to-end tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

/// The whole content of a file as bytes; empty when it cannot be read.
inline std::string Slurp(const std::filesystem::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
