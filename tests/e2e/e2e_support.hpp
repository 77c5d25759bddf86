// Shared fixture of the end-to-end tests: the real gorva program run on scripts in a fresh folder,
// checked by exit status, messages and the files it writes.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/test_files.hpp"

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out, err;
};

class GorvaProgram : public ::testing::Test {
protected:
    void SetUp() override {
        dir = MakeRunFolder(
            ::testing::TempDir(),
            "gorva_e2e_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        ASSERT_FALSE(dir.empty()) << "cannot make a folder in " << ::testing::TempDir();
    }
    /// A failed test's folder stays for a look at what the program wrote.
    void TearDown() override {
        if (!HasFailure() && !dir.empty()) fs::remove_all(dir);
    }

    fs::path Script(const std::string &name, const std::string &text) {
        fs::path p = dir / name;
        std::ofstream(p) << text;
        return p;
    }

    /// Runs gorva with the arguments (already quoted where needed), standard input from `input`,
    /// `environment` (NAME=value words) added to its environment.
    Outcome Gorva(const std::string &args, const std::string &input = "",
                  const std::string &environment = "") {
        std::ofstream(dir / "stdin.txt") << input;
        std::string cmd = "cd '" + dir.string() + "' && " + environment + " '" GORVA_EXE "' " + args +
                          " < stdin.txt > stdout.txt 2> stderr.txt";
        int raw = std::system(cmd.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = Slurp(dir / "stdout.txt");
        o.err = Slurp(dir / "stderr.txt");
        return o;
    }

    fs::path dir;
};
