#pragma once

// Runs tunewalk-tag (or another program) as a child process in a scratch folder and collects
// what it printed, so the tests see exactly what a user would.

#include "TempDir.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <utility>
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

using Environment = std::vector<std::pair<std::string, std::string>>;

// Runs `program` (looked up on PATH when it has no slash) with `args`, feeding `input` on stdin,
// with the working folder set to `workDir` and `environment` added to the test's own.
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& workDir, const std::string& input = {},
              const Environment& environment = {});

// Runs the built tunewalk-tag. Its change history goes to `dataHome` (as XDG_DATA_HOME), by
// default to a folder of the test run's own: never into the user's.
RunResult runTag(const std::vector<std::string>& args, const TempDir& dir,
                 const std::string& input = {}, const std::filesystem::path& dataHome = {});

// The one line `show` prints for `file`; null when it prints another number of lines.
nlohmann::ordered_json showOne(const TempDir& dir, const std::string& file);

bool onPath(const std::string& program);

std::vector<std::string> keysOf(const nlohmann::ordered_json& object);

} // namespace tunewalk::clitest
