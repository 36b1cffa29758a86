// The playing list: the rows Play All walks. It is the listed folder's rows shown while the
// playing file is listed; once the user lists another folder, the playing folder's rows as they
// were then (with the setting on). What plays next is decided ahead from it, so the player can
// go on without a gap, and the window follows the player's switch.
#include "app/window/Form1.h"

#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/playback/MediaPlayer.h"
#include "app/playback/PlayList.h"
#include "app/playback/Playback.h"
#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QStatusBar>
#include <QTreeView>

namespace tunewalk {

namespace {
constexpr int NoticeMs = 10000;
} // namespace

// The listed folder's rows, as the filter shows them, in display order.
class ShownRows : public PlayList {
public:
    explicit ShownRows(const Form1& window) : m_window(window) {}
    bool holds(const QString& key) const override { return m_window.findRow(key) != nullptr; }
    QString neighbour(const QString& key, int step) const override {
        const ListEntry* next = m_window.shownNeighbour(m_window.findRow(key), step);
        return next ? next->key : QString();
    }
    bool opensAsFolder(const QString& key) const override {
        const ListEntry* row = m_window.findRow(key);
        return row && row->opensAsFolder();
    }
    QString firstFile() const override {
        for (int i = 0, n = m_window.m_sortModel->rowCount(); i < n; ++i)
            if (m_window.m_sortModel->entryAt(i).isFile())
                return m_window.m_sortModel->entryAt(i).key;
        return {};
    }

private:
    const Form1& m_window;
};

void Form1::connectPlayingList() {
    m_shownRows = std::make_shared<ShownRows>(*this);
    // What plays next is asked again, once, after anything that may change it.
    m_nextTimer.setSingleShot(true);
    m_nextTimer.setInterval(0);
    connect(&m_nextTimer, &QTimer::timeout, this, &Form1::prepareNext);
    const auto again = [this] { m_nextTimer.start(); };
    connect(m_sortModel, &QAbstractItemModel::layoutChanged, this, again);
    connect(m_sortModel, &QAbstractItemModel::modelReset, this, again);
    connect(m_sortModel, &QAbstractItemModel::rowsInserted, this, again);
    connect(m_sortModel, &QAbstractItemModel::rowsRemoved, this, again);
    connect(m_sortModel, &QAbstractItemModel::rowsMoved, this, again);
    connect(ui.mnuAll, &QAction::toggled, this, again);
    connect(ui.mnuRepeat, &QAction::toggled, this, again);
    connect(ui.mnuPlayingList, &QAction::toggled, this, again);
    connect(m_playback, &Playback::playing, this, again);
    connect(m_playback, &Playback::handedOver, this, again);
    connect(m_playback, &Playback::switched, this, &Form1::followSwitch);
}

const PlayList* Form1::playingList(const QString& key) const {
    if (key.isEmpty()) return nullptr;
    if (findRow(key)) return m_shownRows.get();
    if (ui.mnuPlayingList->isChecked() && m_keptList && m_keptList->holds(key))
        return m_keptList.get();
    return nullptr;
}

void Form1::keepPlayingList(const QString& nextFolder) {
    const QString playing = m_playback->currentFile();
    if (!ui.mnuPlayingList->isChecked() || playing.isEmpty() || !findRow(playing)) return;
    if (samePath(nextFolder, dirCurrent)) return;
    std::vector<KeptPlayList::Row> rows;
    rows.reserve(std::size_t(m_sortModel->rowCount()));
    for (int i = 0, n = m_sortModel->rowCount(); i < n; ++i) {
        const ListEntry& e = m_sortModel->entryAt(i);
        rows.push_back({e.key, e.isFile(), e.details.hasTitle() ? e.details.title : QString()});
    }
    m_keptList = std::make_unique<KeptPlayList>(dirCurrent, std::move(rows));
}

void Form1::forgetKeptList() {
    // Listed again, the playing folder's own rows are the playing list.
    if (m_keptList && findRow(m_playback->currentFile())) m_keptList.reset();
}

void Form1::prepareNext() {
    const QString current = m_playback->currentFile();
    if (current.isEmpty() || !m_playback->isPlaying() || !m_player->playsGapless()) return;
    const auto tell = [this](const QString& after) {
        const AfterEnd next =
            afterEnd(playingList(after), after, ui.mnuAll->isChecked(), ui.mnuRepeat->isChecked());
        m_playback->setNextFile(after, next.what == AfterEnd::Play ? next.key : QString());
    };
    tell(current);
    // A short file handed over already needs its own next before it is heard.
    if (const QString handed = m_playback->handedOverFile(); !handed.isEmpty()) tell(handed);
}

bool Form1::selectionFollowsPlaying(const QString& key) const {
    // Without the setting the selection always follows, as it did.
    if (!ui.mnuPlayingList->isChecked()) return true;
    const QModelIndexList selected = ListView1->selectionModel()->selectedRows();
    if (selected.isEmpty()) return true;
    return selected.size() == 1 && rowAt(selected.first()) && rowAt(selected.first())->key == key;
}

void Form1::followSwitch(const QString& from, const QString& to) {
    m_failedInARow.clear();
    const bool follow = selectionFollowsPlaying(from);
    m_model->setPlayingKey(findRow(to) ? to : QString());
    if (follow && findRow(to) && to != from) {
        const QModelIndex index = viewIndex(to);
        if (index.isValid()) {
            ListView1->setCurrentIndex(index);
            handleRowClick(rowAt(index));
            ListView1->scrollTo(index);
            selectOnly();
        }
    }
    const QString text = currentText(to);
    panelCurrent->setText(text);
    if (isMinimized()) setWindowTitle(text);
    updateCommandStates(false);
    setTrayTip(tr("Playing: ") + text);
    prepareNext();
}

void Form1::showNotice(const QString& text) {
    statusBar()->showMessage(text, NoticeMs);
}

bool Form1::skipFailedFile(const QString& key, const QString& description) {
    // A file that cannot play while Play All runs is named and passed over, once: a list of
    // nothing but such files ends the second time round.
    if (!ui.mnuPlayingList->isChecked() || !ui.mnuAll->isChecked() || !playingList(key) ||
        m_failedInARow.contains(key))
        return false;
    m_failedInARow.insert(key);
    showNotice(tr("Skipped %1: %2").arg(displayPath(fileNamePart(key)), description));
    playNext(key, true);
    return true;
}

} // namespace tunewalk
