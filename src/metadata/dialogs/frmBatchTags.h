#pragma once

#include "metadata/codec/BatchTagging.h"
#include "metadata/dialogs/Latin1Field.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
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
    Latin1Field* txtTitle;
    QCheckBox* chkArtist;
    Latin1Field* txtArtist;
    QCheckBox* chkAlbum;
    Latin1Field* txtAlbum;
    QCheckBox* chkYear;
    Latin1Field* txtYear;
    QCheckBox* chkComment;
    Latin1Field* txtComment;
    QCheckBox* chkGenra;
    QComboBox* cboGenra;
    // Names what a field left out of the user's last entry; hidden otherwise.
    QLabel* lblLeftOut;
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
