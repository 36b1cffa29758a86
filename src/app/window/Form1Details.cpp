// The audio details of the listed rows: track name, length, artist and bitrate.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/listing/AudioDetails.h"
#include "app/listing/DetailReader.h"
#include "app/listing/DetailsCache.h"
#include "app/listing/ListRow.h"
#include "app/listing/ListText.h"
#include "common/PathRules.h"
#include "shell/Prompter.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QSet>
#include <QTreeWidget>
#include <exception>

namespace tunewalk {

namespace {
constexpr std::size_t ApplyBatch = 64;
} // namespace

void Form1::applyDetails(ListRow* row, const AudioDetails& d, bool quiet) {
    row->setCell(Col::Track, d.title);
    row->setCell(Col::Length, d.length);
    row->setCell(Col::Artist, d.artist);
    row->setCell(Col::Bitrate, d.bitrate);
    for (int c = Col::Track; c <= Col::Bitrate; ++c)
        row->setCell(Col::AscFirst + c, QStringLiteral("D_") + row->cell(c));
    row->setCell(Col::AscFirst + Col::Modified, QStringLiteral("D_") + sortableTime(row->modified));
    for (int c = Col::Track; c <= Col::Modified; ++c)
        row->setCell(Col::DescFirst + c,
                     QStringLiteral("B_") + row->cell(Col::AscFirst + c).mid(2));
    // Read from the file as the row's stat found it (a caller with older details says so).
    row->detailsNs = row->modifiedNs;
    row->detailsSize = row->cell(Col::SizeInBytes).toLongLong();
    row->detailsInode = row->inode;
    row->detailsChangedNs = row->changedNs;
    if (!quiet) {
        row->changed();
    } else {
        filterRow(row); // a track name or artist may now match, or no longer
        queueCounts();  // the length
    }
    if (d.hasTitle && row->key == m_playback->currentFile()) {
        panelCurrent->setText(d.title);
        emit playbackChanged();
    }
}

void Form1::applyFolderSize(ListRow* row, qint64 bytes, bool quiet) {
    row->setCell(Col::Size, formatSize(bytes));
    const QString padded = QStringLiteral("C_") + paddedSize(bytes);
    row->setCell(Col::AscFirst + Col::Size, padded);
    row->setCell(Col::DescFirst + Col::Size, padded);
    if (!quiet) row->changed();
}

void Form1::updateFileItem(ListRow* row) {
    if (!row || !row->isFile()) return;
    // The file has just been written by the program: its new size and time are the row's, so
    // the folder watcher finds nothing to do for it.
    const NativeFileInfo info = nativeFileInfo(row->key);
    if (info.isFile) setFileStat(row, info);
    try {
        applyDetails(row, readAudioDetails(row->key, row->kind == RowKind::WAV,
                                           row->cell(Col::SizeInBytes).toLongLong(), oTagEditor(),
                                           wavReader()));
    } catch (const std::exception& e) {
        m_prompter->error(QString::fromLocal8Bit(e.what()));
    }
}

void Form1::detailsChanged(const QString& key) {
    m_changedDetails.insert(key);
    readChangedDetails();
}

void Form1::fillRowDetails(const QString& key) {
    ListRow* row = findRow(key);
    if (!row) return;
    if (row->isFile()) updateFileItem(row);
    // Folder and special rows got their sort keys when they were added.
}

void Form1::fillAllDetails() {
    // The rows the user sees first, then the rest in display order.
    std::vector<const ListRow*> rows;
    QSet<const ListRow*> first;
    for (const QString& name : visibleNames())
        if (const ListRow* row = findRow(joinPath(dirCurrent, name))) {
            rows.push_back(row);
            first.insert(row);
        }
    for (int i = 0, n = ListView1->topLevelItemCount(); i < n; ++i)
        if (const auto* row = static_cast<const ListRow*>(ListView1->topLevelItem(i));
            !first.contains(row))
            rows.push_back(row);
    m_changedDetails.clear();
    startDetails(rows, m_reReadDetails);
    m_reReadDetails = false;
}

bool Form1::detailsCurrent(const ListRow* row) {
    // The cache's own rule for "still the same file".
    const DetailsCache::Entry shown{
        row->detailsSize, row->detailsNs, row->detailsInode, false, {}, row->detailsChangedNs};
    const DetailsCache::Entry now{row->cell(Col::SizeInBytes).toLongLong(),
                                  row->modifiedNs,
                                  row->inode,
                                  false,
                                  {},
                                  row->changedNs};
    return row->detailsNs != 0 && shown.matches(now);
}

void Form1::readChangedDetails() {
    if (m_changedDetails.isEmpty() || !m_fillingFolder.isEmpty() || m_scan->isRunning()) return;
    std::vector<const ListRow*> rows;
    for (const QString& key : std::as_const(m_changedDetails))
        if (const ListRow* row = findRow(key)) rows.push_back(row);
    m_changedDetails.clear();
    startDetails(rows, true);
}

void Form1::startDetails(const std::vector<const ListRow*>& rows, bool reread) {
    m_fillingFolder.clear();
    std::vector<DetailReader::Job> jobs;
    const bool folderSizes = mnuFolderSizes->isChecked();
    for (const ListRow* row : rows) {
        if (row->isFile() && !reread && detailsCurrent(row)) continue; // from the cache
        if (row->isFile())
            jobs.push_back(
                {row->key,
                 row->kind == RowKind::WAV ? DetailReader::Kind::WAV : DetailReader::Kind::MP3,
                 row->cell(Col::SizeInBytes).toLongLong(), row->modifiedNs, row->inode,
                 row->changedNs});
        else if (folderSizes && row->kind == RowKind::Folder && !reread)
            jobs.push_back({row->key, DetailReader::Kind::FolderSize, 0});
    }
    if (jobs.empty()) {
        emit detailsFilled();
        return;
    }
    m_fillingFolder = dirCurrent;
    DetailReader::Options options;
    options.useCache = mnuDetailsCache->isChecked();
    options.reread = reread;
    m_detailReader->start(std::move(jobs), options);
}

bool Form1::isFillingDetails() const {
    // The watcher's updates count too: a file another program added is being filled in.
    return m_scan->isRunning() || m_statsStage || Timer2.isActive() || !m_fillingFolder.isEmpty() ||
           m_update->isRunning() || !m_changedDetails.isEmpty();
}

void Form1::drainDetails() {
    if (m_fillingFolder.isEmpty()) return;
    if (m_fillingFolder != dirCurrent) {
        m_detailReader->cancel();
        m_fillingFolder.clear();
        return;
    }
    // Whether the worker had finished before this turn: only then does an empty queue mean
    // that every row has been read. A worker that finishes meanwhile sends `finished`, which
    // brings another turn.
    const bool workerDone = !m_detailReader->isRunning();
    QElapsedTimer clock;
    clock.start();
    bool empty = false;
    while (!empty && clock.elapsed() < ApplyBudgetMs) {
        const auto batch = m_detailReader->take(ApplyBatch);
        empty = batch.size() < ApplyBatch;
        for (const DetailReader::Result& result : batch) {
            // The row may have been renamed, moved or deleted meanwhile.
            ListRow* row = findRow(result.key);
            if (!row) continue;
            if (result.kind == DetailReader::Kind::FolderSize)
                applyFolderSize(row, result.folderSize, true);
            else
                applyDetails(row, result.details, true);
        }
    }
    ListView1->viewport()->update();
    if (!empty) {
        // Give the window its turn, then carry on with what has arrived.
        QTimer::singleShot(0, this, &Form1::drainDetails);
        return;
    }
    if (workerDone) {
        m_fillingFolder.clear();
        sortAfterStage({Col::Track, Col::Length, Col::Artist, Col::Bitrate, Col::Modified,
                        mnuFolderSizes->isChecked() ? Col::Size : -1});
        emit detailsFilled();
        readChangedDetails(); // files another program changed meanwhile
    }
}

} // namespace tunewalk
