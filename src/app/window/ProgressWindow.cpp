#include "app/window/ProgressWindow.h"

#include "common/Duration.h"
#include "common/SizeText.h"
#include "fileops/FileJobRunner.h"
#include "shell/Prompter.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tunewalk {

ProgressWindow::ProgressWindow(FileJobRunner& runner, QWidget* parent)
    : QDialog(parent), m_runner(runner), m_title(new QLabel(this)), m_item(new QLabel(this)),
      m_detail(new QLabel(this)), m_bar(new QProgressBar(this)) {
    setWindowTitle(Prompter::caption());
    setObjectName(QStringLiteral("ProgressWindow"));
    m_title->setWordWrap(true);
    m_item->setTextFormat(Qt::PlainText);
    m_item->setMinimumWidth(360);
    m_bar->setAccessibleName(tr("Progress"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_item),
                       static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_detail),
                       static_cast<QWidget*>(buttons)})
        layout->addWidget(w);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        if (FileJob* job = m_runner.current()) job->cancel();
        m_cancel->setEnabled(false);
        m_detail->setText(tr("Cancelling..."));
    });
    // Closing the window (Escape, the title bar) cancels, as desktop copy windows do.
    connect(this, &QDialog::rejected, m_cancel, &QPushButton::click);
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &ProgressWindow::refresh);
    connect(&runner, &FileJobRunner::started, this, &ProgressWindow::jobStarted);
    connect(&runner, &FileJobRunner::finished, this, [this] {
        m_timer.stop();
        hide();
    });
}

void ProgressWindow::jobStarted() {
    m_clock.start();
    m_cancel->setEnabled(true);
    m_timer.start();
}

void ProgressWindow::refresh() {
    const FileJob* job = m_runner.current();
    if (!job) return;
    if (!isVisible()) {
        if (m_clock.elapsed() < ShowAfterMs) return;
        show();
    }
    const FileJob::Progress p = job->progress();
    m_title->setText(m_runner.currentTitle());
    m_item->setText(m_item->fontMetrics().elidedText(p.item, Qt::ElideMiddle, m_item->width()));
    m_item->setToolTip(p.item);
    if (!m_cancel->isEnabled()) return; // cancelling: the texts stay as they were
    const double seconds = std::max<qint64>(1, m_clock.elapsed()) / 1000.0;
    if (p.bytesTotal > 0) {
        // Percent of the bytes: a 2 GB copy overflows a progress bar's int.
        m_bar->setRange(0, 1000);
        m_bar->setValue(int(1000.0 * double(p.bytesDone) / double(p.bytesTotal)));
        const double speed = double(p.bytesDone) / seconds;
        QString text = tr("%1 of %2").arg(formatSize(p.bytesDone), formatSize(p.bytesTotal));
        if (speed > 0)
            text += tr(", %1/s, %2 left")
                        .arg(formatSize(qint64(speed)),
                             QString::fromStdString(
                                 Duration::fromSeconds(
                                     std::int64_t(double(p.bytesTotal - p.bytesDone) / speed))
                                     .toString()));
        m_detail->setText(text);
    } else {
        m_bar->setRange(0, int(std::max<qint64>(1, p.itemsTotal)));
        m_bar->setValue(int(std::min(p.itemsDone, p.itemsTotal)));
        m_detail->setText(tr("%1 of %2 items").arg(p.itemsDone).arg(p.itemsTotal));
    }
}

} // namespace tunewalk
