#pragma once

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace tunewalk {

// What a save, an export or another write tells its caller: success, or the file it failed on
// and why, in the operating system's words where the system gave a reason. The message is
// "<file>: <reason>", so whoever shows it never has to guess; a failure that concerns no one
// file (an empty name) is its reason alone.
class [[nodiscard]] Result {
public:
    static Result ok() { return Result(); }
    static Result failure(std::string file, std::string reason) {
        Result r;
        r.m_failed = true;
        r.m_file = std::move(file);
        r.m_reason = std::move(reason);
        return r;
    }
    // Call right after the failing call: anything in between may change errno.
    static Result fromErrno(const std::string& file) {
        const int error = errno;
        return failure(file, std::strerror(error));
    }

    explicit operator bool() const { return !m_failed; }
    const std::string& file() const { return m_file; }
    const std::string& reason() const { return m_reason; }
    std::string message() const {
        if (!m_failed) return {};
        return m_file.empty() ? m_reason : m_file + ": " + m_reason;
    }

private:
    Result() = default;
    bool m_failed = false;
    std::string m_file, m_reason;
};

} // namespace tunewalk
