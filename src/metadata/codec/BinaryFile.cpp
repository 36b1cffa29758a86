#include "BinaryFile.h"

#include <cerrno>

namespace tunewalk {

void BinaryFile::noteErrno() {
    if (m_failure) m_failure = Result::fromErrno(m_path);
}

bool BinaryFile::open(const std::string& path, Mode mode) {
    close();
    m_failed = false;
    m_path = path;
    m_failure = Result::ok();
    errno = 0;
    m_file = openRegular(path, mode, m_stamp);
    if (!m_file) {
        if (errno == EINVAL)
            m_failure = Result::failure(path, "not a regular file");
        else
            noteErrno();
        return false;
    }
    m_size = m_stamp.size;
    // We read a few small blocks at known places; stdio's read-ahead would only cost copies.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return true;
}

bool BinaryFile::close() {
    if (!m_file) return !m_failed;
    const bool closed = std::fclose(m_file) == 0;
    if (!closed) noteErrno();
    m_file = nullptr;
    return closed && !m_failed;
}

bool BinaryFile::seek(std::int64_t offset) {
#ifdef _WIN32
    return _fseeki64(m_file, offset, SEEK_SET) == 0;
#else
    static_assert(sizeof(long) >= 8 || sizeof(off_t) >= 8);
    return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

std::int64_t BinaryFile::readAt(std::int64_t offset, void* buffer, std::int64_t count) {
    if (!m_file || offset < 0 || count < 0) return -1;
    if (!seek(offset)) {
        noteErrno();
        return -1;
    }
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), m_file);
    if (std::ferror(m_file)) {
        noteErrno();
        std::clearerr(m_file);
        return -1;
    }
    std::clearerr(m_file);
    return static_cast<std::int64_t>(got);
}

bool BinaryFile::writeAt(std::int64_t offset, const void* buffer, std::int64_t count) {
    const bool valid = m_file && offset >= 0 && count >= 0;
    if (!valid) errno = EINVAL;
    if (!valid || !seek(offset) ||
        std::fwrite(buffer, 1, static_cast<std::size_t>(count), m_file) !=
            static_cast<std::size_t>(count)) {
        noteErrno();
        m_failed = true;
        return false;
    }
    if (offset + count > m_size) m_size = offset + count;
    return true;
}

} // namespace tunewalk
