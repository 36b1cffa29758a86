#include "metadata/tags/PlannedFile.h"

#include "metadata/tags/TagReader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tunewalk {

namespace {

std::string reason(int error) {
    return std::strerror(error);
}

std::int64_t nsOf(const struct stat& st) {
    return std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// The file at the descriptor is the one a plan was made from, untouched since.
bool asPlanned(const struct stat& st, const TagSavePlan& plan) {
    return S_ISREG(st.st_mode) && std::uint64_t(st.st_dev) == plan.device &&
           std::uint64_t(st.st_ino) == plan.inode && st.st_size == plan.sizeBefore &&
           nsOf(st) == plan.modifiedNs;
}

bool writeAll(int fd, const char* data, std::size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        n -= std::size_t(done);
    }
    return true;
}

bool pwriteAll(int fd, const char* data, std::size_t n, off_t at) {
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, data, n, at);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        n -= std::size_t(done);
        at += done;
    }
    return true;
}

// Copies `length` bytes of `in` from `offset` to where `out` stands, in the kernel where it can.
bool copyRange(int in, std::int64_t offset, std::int64_t length, int out) {
    loff_t from = offset;
    while (length > 0) {
        const ssize_t done = ::copy_file_range(in, &from, out, nullptr, std::size_t(length), 0);
        if (done > 0) {
            length -= done;
            continue;
        }
        if (done < 0 && errno == EINTR) continue;
        if (done == 0 || errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
            errno == EOPNOTSUPP)
            break;
        return false;
    }
    std::vector<char> buffer(std::size_t(std::min<std::int64_t>(length, 1 << 20)));
    while (length > 0) {
        const ssize_t got =
            ::pread(in, buffer.data(), std::size_t(std::min<std::int64_t>(length, std::int64_t(buffer.size()))), from);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = EIO; // the original ended early
            return false;
        }
        if (!writeAll(out, buffer.data(), std::size_t(got))) return false;
        from += got;
        length -= got;
    }
    return true;
}

} // namespace

std::shared_ptr<PlannedFile> PlannedFile::open(const std::string& path, std::string* why) {
    // The file a link names is the one saved into: a rewrite renamed over the link would put
    // a file in the link's place.
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
        if (why) *why = reason(errno);
        return nullptr;
    }
    std::shared_ptr<PlannedFile> file(new PlannedFile);
    file->m_path = resolved;
    std::free(resolved);
    file->m_fd = ::open(file->m_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (file->m_fd < 0 || ::fstat(file->m_fd, &st) != 0) {
        if (why) *why = reason(errno);
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        if (why) *why = "it is not a regular file";
        return nullptr;
    }
    file->m_originalSize = file->m_size = st.st_size;
    file->m_modifiedNs = nsOf(st);
    file->m_device = st.st_dev;
    file->m_inode = st.st_ino;
    if (st.st_size > 0) file->m_pieces.push_back({0, st.st_size, nullptr});
    return file;
}

PlannedFile::~PlannedFile() {
    if (m_fd >= 0) ::close(m_fd);
}

std::string PlannedFile::original(std::int64_t offset, std::int64_t length) const {
    std::string out(std::size_t(std::max<std::int64_t>(length, 0)), '\0');
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::pread(m_fd, out.data() + got, out.size() - got, offset + got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += std::size_t(n);
    }
    out.resize(got);
    return out;
}

std::size_t PlannedFile::splitAt(std::int64_t at) {
    std::int64_t start = 0;
    for (std::size_t i = 0; i < m_pieces.size(); ++i) {
        if (start == at) return i;
        Piece& p = m_pieces[i];
        if (start + p.length > at) {
            const std::int64_t k = at - start;
            Piece tail{p.from + k, p.length - k, p.bytes};
            p.length = k;
            m_pieces.insert(m_pieces.begin() + std::ptrdiff_t(i) + 1, std::move(tail));
            return i + 1;
        }
        start += p.length;
    }
    return m_pieces.size();
}

void PlannedFile::replace(std::int64_t at, std::int64_t remove, const char* data, std::size_t n) {
    at = std::max<std::int64_t>(at, 0);
    if (at > m_size) { // written past the end: the gap reads as zeros
        const std::int64_t gap = at - m_size;
        m_pieces.push_back({0, gap, std::make_shared<const std::string>(std::size_t(gap), '\0')});
        m_size = at;
    }
    remove = std::clamp<std::int64_t>(remove, 0, m_size - at);
    const std::size_t first = splitAt(at);
    const std::size_t last = splitAt(at + remove);
    m_pieces.erase(m_pieces.begin() + std::ptrdiff_t(first), m_pieces.begin() + std::ptrdiff_t(last));
    if (n > 0)
        m_pieces.insert(m_pieces.begin() + std::ptrdiff_t(first),
                        Piece{0, std::int64_t(n), std::make_shared<const std::string>(data, n)});
    m_size += std::int64_t(n) - remove;
}

TagLib::ByteVector PlannedFile::readBlock(unsigned long length) {
    std::string out;
    std::int64_t want = std::min<std::int64_t>(std::int64_t(length), m_size - m_pos);
    std::int64_t start = 0;
    for (const Piece& p : m_pieces) {
        if (want <= 0) break;
        const std::int64_t end = start + p.length;
        if (end > m_pos) {
            const std::int64_t k = m_pos - start;
            const std::int64_t n = std::min(p.length - k, want);
            if (p.bytes)
                out.append(*p.bytes, std::size_t(p.from + k), std::size_t(n));
            else
                out += original(p.from + k, n);
            m_pos += n;
            want -= n;
        }
        start = end;
    }
    return TagLib::ByteVector(out.data(), static_cast<unsigned int>(out.size()));
}

void PlannedFile::writeBlock(const TagLib::ByteVector& data) {
    replace(m_pos, std::min<std::int64_t>(data.size(), std::max<std::int64_t>(m_size - m_pos, 0)),
            data.data(), data.size());
    m_pos += data.size();
}

void PlannedFile::insert(const TagLib::ByteVector& data, unsigned long start,
                         unsigned long replaceLength) {
    replace(std::int64_t(start), std::int64_t(replaceLength), data.data(), data.size());
}

void PlannedFile::removeBlock(unsigned long start, unsigned long length) {
    replace(std::int64_t(start), std::int64_t(length), nullptr, 0);
}

void PlannedFile::seek(long offset, Position p) {
    switch (p) {
    case Beginning: m_pos = offset; break;
    case Current: m_pos += offset; break;
    case End: m_pos = m_size + offset; break;
    }
    m_pos = std::max<std::int64_t>(m_pos, 0);
}

void PlannedFile::truncate(long length) {
    if (length < m_size)
        replace(length, m_size - length, nullptr, 0);
    else if (length > m_size)
        replace(m_size, 0, std::string(std::size_t(length - m_size), '\0').data(),
                std::size_t(length - m_size));
}

std::optional<TagSavePlan> PlannedFile::planOf(const std::shared_ptr<PlannedFile>& file,
                                               std::string* why) {
    TagSavePlan plan;
    plan.path = file->m_path;
    plan.sizeBefore = file->m_originalSize;
    plan.sizeAfter = file->m_size;
    plan.modifiedNs = file->m_modifiedNs;
    plan.device = file->m_device;
    plan.inode = file->m_inode;
    // In place only while every byte of the original that stays is where it was.
    bool inPlace = file->m_size == file->m_originalSize;
    std::int64_t at = 0;
    for (const Piece& p : file->m_pieces) {
        if (!p.bytes && p.from != at) inPlace = false;
        if (p.bytes && inPlace) {
            ByteRegion r{at, file->original(at, p.length), p.bytes->substr(std::size_t(p.from), std::size_t(p.length))};
            if (std::int64_t(r.before.size()) != p.length) {
                if (why) *why = reason(errno ? errno : EIO);
                return std::nullopt;
            }
            // Only the bytes that differ, give or take a short run of equal ones between.
            std::size_t head = 0, tail = 0;
            const std::size_t n = r.after.size();
            while (head < n && r.before[head] == r.after[head])
                ++head;
            while (tail < n - head && r.before[n - 1 - tail] == r.after[n - 1 - tail])
                ++tail;
            if (head < n) {
                r.offset += std::int64_t(head);
                r.before = r.before.substr(head, n - head - tail);
                r.after = r.after.substr(head, n - head - tail);
                constexpr std::int64_t Join = 64;
                if (!plan.regions.empty()) {
                    ByteRegion& last = plan.regions.back();
                    const std::int64_t lastEnd = last.offset + std::int64_t(last.after.size());
                    if (r.offset - lastEnd <= Join) {
                        const std::string gap = file->original(lastEnd, r.offset - lastEnd);
                        last.before += gap + r.before;
                        last.after += gap + r.after;
                        at += p.length;
                        continue;
                    }
                }
                plan.regions.push_back(std::move(r));
            }
        }
        at += p.length;
    }
    plan.inPlace = inPlace;
    if (!inPlace) plan.regions.clear();
    plan.changes = !inPlace || !plan.regions.empty();
    if (!inPlace) plan.file = file;
    // The plan holds what it needs; the whole rewrite opens the original again.
    ::close(file->m_fd);
    file->m_fd = -1;
    return plan;
}

std::string PlannedFile::writeWhole(int in, int out) const {
    for (const Piece& p : m_pieces) {
        const bool ok = p.bytes ? writeAll(out, p.bytes->data() + p.from, std::size_t(p.length))
                                : copyRange(in, p.from, p.length, out);
        if (!ok) return reason(errno);
    }
    return {};
}

bool writeTagSave(const TagSavePlan& plan, const std::function<bool()>& keepOriginal,
                  std::string* why) {
    const auto fail = [&](const std::string& text) {
        if (why) *why = text;
        return false;
    };
    if (!plan.changes) return true;
    const char* path = plan.path.c_str();
    const int fd = ::open(path, (plan.inPlace ? O_WRONLY : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return fail(reason(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !asPlanned(st, plan)) {
        ::close(fd);
        return fail("it has changed since it was read");
    }
    if (plan.inPlace) {
        for (const ByteRegion& r : plan.regions)
            if (!pwriteAll(fd, r.after.data(), r.after.size(), off_t(r.offset))) {
                const int error = errno;
                ::close(fd);
                return fail(reason(error));
            }
        const bool synced = ::fsync(fd) == 0;
        const int error = errno;
        ::close(fd);
        return synced || fail(reason(error));
    }

    // The new file beside the old one, whole and flushed before it takes the old one's place.
    const std::string temp = rewritePathFor(plan.path);
    ::unlink(temp.c_str()); // one a save cut short left
    const int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(fd);
        return fail(reason(error));
    }
    const auto drop = [&](const std::string& text) {
        ::close(out);
        ::unlink(temp.c_str());
        ::close(fd);
        return fail(text);
    };
    std::string failure = plan.file->writeWhole(fd, out);
    if (!failure.empty()) return drop(failure);
    (void)::fchown(out, st.st_uid, st.st_gid); // kept where this user may give it away
    struct stat written {};
    if (::fchmod(out, st.st_mode & 07777) != 0 || ::fsync(out) != 0 || ::fstat(out, &written) != 0)
        return drop(reason(errno));
    if (written.st_size != plan.sizeAfter) return drop("the new file came out of the wrong size");
    ::close(out);
    // Read back as its kind before it replaces anything.
    std::string unreadable;
    if (!readAudioTags(temp, &unreadable, TagReadOptions{CodePage::Latin1, false})) {
        ::unlink(temp.c_str());
        ::close(fd);
        return fail("the new file did not read back (" + unreadable + ")");
    }
    struct stat now {};
    if (::stat(path, &now) != 0 || !asPlanned(now, plan)) {
        ::unlink(temp.c_str());
        ::close(fd);
        return fail("it has changed since it was read");
    }
    ::close(fd);
    if (keepOriginal && !keepOriginal()) {
        ::unlink(temp.c_str());
        return fail("its old version could not be kept for undo, so it was not rewritten");
    }
    if (::rename(temp.c_str(), path) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return fail(reason(error));
    }
    // The rename itself made durable.
    const std::string dir = plan.path.substr(0, plan.path.rfind('/') + 1);
    if (const int d = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); d >= 0) {
        (void)::fsync(d);
        ::close(d);
    }
    return true;
}

} // namespace tunewalk
