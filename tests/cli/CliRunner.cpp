#include "CliRunner.h"

#include "AudioFixtures.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tunewalk::clitest {

std::vector<nlohmann::ordered_json> RunResult::jsonLines() const {
    std::vector<nlohmann::ordered_json> lines;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(nlohmann::ordered_json::parse(line));
    return lines;
}

RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& workDir, const std::string& input,
              const Environment& environment) {
    // The child's streams go through files: no pipe can fill up and stall either side.
    TempDir io;
    const auto inPath = io / "stdin", outPath = io / "stdout", errPath = io / "stderr";
    fixtures::writeFile(inPath, input);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int in = ::open(inPath.c_str(), O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 ||
            ::dup2(err, 2) < 0 || ::chdir(workDir.c_str()) != 0)
            ::_exit(126);
        for (const auto& [name, value] : environment)
            if (::setenv(name.c_str(), value.c_str(), 1) != 0) ::_exit(126);
        ::execvp(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    }
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = fixtures::readFile(outPath);
    result.err = fixtures::readFile(errPath);
    return result;
}

RunResult runTag(const std::vector<std::string>& args, const TempDir& dir, const std::string& input,
                 const std::filesystem::path& dataHome) {
    static const TempDir shared;
    return run(TUNEWALK_TAG_EXE, args, dir.path(), input,
               {{"XDG_DATA_HOME", (dataHome.empty() ? shared.path() : dataHome).string()}});
}

nlohmann::ordered_json showOne(const TempDir& dir, const std::string& file) {
    const auto lines = runTag({"show", file}, dir).jsonLines();
    return lines.size() == 1 ? lines[0] : nlohmann::ordered_json();
}

bool onPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> keysOf(const nlohmann::ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
    return keys;
}

} // namespace tunewalk::clitest
