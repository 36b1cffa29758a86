#pragma once

#include "metadata/naming/NamingInput.h"
#include "metadata/naming/TagPatterns.h"

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tunewalk {

class NamingPreviewModel;
class ReturnAddress;
class SettingsStore;

// What "Rename from Tags" and "Tags from File Names" share: a pattern, typed or chosen from the
// last few used, and a preview of every file's old and new values, which follows each key
// typed. The files' tags are read first (on a worker when there are more than a few); OK is
// offered once they are, while no file has a problem that keeps the run from starting, and
// something would change.
class frmNamingPreview : public QDialog {
    Q_OBJECT
public:
    enum Column { File, Before, After, Problem, ColumnCount };
    struct Row {
        QString file, before, after, problem;
        RowState state = RowState::Skipped;
    };
    // Files read while the dialog opens; more are read on a worker.
    static constexpr int ReadAtOnce = 8;
    // Patterns remembered.
    static constexpr int Remembered = 8;

    ~frmNamingPreview() override;

    bool isReady() const { return m_ready; }
    QString patternText() const;
    const std::vector<Row>& rows() const { return m_rows; }

    QComboBox* cboPattern;
    QLabel* lblFields;
    QLabel* lblSummary;
    QTableView* tblPreview;
    QPushButton* btnOK;
    QPushButton* btnCancel;

protected:
    struct Texts {
        QString title;
        QString before, after; // the headings of the old and new values; no old ones: empty
        QString settingsKey;   // where the last patterns are kept
        QStringList defaults;  // offered before any was used
    };
    frmNamingPreview(const Texts& texts, SettingsStore* settings, QStringList paths,
                     CodePage id3v1Page, bool withFolders, QWidget* parent);
    // Begins reading the files: called by the subclass once it is made.
    void start();
    // The rows for the pattern, from the files as read.
    virtual std::vector<Row> preview(const TagPattern& pattern, const NamingInput& input) = 0;
    // "3 files will be renamed."
    virtual QString changingText(int files) const = 0;

    void accept() override;

private:
    void haveRead(NamingInput input);
    void refresh();
    QStringList rememberedPatterns() const;

    const Texts m_texts;
    SettingsStore* m_settings;
    const QStringList m_paths;
    const CodePage m_page;
    const bool m_withFolders;
    NamingInput m_input;
    std::vector<Row> m_rows;
    NamingPreviewModel* m_model;
    std::shared_ptr<ReturnAddress> m_back;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    bool m_ready = false;
};

} // namespace tunewalk
