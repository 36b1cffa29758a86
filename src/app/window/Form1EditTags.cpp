// Edit Tags: the tags of the selected audio files of every kind, and the Settings menu's choice
// of the ID3v2 version MP3 tags are saved in.
#include "app/window/Form1.h"
#include "app/window/Form1Menus.h"

#include "app/window/WindowTagHost.h"
#include "common/SettingsStore.h"
#include "metadata/dialogs/frmEditTags.h"

#include <QActionGroup>
#include <QMenu>

namespace tunewalk {

namespace {
const QString VersionKey = QStringLiteral("ID3v2Version");
const QString DefaultVersion = QStringLiteral("2.4");
} // namespace

void Form1::createTagWritingMenu(QMenu* settings) {
    ui.mnuID3v2Version = settings->addMenu(tr("ID3v2 &Version"));
    auto* versions = new QActionGroup(this);
    for (const auto& [caption, value] :
         {std::pair{tr("2.&4"), QStringLiteral("2.4")}, {tr("2.&3"), QStringLiteral("2.3")}}) {
        QAction* a = ui.mnuID3v2Version->addAction(caption);
        a->setCheckable(true);
        a->setData(value);
        versions->addAction(a);
    }
    connect(versions, &QActionGroup::triggered, this, [this](QAction* a) {
        m_settings->save(SettingsStore::Settings, VersionKey, a->data().toString());
        reportSettingsFailure();
    });
    m_menus.insert(QStringLiteral("mnuID3v2Version"), ui.mnuID3v2Version);
}

void Form1::applyTagWritingSettings() {
    const QString saved = setting(VersionKey, DefaultVersion);
    const bool known = saved == QLatin1String("2.4") || saved == QLatin1String("2.3");
    for (QAction* a : ui.mnuID3v2Version->actions())
        a->setChecked(a->data().toString() == (known ? saved : DefaultVersion));
}

void Form1::editAudioTagsCommand() {
    if (getFileSelCount() == 0) return;
    WindowTagHost host(*this);
    frmEditTags dialog(host, *m_prompter, detailOptions().codePage, this);
    if (dialog.load()) dialog.exec();
    refitAfterEdits();
}

} // namespace tunewalk
