#include "shell/frmAbout.h"

#include "shell/Prompter.h"
#include "shell/ShellOperations.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunewalk {

namespace {

const QString title = QStringLiteral("Tunewalk");
const QString companyName = QStringLiteral("Brookvale Solutions, Inc");
// The version record's major.minor.revision, for when the application object carries none
// (tests, tools that embed the dialog).
const QString version = QStringLiteral("2.0.7");

QFont titleFont(const QFont& base) {
    QFont font = base;
    const QString impact = QStringLiteral("Impact");
    if (QFontDatabase::families().contains(impact)) {
        font.setFamily(impact);
    } else {
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(24);
    font.setBold(true);
    return font;
}

} // namespace

frmAbout::frmAbout(ShellOperations& shell, Prompter& prompter, QWidget* parent)
    : QDialog(parent), picIcon(new QLabel(this)), lblTitle(new QLabel(this)),
      lblVersion(new QLabel(this)), Label1(new QLabel(tr("by"), this)),
      lblBrookvale(new QLabel(this)), lblDescription(new QLabel(this)), Line1(new QFrame(this)),
      cmdOK(new QPushButton(tr("&OK"), this)),
      cmdSysInfo(new QPushButton(tr("&System Info..."), this)), m_shell(shell),
      m_prompter(prompter) {
    picIcon->setObjectName(QStringLiteral("picIcon"));
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Label1->setObjectName(QStringLiteral("Label1"));
    lblBrookvale->setObjectName(QStringLiteral("lblBrookvale"));
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    Line1->setObjectName(QStringLiteral("Line1"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));

    setWindowTitle(tr("About %1").arg(title));
    const QString appVersion = QCoreApplication::applicationVersion();
    lblVersion->setText(tr("Version %1").arg(appVersion.isEmpty() ? version : appVersion));
    lblTitle->setText(title);
    lblTitle->setFont(titleFont(lblTitle->font()));
    lblBrookvale->setText(companyName);
    lblDescription->setText(
        title +
        tr(" is a program that lets you treat a directory as a playlist for MP3 and WAV "
           "files. ") +
        tr("You can navigate the directory structure of your system and move files by dragging "
           "them to and from folders. ") +
        tr("You can move files to the parent directory by dragging them to the 'Up' icon in the "
           "toolbar. ") +
        title + tr(" also displays and allows the editing of audio headers and ID3v1 MP3 tags."));
    for (QLabel* label : {lblTitle, lblVersion, Label1, lblBrookvale, lblDescription})
        label->setTextFormat(Qt::PlainText);
    lblDescription->setWordWrap(true);
    lblDescription->setMinimumWidth(380);

    picIcon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    picIcon->setFixedSize(32, 32);
    picIcon->setAccessibleName(tr("Program icon"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    cmdOK->setDefault(true);

    auto* heading = new QVBoxLayout;
    heading->setSpacing(2);
    heading->addWidget(lblTitle);
    heading->addWidget(lblVersion);
    auto* byLine = new QHBoxLayout;
    byLine->addWidget(Label1);
    byLine->addWidget(lblBrookvale);
    byLine->addStretch();
    heading->addLayout(byLine);

    auto* top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(8);
    top->addLayout(heading, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addWidget(lblDescription);
    layout->addSpacing(6);
    layout->addWidget(Line1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

void frmAbout::StartSysInfo() {
    if (!m_shell.startSystemInfo())
        m_prompter.message(tr("System Information Is Unavailable At This Time"),
                           Prompter::Icon::None, Prompter::Buttons::Ok);
}

} // namespace tunewalk
