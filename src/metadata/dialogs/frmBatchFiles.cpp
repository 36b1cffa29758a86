#include "metadata/dialogs/frmBatchFiles.h"

#include "common/PathRules.h"
#include "history/HistoryStore.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/TagHost.h"
#include "metadata/dialogs/frmBatchPreview.h"
#include "shell/Prompter.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunewalk {

frmBatchFiles::frmBatchFiles(TagHost& host, Prompter& prompter, BatchTagOptions options,
                             QWidget* parent)
    : QDialog(parent), m_host(host), m_prompter(prompter), m_options(std::move(options)) {
    setWindowTitle(tr("Choose Files"));

    fileList = new QListWidget(this);
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList->setAccessibleName(tr("Files"));
    btnSelectAll = new QPushButton(tr("Select &All"), this);
    cmdOK = new QPushButton(tr("&OK"), this);
    btnCancel = new QPushButton(tr("&Cancel"), this);

    for (const TagHost::Row& row : m_host.rows()) {
        if (row.kind != RowKind::MP3) continue;
        auto* item = new QListWidgetItem(row.text, fileList);
        // The text may show replacement characters; the run needs the name's real bytes.
        item->setData(Qt::UserRole, fileNamePart(row.key));
        item->setSelected(row.selected);
    }
    if (fileList->count() > 0) fileList->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    // The list sizes to about 16 rows of a long name; a long list scrolls.
    fileList->setFixedSize(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48,
                           fontMetrics().height() * 16);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    cmdOK->setDefault(true);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(btnSelectAll);
    bottom->addStretch();
    bottom->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fileList);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fileList->setFocus();

    connect(btnSelectAll, &QPushButton::clicked, fileList, &QListWidget::selectAll);
    connect(buttons, &QDialogButtonBox::accepted, this, &frmBatchFiles::cmdOK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &frmBatchFiles::reject);
}

void frmBatchFiles::reject() {
    if (m_run && m_run->isRunning()) {
        m_run->cancel();
        return;
    }
    // A finished run has already accepted.
    if (!m_run) QDialog::reject();
}

void frmBatchFiles::cmdOK_Click() {
    if (m_run) return;
    QStringList names;
    for (int i = 0; i < fileList->count(); ++i)
        if (fileList->item(i)->isSelected())
            names << fileList->item(i)->data(Qt::UserRole).toString();
    if (names.isEmpty()) {
        accept();
        return;
    }
    // The user sees what the batch makes of every tag before one is written; Cancel there
    // comes back to the choice of files.
    frmBatchPreview preview(m_host.currentFolder(), names, m_options, this);
    const HistoryStore* history = m_host.history();
    preview.keepPlans(history && history->isOpen());
    if (preview.exec() != QDialog::Accepted) return;

    // Nothing in here may change while the files are written; Cancel stays to stop the run.
    fileList->setEnabled(false);
    btnSelectAll->setEnabled(false);
    cmdOK->setEnabled(false);

    m_run = new BatchTagRun(m_host, m_prompter, names, m_options, this);
    m_run->takePlans(preview.takePlans());
    m_progress =
        new QProgressDialog(tr("Writing the tags..."), tr("&Cancel"), 0, m_run->total(), this);
    m_progress->setWindowTitle(tr("Batch Apply Tags"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(kProgressDelayMs);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    connect(m_progress, &QProgressDialog::canceled, m_run, &BatchTagRun::cancel);
    connect(m_run, &BatchTagRun::progress, m_progress, [this](int done, int total) {
        // Until its timer shows it, the dialog is left alone: given values it would show itself
        // as soon as it guesses the run will be long, and a short batch would flash it.
        if (!m_progress->isVisible()) return;
        m_progress->setLabelText(tr("Writing the tags: %1 of %2 files").arg(done).arg(total));
        m_progress->setValue(done);
    });
    connect(m_run, &BatchTagRun::finished, this, &frmBatchFiles::runFinished);
    // Starts the timer that shows the dialog once the run has lasted kProgressDelayMs.
    m_progress->setValue(0);
    m_run->start();
}

void frmBatchFiles::runFinished() {
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
    }
    const QStringList& failed = m_run->failed();
    if (!failed.isEmpty()) {
        QString names;
        for (const QString& name : failed)
            names += name + QLatin1Char('\n');
        m_prompter.message(tr("The following file(s) were not saved:") + QStringLiteral("\n\n") +
                               names + QLatin1Char('\n') + tr("The file(s) may be in use.") +
                               QStringLiteral("\n\n") + m_run->reasons().join(QLatin1Char('\n')),
                           Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
    }
    accept();
}

} // namespace tunewalk
