// The list's chosen columns (the header's pop-up menu) and how files are read: every format
// and tag, and the code page of old tags.
#include "app/window/Form1.h"
#include "app/window/Form1Menus.h"

#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "common/RowKind.h"
#include "common/SettingsStore.h"

#include <QActionGroup>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace tunewalk {

const char* columnKey(int column); // Form1.cpp

namespace {
const QString ColumnsKey = QStringLiteral("Columns");
const QString ReadAllKey = QStringLiteral("ReadAllTags");
const QString EncodingKey = QStringLiteral("ID3v1Encoding");
} // namespace

void Form1::createColumnChooser() {
    QHeaderView* header = ListView1->header();
    m_columnMenu = new QMenu(this);
    m_columnMenu->setObjectName(QStringLiteral("mnuColumns"));
    m_menus.insert(QStringLiteral("mnuColumns"), m_columnMenu);
    for (int c = Col::FirstChosen; c < Col::Count; ++c) {
        QAction* a = m_columnMenu->addAction(
            m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        a->setCheckable(true);
        a->setData(c);
        connect(a, &QAction::triggered, this, [this, c](bool on) { chooseColumn(c, on); });
    }
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](QPoint at) {
        for (QAction* a : m_columnMenu->actions())
            a->setChecked(!ListView1->isColumnHidden(a->data().toInt()));
        m_columnMenu->popup(header->mapToGlobal(at));
    });
    applyChosenColumns();
}

void Form1::applyChosenColumns() {
    QStringList chosen;
    for (const QString& key : setting(ColumnsKey, QString()).split(QLatin1Char(',')))
        chosen << key.trimmed(); // "Album, Year" typed by hand reads the same
    for (int c = Col::FirstChosen; c < Col::Count; ++c)
        ListView1->setColumnHidden(c, !chosen.contains(QLatin1String(columnKey(c))));
}

void Form1::chooseColumn(int column, bool on) {
    if (ListView1->isColumnHidden(column) != on) return;
    ListView1->setColumnHidden(column, !on);
    if (on && ListView1->columnWidth(column) < ListView1->header()->minimumSectionSize())
        ListView1->resizeColumnToContents(column);
    QStringList chosen;
    for (int c = Col::FirstChosen; c < Col::Count; ++c)
        if (!ListView1->isColumnHidden(c)) chosen << QLatin1String(columnKey(c));
    m_settings->save(SettingsStore::Settings, ColumnsKey, chosen.join(QLatin1Char(',')));
    if (!m_columnsSaved) fitColumns(true);
}

void Form1::createReadingMenu(QMenu* settings) {
    ui.mnuReadAllTags = toggle(settings, tr("Read All Audio &Formats and Tags"), ReadAllKey,
                               &Form1::onReadingChanged);
    ui.mnuEncoding = settings->addMenu(tr("ID3v1 Text &Encoding"));
    auto* pages = new QActionGroup(this);
    for (const CodePage page : allCodePages()) {
        const QString name = QString::fromStdString(codePageName(page));
        QAction* a =
            ui.mnuEncoding->addAction(page == CodePage::Automatic ? tr("Automatic") : name);
        a->setCheckable(true);
        a->setData(name);
        pages->addAction(a);
        connect(a, &QAction::triggered, this, [this, name] {
            m_settings->save(SettingsStore::Settings, EncodingKey, name);
            onReadingChanged();
        });
    }
}

void Form1::applyReadingSettings() {
    ui.mnuReadAllTags->setChecked(setting(ReadAllKey, QStringLiteral("True")) !=
                                  QLatin1String("False"));
    const QString page = setting(EncodingKey, QStringLiteral("Latin-1"));
    const bool known = codePageFromName(page.toStdString()).has_value();
    for (QAction* a : ui.mnuEncoding->actions())
        a->setChecked(a->data().toString() == (known ? page : QStringLiteral("Latin-1")));
    setAllAudioKindsListed(ui.mnuReadAllTags->isChecked());
}

DetailOptions Form1::detailOptions() const {
    DetailOptions options;
    options.allTags = ui.mnuReadAllTags->isChecked();
    for (const QAction* a : ui.mnuEncoding->actions())
        if (a->isChecked())
            options.codePage =
                codePageFromName(a->data().toString().toStdString()).value_or(CodePage::Latin1);
    return options;
}

bool Form1::readsAllTags() const {
    return ui.mnuReadAllTags->isChecked();
}

TagWriteOptions Form1::tagWriteOptions() const {
    TagWriteOptions options;
    options.id3v2Version = setting(QStringLiteral("ID3v2Version"), QStringLiteral("2.4")) ==
                                   QLatin1String("2.3")
                               ? 3
                               : 4;
    options.id3v1Page = detailOptions().codePage;
    return options;
}

void Form1::onReadingChanged() {
    setAllAudioKindsListed(ui.mnuReadAllTags->isChecked());
    // The listed folder again: rows of the formats come or go, and every file shows what is
    // now read of it (the cache keeps what was read otherwise apart).
    if (!dirCurrent.isEmpty()) ui.mnuRefresh->trigger();
}

} // namespace tunewalk
