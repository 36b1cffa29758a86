#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>

namespace tunewalk {

// Where the tests break the file system on purpose: each hook may return an errno value that
// the engine then takes as the call's failure (0 lets the call go on), or change the disk
// (a file written into the source mid-copy, a target appearing mid-job).
class FileFaults {
public:
    virtual ~FileFaults() = default;
    // Before renaming `from` to `to` (EXDEV makes a move copy across file systems).
    virtual int rename(const std::filesystem::path& from, const std::filesystem::path& to) {
        (void)from, (void)to;
        return 0;
    }
    // Before writing `size` bytes at `offset` of a copy in progress.
    virtual int write(const std::filesystem::path& copy, std::uint64_t offset, std::size_t size) {
        (void)copy, (void)offset, (void)size;
        return 0;
    }
    // After one file has been copied completely.
    virtual void copied(const std::filesystem::path& source) { (void)source; }
    // After one entry has been removed for good.
    virtual void removed(const std::filesystem::path& path) { (void)path; }
};

// One file job's shared state: the window's thread reads the progress and may cancel; the
// worker does the job and checks for a cancel between pieces of work.
class FileJob {
public:
    struct Progress {
        QString item; // what is being copied, removed or moved now
        std::int64_t bytesDone = 0, bytesTotal = 0, itemsDone = 0, itemsTotal = 0;
    };

    explicit FileJob(FileFaults* faults = nullptr) : m_faults(faults) {}

    void cancel() { m_cancelled = true; }
    bool cancelled() const { return m_cancelled; }
    // For work that takes a plain flag to stop at.
    const std::atomic<bool>& cancelFlag() const { return m_cancelled; }
    FileFaults* faults() const { return m_faults; }

    void addTotal(std::int64_t bytes, std::int64_t items) {
        m_bytesTotal += bytes;
        m_itemsTotal += items;
    }
    void addBytes(std::int64_t bytes) { m_bytesDone += bytes; }
    void addItem() { ++m_itemsDone; }
    void setItem(const QString& item) {
        const std::lock_guard lock(m_mutex);
        m_item = item;
    }
    Progress progress() const {
        const std::lock_guard lock(m_mutex);
        return {m_item, m_bytesDone, m_bytesTotal, m_itemsDone, m_itemsTotal};
    }

private:
    FileFaults* m_faults;
    std::atomic<bool> m_cancelled{false};
    std::atomic<std::int64_t> m_bytesDone{0}, m_bytesTotal{0}, m_itemsDone{0}, m_itemsTotal{0};
    mutable std::mutex m_mutex;
    QString m_item;
};

} // namespace tunewalk
