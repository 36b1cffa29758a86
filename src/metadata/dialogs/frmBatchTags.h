#pragma once

#include "metadata/codec/BatchTagging.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tunewalk {

class Prompter;
class TagHost;

// "Batch Apply Tags": which ID3v1 fields a batch sets, with fixed values or derived from each
// file's name. "Choose Files..." opens frmBatchFiles, which runs the batch; when that ends,
// this dialog closes too.
class frmBatchTags : public QDialog {
    Q_OBJECT
public:
    frmBatchTags(TagHost& host, Prompter& prompter, QWidget* parent = nullptr);

    // The choices as they stand: checked fields only, texts as typed (not trimmed) in
    // ISO 8859-1, genre 0 when none is chosen.
    BatchTagOptions options() const;

    QCheckBox* chkTitle;
    QLineEdit* txtTitle;
    QCheckBox* chkArtist;
    QLineEdit* txtArtist;
    QCheckBox* chkAlbum;
    QLineEdit* txtAlbum;
    QCheckBox* chkYear;
    QLineEdit* txtYear;
    QCheckBox* chkComment;
    QLineEdit* txtComment;
    QCheckBox* chkGenra;
    QComboBox* cboGenra;
    QCheckBox* chkUseName;
    QCheckBox* chkOverwriteTitle;
    QCheckBox* chkGuessTrack;
    QCheckBox* chkOverwriteComment;
    QPushButton* cmdOK;
    QPushButton* btnCancel;

private:
    void cmdOK_Click();
    bool anyFieldChecked() const;

    TagHost& m_host;
    Prompter& m_prompter;
};

} // namespace tunewalk
