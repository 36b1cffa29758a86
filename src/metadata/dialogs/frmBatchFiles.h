#pragma once

#include "metadata/codec/BatchTagging.h"

#include <QDialog>
#include <QPointer>
#include <QProgressDialog>

class QListWidget;
class QPushButton;

namespace tunewalk {

class BatchTagRun;
class Prompter;
class TagHost;

// "Choose Files": the MP3 files of the host's list, with the host's selection, and the run of
// the batch over the chosen ones once the user has seen and applied its preview. A long run shows
// its progress with a Cancel button; the dialog accepts when the run is over (or when nothing was
// chosen), and rejects only when closed before a run.
class frmBatchFiles : public QDialog {
    Q_OBJECT
public:
    frmBatchFiles(TagHost& host, Prompter& prompter, BatchTagOptions options,
                  QWidget* parent = nullptr);

    // Null until OK started a run; it stays after the run for whoever wants its results.
    BatchTagRun* run() const { return m_run; }
    // Only while a run lasts.
    QProgressDialog* progressDialog() const { return m_progress; }

    // During a run, Escape, the close button and btnCancel stop the run instead.
    void reject() override;

    QListWidget* fileList;
    QPushButton* btnSelectAll;
    QPushButton* cmdOK;
    QPushButton* btnCancel;

    // How soon the progress shows: a short batch finishes without it.
    static constexpr int kProgressDelayMs = 500;

private:
    void cmdOK_Click();
    void runFinished();

    TagHost& m_host;
    Prompter& m_prompter;
    const BatchTagOptions m_options;
    BatchTagRun* m_run = nullptr;
    QPointer<QProgressDialog> m_progress;
};

} // namespace tunewalk
