#pragma once

#include "metadata/tags/TagWriter.h"

#include <taglib/tiostream.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tunewalk {

// A file as the tag library edits it, with every write kept in memory: the library reads the
// file and writes, inserts and removes as it would on the disk, and nothing reaches the disk.
// Afterwards the new file is a list of pieces, each either bytes of the original at some offset
// or bytes written, which tells whether the audio moved (a whole rewrite) or which stretches
// changed (a save in place), and gives the new file's bytes without holding the audio.
class PlannedFile : public TagLib::IOStream {
public:
    // The regular file at `path` (links followed), opened to read without blocking; null, with
    // `why`, when it is not one or cannot be read.
    static std::shared_ptr<PlannedFile> open(const std::string& path, std::string* why);
    ~PlannedFile() override;

    // What the edits made of the file; the file is closed (the plan holds the edits).
    static std::optional<TagSavePlan> planOf(const std::shared_ptr<PlannedFile>& file,
                                             std::string* why);

    // Writes the new file whole to the descriptor `out`, the original's bytes read from `in`.
    // Empty when it went, else the system's reason.
    std::string writeWhole(int in, int out) const;

    TagLib::FileName name() const override { return m_path.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return false; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return static_cast<long>(m_pos); }
    long length() override { return static_cast<long>(m_size); }
    void truncate(long length) override;

private:
    PlannedFile() = default;
    struct Piece {
        std::int64_t from = 0;   // in the original, or in `bytes`
        std::int64_t length = 0;
        std::shared_ptr<const std::string> bytes; // null: the original's
    };
    // The bytes at [at, at + remove) become `data`.
    void replace(std::int64_t at, std::int64_t remove, const char* data, std::size_t n);
    // The index of the piece that starts at `at`, splitting the one it falls into.
    std::size_t splitAt(std::int64_t at);
    // The original's bytes, read from the descriptor the plan was made from.
    std::string original(std::int64_t offset, std::int64_t length) const;

    std::string m_path;
    int m_fd = -1;
    std::int64_t m_originalSize = 0;
    std::int64_t m_size = 0;
    std::int64_t m_pos = 0;
    std::int64_t m_modifiedNs = 0;
    std::uint64_t m_device = 0, m_inode = 0;
    std::vector<Piece> m_pieces;
};

} // namespace tunewalk
