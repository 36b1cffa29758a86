#pragma once

#include "metadata/dialogs/Latin1Field.h"
#include "metadata/tags/TagWriter.h"

#include <QDialog>
#include <QString>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace tunewalk {

class MP3TagEditor;
class Prompter;
class TagHost;

// Edits the ID3v1 tag of the first selected MP3 file of the host's list. The file's audio
// header values are shown for reference only: saving never changes them.
//
//     frmTags dlg(host, prompter, window);
//     if (dlg.load()) dlg.exec();
class frmTags : public QDialog {
    Q_OBJECT
public:
    frmTags(TagHost& host, Prompter& prompter, QWidget* parent = nullptr);
    ~frmTags() override;

    // Finds the file and fills the controls; false when there is nothing to show (the user has
    // already been told).
    bool load();

    // The controls, by the names the rest of the program and the tests know them by.
    Latin1Field* const txtTitle;
    Latin1Field* const txtArtist;
    Latin1Field* const txtAlbum;
    Latin1Field* const txtYear;
    Latin1Field* const txtComment;
    QComboBox* const cboGenra;
    // Display only (disabled): the header is never written from this dialog.
    QComboBox* const cboBitrate;
    QComboBox* const cboSampleRate;
    QComboBox* const cboChannel;
    QComboBox* const cboType;
    // Shown for a Layer I or II or MPEG 2.5 file, whose headers the program never rewrites.
    QLabel* const lblHeaderNote;
    // Names what a field left out of the user's last entry; hidden otherwise.
    QLabel* const lblLeftOut;
    QPushButton* const cmdSave;
    QPushButton* const btnCancel;

private:
    // Tells that `fileName` changed since its tag was read, so nothing was saved, and asks
    // whether to read its tag again.
    bool offerReload(const QString& fileName);
    void buildLayout();
    void fillLists();
    void showValues();
    void cmdSave_Click();
    // The save of a file with tags beside ID3v1: the ID3v1 bytes as the codec makes them and
    // the changed `fields` in the others, as one save.
    void saveInStep(const QString& key, const TagFields& fields);

    TagHost& m_host;
    Prompter& m_prompter;
    std::unique_ptr<MP3TagEditor> m_editor;
};

} // namespace tunewalk
