#pragma once

// Runs tunewalk-tag (or another program) as a child process in a scratch folder and collects
// what it printed, so the tests see exactly what a user would.

#include "TempDir.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace tunewalk::clitest {

using ::TempDir;

struct RunResult {
    int exitCode = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;

    // Each line of `out` parsed as JSON with its keys in the order they were written.
    std::vector<nlohmann::ordered_json> jsonLines() const;
};

// Runs `program` (looked up on PATH when it has no slash) with `args`, feeding `input` on stdin,
// with the working folder set to `workDir`.
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& workDir, const std::string& input = {});

// Runs the built tunewalk-tag.
RunResult runTag(const std::vector<std::string>& args, const TempDir& dir,
                 const std::string& input = {});

// The one line `show` prints for `file`; null when it prints another number of lines.
nlohmann::ordered_json showOne(const TempDir& dir, const std::string& file);

bool onPath(const std::string& program);

std::vector<std::string> keysOf(const nlohmann::ordered_json& object);

} // namespace tunewalk::clitest
