// libFuzzer entry point for the MP3 and WAV codecs. The first kControlBytes bytes of an input
// choose what to assign before saving (see FuzzPlan.h); the rest is the file.

#include "FuzzSupport.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr const char* kPrefix = "tunewalk-fuzz-";

// libFuzzer ends the process without running destructors, so each run clears away the folders
// of earlier runs whose process is gone.
void removeStaleFolders(const std::filesystem::path& base) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(kPrefix, 0) != 0) continue;
        const std::string digits = name.substr(std::string_view(kPrefix).size());
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const long pid = std::strtol(digits.c_str(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ec);
    }
}

// The codecs work on files, so every input goes through one file in a folder of this process;
// the folder is made once, not per input.
class Scratch {
public:
    Scratch() {
        const auto base = std::filesystem::temp_directory_path();
        removeStaleFolders(base);
        m_dir = base / (kPrefix + std::to_string(static_cast<long>(::getpid())));
        std::filesystem::create_directories(m_dir);
        m_file = (m_dir / "input").string();
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& file() const { return m_file; }

private:
    std::filesystem::path m_dir;
    std::string m_file;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    tunewalk::fuzz::runOne(scratch.file(), data, size);
    return 0;
}
