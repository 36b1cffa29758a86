#include "BinaryFile.h"

namespace tunewalk {

bool BinaryFile::open(const std::string& path, Mode mode) {
    close();
    m_failed = false;
    // Only regular files: a FIFO named like an MP3 would otherwise block the caller in open().
    const auto stamp = lookAt(path);
    if (!stamp) return false;
    m_stamp = *stamp;
    m_size = stamp->size;
    m_file = std::fopen(path.c_str(), mode == Mode::Read ? "rb" : "r+b");
    if (!m_file) return false;
    // We read a few small blocks at known places; stdio's read-ahead would only cost copies.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return true;
}

bool BinaryFile::close() {
    if (!m_file) return !m_failed;
    const bool ok = std::fclose(m_file) == 0 && !m_failed;
    m_file = nullptr;
    return ok;
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
    if (!m_file || offset < 0 || count < 0 || !seek(offset)) return -1;
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(count), m_file);
    if (std::ferror(m_file)) {
        std::clearerr(m_file);
        return -1;
    }
    std::clearerr(m_file);
    return static_cast<std::int64_t>(got);
}

bool BinaryFile::writeAt(std::int64_t offset, const void* buffer, std::int64_t count) {
    if (!m_file || offset < 0 || count < 0 || !seek(offset)) {
        m_failed = true;
        return false;
    }
    if (std::fwrite(buffer, 1, static_cast<std::size_t>(count), m_file) !=
        static_cast<std::size_t>(count)) {
        m_failed = true;
        return false;
    }
    if (offset + count > m_size) m_size = offset + count;
    return true;
}

} // namespace tunewalk
