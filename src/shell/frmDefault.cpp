#include "shell/frmDefault.h"

#include "common/SettingsStore.h"
#include "shell/Prompter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunewalk {

namespace {

const QString key = QStringLiteral("DefaultPath");

} // namespace

frmDefault::frmDefault(SettingsStore& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), Label1(new QLabel(tr("Current Default Directory:"), this)),
      txtMessage(new QLabel(this)), btnChange(new QPushButton(tr("Change Setting..."), this)),
      btnDelete(new QPushButton(tr("Delete Setting"), this)),
      btnOK(new QPushButton(tr("OK"), this)), m_settings(settings), m_prompter(prompter) {
    setWindowTitle(tr("Default Directory"));
    Label1->setObjectName(QStringLiteral("Label1"));
    txtMessage->setObjectName(QStringLiteral("txtMessage"));
    btnChange->setObjectName(QStringLiteral("btnChange"));
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    btnOK->setObjectName(QStringLiteral("btnOK"));

    // A path is worth copying from here; the frame sets it off from the heading.
    txtMessage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    txtMessage->setFrameShape(QFrame::StyledPanel);
    txtMessage->setTextFormat(Qt::PlainText);
    txtMessage->setWordWrap(true);
    txtMessage->setMinimumWidth(360);
    Label1->setBuddy(txtMessage);
    btnOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnChange);
    buttons->addWidget(btnDelete);
    buttons->addStretch();
    buttons->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtMessage);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnChange, &QPushButton::clicked, this, &frmDefault::change);
    connect(btnDelete, &QPushButton::clicked, this, &frmDefault::deleteSetting);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    const QString path = m_settings.get(SettingsStore::Settings, key, SettingsStore::None);
    if (path != SettingsStore::None)
        showPath(path);
    else
        showNone();
}

void frmDefault::change() {
    const QString current = m_settings.get(SettingsStore::Settings, key, SettingsStore::None);
    const QString folder = m_prompter.pickFolder(
        tr("Select a Folder"), current != SettingsStore::None ? current : QString());
    if (folder.isEmpty()) return;
    m_settings.save(SettingsStore::Settings, key, folder);
    showPath(folder);
}

void frmDefault::deleteSetting() {
    m_settings.remove(SettingsStore::Settings, key);
    showNone();
}

void frmDefault::showNone() {
    txtMessage->setText(tr("There is no currently selected default directory."));
    btnDelete->setEnabled(false);
}

void frmDefault::showPath(const QString& path) {
    txtMessage->setText(path);
    btnDelete->setEnabled(true);
}

} // namespace tunewalk
