#include "metadata/dialogs/BatchTagRun.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/ResultText.h"
#include "history/KeptFiles.h"
#include "metadata/dialogs/TagsInStep.h"
#include "metadata/tags/TagSaving.h"
#include "history/FileChanges.h"
#include "metadata/dialogs/KeptTime.h"
#include "metadata/dialogs/TagHost.h"
#include "shell/Prompter.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>

namespace tunewalk {
namespace {

// The name as tag bytes. The list shows names the tag may not be able to hold: such a
// character becomes '?', as it always did on the system code page. A byte of a name that is
// not valid text (an old Latin-1 name) is already the tag's own letter.
std::string latin1Name(const QString& name) {
    std::string out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c <= 0xFF)
            out += static_cast<char>(c);
        else if (c >= 0xDC80 && c <= 0xDCFF) // a raw byte, carried as a lone surrogate
            out += static_cast<char>(c - 0xDC80 + 0x80);
        else
            out += '?';
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i; // one character beyond the 16-bit range, one '?'
    }
    return out;
}

// Whether the file is still as it was when the tag it ends with was read ahead: the same size
// and time (so the bytes held are the ones a save replaces, with no second read).
bool asPlanned(const HistoryStore::Change& c, const std::optional<BinaryFile::Stamp>& now) {
    const qint64 size = c.noTagBefore ? c.offset : c.offset + qint64(c.before.size());
    return now && now->size == size && now->modifiedNs == c.modifiedNsBefore;
}

} // namespace

std::string batchBaseName(const QString& name) {
    // Names of MP3 rows end in ".mp3".
    return latin1Name(name.left(qMax(0, name.size() - 4)));
}

BatchTagRun::BatchTagRun(TagHost& host, Prompter& prompter, QStringList names,
                         BatchTagOptions options, QObject* parent)
    : QObject(parent), m_host(host), m_prompter(prompter), m_names(std::move(names)),
      m_options(std::move(options)) {
    m_turns.setSingleShot(true);
    // A millisecond between turns rather than none: with a zero timer always pending, the
    // window's other timers are served only every other turn.
    m_turns.setInterval(1);
    connect(&m_turns, &QTimer::timeout, this, &BatchTagRun::turn);
}

void BatchTagRun::start() {
    if (m_running || m_next > 0) return;
    m_folder = m_host.currentFolder();
    m_record.emplace(m_host.history(), HistoryStore::EntryKind::BatchTag,
                     total() == 1 ? tr("Batch tag 1 file")
                                  : tr("Batch tag %1 files").arg(QLocale().toString(total())));
    // Without a history there is nothing to read ahead.
    const HistoryStore* store = m_host.history();
    if (!store || !store->isOpen()) {
        m_planned = total();
    } else if (m_plans.size() == std::size_t(total())) {
        for (HistoryStore::Change& c : m_plans)
            m_record->plan(std::move(c));
        m_planned = total();
        m_record->begin();
    }
    m_plans.clear();
    m_running = true;
    m_turns.start();
}

void BatchTagRun::cancel() {
    if (m_running) m_cancelled = true;
}

void BatchTagRun::turn() {
    QElapsedTimer clock;
    clock.start();
    // At least one file per turn, however slow the files are. The tags the run replaces are
    // read in turns too (a thousand files on a slow share take a while), and written ahead as
    // one record before the first file is written.
    while (!m_cancelled && m_next < total()) {
        if (m_planned < total()) {
            m_record->plan(history::tagWrite(joinPath(m_folder, m_names[m_planned++])));
            if (m_planned == total()) m_record->begin();
        } else {
            tagOne(m_next++);
        }
        if (clock.elapsed() >= kTurnMs) break;
    }
    emit progress(m_next, total());
    // The progress signal may have run events, a cancel among them.
    if (m_cancelled || m_next >= total())
        finish();
    else
        m_turns.start();
}

bool BatchTagRun::offerRetry(const QString& name) {
    return m_prompter.message(tr("%1 has changed since it was read, so its tag was not saved."
                                 "\n\nRead it again and apply the batch to it?")
                                  .arg(name),
                              Prompter::Icon::Exclamation,
                              Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
}

void BatchTagRun::tagOne(int index) {
    const QString& name = m_names[index];
    const QString path = joinPath(m_folder, name);
    const QString shown = displayPath(name);
    const auto at = static_cast<std::size_t>(index);
    Result saved = Result::ok();
    std::optional<KeptTime> time;
    do {
        // The load's result is not looked at: the save refuses a file that did not load, and
        // the summary names it.
        m_editor.LoadMP3(toNativePath(path).toStdString());
        // A file changed since its tag was read ahead (or read again after a refused save) is
        // read once more: the record keeps what this save replaces, not what was there before.
        if (m_record->recording() && !asPlanned(m_record->change(at), m_editor.Stamp()))
            m_record->change(at) = history::tagWrite(path);
        const Id3v1Values loaded = id3v1ValuesOf(m_editor);
        applyBatchTags(m_editor, m_options, batchBaseName(name));
        time.emplace(m_host, path);
        if (m_host.keepOtherTagsInStep() && m_editor.OtherTags() && !m_editor.HeaderChanged()) {
            saved = saveInStep(index, changedFields(loaded, id3v1ValuesOf(m_editor)));
            if (!saved) {
                m_failed << shown;
                m_reasons << messageText(saved);
                return;
            }
            ++m_saved;
            time->restore();
            if (m_record->recording()) m_record->made(at);
            if (!m_host.refreshRow(path))
                m_prompter.message(tr("%1 was saved, but the list no longer shows it.").arg(shown),
                                   Prompter::Icon::None, Prompter::Buttons::Ok);
            return;
        }
        saved = m_editor.SaveMP3(false);
    } while (!saved && m_editor.ChangedSinceLoad() && offerRetry(shown));
    if (!saved) {
        m_failed << shown;
        m_reasons << messageText(saved);
        return;
    }
    ++m_saved;
    // Before the record takes the file as it is now, so it holds the time the file keeps.
    time->restore();
    if (m_record->recording()) {
        // The save tells what it wrote and how it left the file; the file is looked at again
        // only when its time was put back or it is not as planned.
        const auto& stamp = m_editor.Stamp();
        if (m_host.keepModificationTimes() || !stamp ||
            stamp->size != m_record->change(at).offset + 128)
            m_record->made(at);
        else
            m_record->made(at, QByteArray::fromStdString(m_editor.WrittenTag()), stamp->size,
                           stamp->modifiedNs);
    }
    if (!m_host.refreshRow(path))
        m_prompter.message(tr("%1 was saved, but the list no longer shows it.").arg(shown),
                           Prompter::Icon::None, Prompter::Buttons::Ok);
}

Result BatchTagRun::saveInStep(int index, const TagFields& fields) {
    const QString path = joinPath(m_folder, m_names[index]);
    const std::string native = toNativePath(path).toStdString();
    HistoryStore* store = m_host.history();
    QString why;
    const std::optional<FileTagSave> save = prepareTagSave(
        path, fields, inStepOptions(m_host.tagWriteOptions(), m_editor),
        store ? history::keptFolderFor(store->path()) : QString(), &why);
    // The record written ahead held the ID3v1 tag alone; it keeps what this save does instead.
    if (save && m_record->recording()) m_record->change(std::size_t(index)) = save->change;
    if (save && carryOutTagSave(*save, m_record->recording(), &why)) return Result::ok();
    return Result::failure(native, why.toStdString());
}

void BatchTagRun::finish() {
    // Files that failed or were never reached are left out of the history.
    m_record->finish();
    if (m_record->recording()) m_host.recorded();
    m_running = false;
    emit finished();
}

} // namespace tunewalk
