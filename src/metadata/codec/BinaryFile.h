#pragma once

#include "common/Result.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace tunewalk {

// A file opened for one load or save, closed by the destructor. Every read and write reports
// failure by its result, and 64-bit offsets work on every platform; failure() tells why.
class BinaryFile {
public:
    enum class Mode { Read, ReadWrite };
    // What one look at a file tells: enough to see whether it changed since.
    struct Stamp {
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0; // since the epoch
        bool operator==(const Stamp&) const = default;
    };
    // A regular file's stamp, from a single stat; nothing for a directory, a pipe or a device,
    // or when the file cannot be looked at.
    static std::optional<Stamp> lookAt(const std::string& path);

    BinaryFile() = default;
    ~BinaryFile() { close(); }
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    // Never creates the file. Fails for anything that is not a regular file (a FIFO, a device,
    // a folder), and never waits on one: what is opened is checked, not a name looked at before.
    bool open(const std::string& path, Mode mode);
    bool isOpen() const { return m_file != nullptr; }
    // Flushes what was written; false when the data may not have reached the file.
    bool close();

    // For after a call failed: why the first failure since the open happened, naming the file.
    // A read cut short by the end of the file has no system reason and is told as such.
    Result failure() const {
        return m_failure ? Result::failure(m_path, "the file ends sooner than expected")
                         : m_failure;
    }

    std::int64_t size() const { return m_size; }
    // The file as it was when opened.
    const Stamp& stampAtOpen() const { return m_stamp; }

    // Reads up to `count` bytes at `offset`; returns the number read, or -1 on an error.
    // Fewer than `count` only at the end of the file.
    std::int64_t readAt(std::int64_t offset, void* buffer, std::int64_t count);
    // Writes exactly `count` bytes at `offset`.
    bool writeAt(std::int64_t offset, const void* buffer, std::int64_t count);

private:
    // The platform's part of open(): a stream on the regular file at `path` with its stamp, or
    // null with errno set (EINVAL for something that is not a regular file).
    static std::FILE* openRegular(const std::string& path, Mode mode, Stamp& stamp);
    bool seek(std::int64_t offset);
    // Keeps the system's reason of the first failure: later ones are usually its echoes.
    void noteErrno();
    std::FILE* m_file = nullptr;
    std::string m_path;
    Result m_failure = Result::ok();
    Stamp m_stamp;
    std::int64_t m_size = 0; // grows with writes past the end
    bool m_failed = false;
};

} // namespace tunewalk
