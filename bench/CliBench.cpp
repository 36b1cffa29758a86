// Times `tunewalk-tag show` over the corpus's MP3 files as a whole process (start-up, every file,
// the output) against a whole-process TagLib reader of the same fields and the floor: a process
// that only makes the system calls any such reader makes. The three run in turn, round after
// round, so a slow spell of the shared machine hits each of them alike.
//
//   tunewalk-bench-cli [--corpus=DIR] [--rounds=N] [--tool=PATH] [--taglib=PATH]
//   tunewalk-bench-cli --floor FILE...     (the floor itself, started by the benchmark)

#include "Corpus.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using namespace tunewalk::bench;

namespace {

// Targets: speed against TagLib's whole process, and against the floor's.
constexpr double kTagLibTarget = 2.0;
constexpr double kFloorTarget = 0.6;

// The calls LoadMP3 makes for a file without a leading ID3v2 tag: the size, an open, the last
// 128 bytes, the first 2048 (unbuffered, so each read is one system call), a close.
int runFloor(int count, char** files) {
    std::array<unsigned char, 2048> head{};
    std::array<unsigned char, 128> tail{};
    std::uint64_t bytes = 0;
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        std::error_code ec;
        const auto size = fs::file_size(files[i], ec);
        std::FILE* f = ec ? nullptr : std::fopen(files[i], "rb");
        if (!f) {
            ++failed;
            continue;
        }
        std::setvbuf(f, nullptr, _IONBF, 0);
        if (size > tail.size() && fseeko(f, static_cast<off_t>(size - tail.size()), SEEK_SET) == 0)
            bytes += std::fread(tail.data(), 1, tail.size(), f);
        if (std::fseek(f, 0, SEEK_SET) == 0) bytes += std::fread(head.data(), 1, head.size(), f);
        std::fclose(f);
    }
    std::printf("%d files, %llu bytes read\n", count, static_cast<unsigned long long>(bytes));
    return failed ? 1 : 0;
}

struct Sample {
    double wall = 0, user = 0, sys = 0;
    double cpu() const { return user + sys; }
};

struct Contender {
    std::string name;
    std::vector<std::string> command;
    std::vector<Sample> samples;
};

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs `argv` in `dir` with its output going to `out`; false when it did not exit with 0.
bool runOnce(const std::vector<std::string>& argv, const std::string& dir, const char* out,
             Sample& sample) {
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0 || chdir(dir.c_str()) != 0) _exit(127);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return false;
    sample.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.user = seconds(usage.ru_utime);
    sample.sys = seconds(usage.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::size_t lineCount(const char* path) {
    std::size_t lines = 0;
    if (std::FILE* f = std::fopen(path, "rb")) {
        for (int c; (c = std::fgetc(f)) != EOF;)
            lines += c == '\n';
        std::fclose(f);
    }
    return lines;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

std::vector<double> field(const Contender& c, double (*get)(const Sample&)) {
    std::vector<double> v;
    for (const Sample& s : c.samples)
        v.push_back(get(s));
    return v;
}

std::string option(int argc, char** argv, std::string_view name, std::string fallback) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
            arg[name.size()] == '=')
            return std::string(arg.substr(name.size() + 1));
    }
    return fallback;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string_view(argv[1]) == "--floor") return runFloor(argc - 2, argv + 2);

    const char* envCorpus = std::getenv("TUNEWALK_CORPUS");
    const std::string dir = option(argc, argv, "--corpus", envCorpus ? envCorpus : "");
    const int rounds = std::max(1, std::atoi(option(argc, argv, "--rounds", "7").c_str()));
    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string tool =
        option(argc, argv, "--tool", (self.parent_path() / "tunewalk-tag").string());
    const std::string taglib =
        option(argc, argv, "--taglib", (self.parent_path() / "tunewalk-bench-cli-taglib").string());
    Corpus corpus;
    if (dir.empty() || !listCorpus(dir, corpus) || corpus.mp3.empty()) {
        std::fprintf(stderr, "usage: tunewalk-bench-cli --corpus=DIR (a folder of MP3 files)\n");
        return 2;
    }
    // Relative names keep the command lines short; every contender runs in the corpus folder.
    std::vector<std::string> files;
    for (const std::string& path : corpus.mp3)
        files.push_back(fs::relative(path, dir).string());

    std::vector<Contender> contenders{{"tunewalk-tag", {tool, "show"}, {}},
                                      {"TagLib", {taglib}, {}},
                                      {"floor", {self.string(), "--floor"}, {}}};
    if (!fs::exists(taglib)) {
        std::printf("TagLib reader not built (%s): compared with the floor only\n", taglib.c_str());
        contenders.erase(contenders.begin() + 1);
    }
    for (Contender& c : contenders)
        c.command.insert(c.command.end(), files.begin(), files.end());

    // Warm page cache: every file read once, then each contender run once untimed, its output
    // checked (one line per file; the floor prints one line in all).
    std::printf("%zu MP3 files in %s; warm page cache; %d rounds\n", files.size(), dir.c_str(),
                rounds);
    warmUp(corpus);
    bool wrong = false;
    const std::string check = (fs::temp_directory_path() / "tunewalk-bench-cli.out").string();
    for (Contender& c : contenders) {
        Sample ignored;
        const bool ok = runOnce(c.command, dir, check.c_str(), ignored);
        const std::size_t lines = lineCount(check.c_str());
        if (!ok || lines != (c.name == "floor" ? 1 : files.size())) {
            std::printf("WRONG: %s exited with an error or printed %zu lines\n", c.name.c_str(),
                        lines);
            wrong = true;
        }
    }
    fs::remove(check);

    for (int r = 0; r < rounds; ++r) {
        for (Contender& c : contenders) {
            Sample s;
            if (!runOnce(c.command, dir, "/dev/null", s)) wrong = true;
            c.samples.push_back(s);
        }
    }

    // Each contender's processor time (user + system) is what it is judged by: the wall time is
    // shown too, but on a shared machine it also counts waiting for the other core's work.
    std::printf("\n%-14s %12s %12s %12s %12s %12s %12s\n", "contender", "CPU median", "CPU worst",
                "us/file", "user median", "sys median", "wall median");
    for (const Contender& c : contenders) {
        const auto cpu = field(c, [](const Sample& s) { return s.cpu(); });
        std::printf("%-14s %10.0fms %10.0fms %12.1f %10.0fms %10.0fms %10.0fms\n", c.name.c_str(),
                    median(cpu) * 1e3, *std::max_element(cpu.begin(), cpu.end()) * 1e3,
                    median(cpu) / static_cast<double>(files.size()) * 1e6,
                    median(field(c, [](const Sample& s) { return s.user; })) * 1e3,
                    median(field(c, [](const Sample& s) { return s.sys; })) * 1e3,
                    median(field(c, [](const Sample& s) { return s.wall; })) * 1e3);
    }
    std::printf("\n");
    const auto ratio = [&](const Contender& other, double target) {
        const auto cpu = [](const Contender& c) {
            return field(c, [](const Sample& s) { return s.cpu(); });
        };
        const auto mine = cpu(contenders[0]), theirs = cpu(other);
        const double r = median(theirs) / median(mine);
        const double worst = *std::max_element(theirs.begin(), theirs.end()) /
                             *std::max_element(mine.begin(), mine.end());
        std::printf("ratio tunewalk-tag/%s: %.2fx (medians; worst runs %.2fx), target >= %.2fx: "
                    "%s\n",
                    other.name.c_str(), r, worst, target, r >= target ? "met" : "MISSED");
    };
    for (const Contender& c : contenders)
        if (c.name != contenders[0].name)
            ratio(c, c.name == "floor" ? kFloorTarget : kTagLibTarget);
    return wrong ? 1 : 0;
}
