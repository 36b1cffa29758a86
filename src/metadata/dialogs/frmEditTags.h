#pragma once

#include "metadata/dialogs/EditTagsReading.h"
#include "metadata/tags/CodePage.h"
#include "metadata/tags/TagWriter.h"

#include <QDialog>
#include <QStringList>
#include <array>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tunewalk {

class Prompter;
class TagHost;

// "Edit Tags": the tags of the selected audio files of every kind the program reads, one file
// or many. A field where the files differ shows "(kept)" and is written only when the user
// types a value into it; every other field is written only when the user changed it. The same
// goes for the front cover. The tags are read on worker threads while the dialog shows, and the
// save is one entry of the host's history.
//
//     frmEditTags dialog(host, prompter, readPage, window);
//     if (dialog.load()) dialog.exec();
class frmEditTags : public QDialog {
    Q_OBJECT
public:
    // `readPage`: the code page ID3v1 tags and ID3v2 texts marked Latin-1 are read in. The
    // tags are written as the host's tagWriteOptions say.
    frmEditTags(TagHost& host, Prompter& prompter, CodePage readPage, QWidget* parent = nullptr);
    ~frmEditTags() override;

    // Takes the host's selected audio files (folders are passed over) and starts reading their
    // tags; false when none is selected.
    bool load();
    // Every file's tags are in and the fields can be edited.
    bool isLoaded() const { return m_loaded; }
    // The files a save writes: those selected that could be read.
    const QStringList& files() const { return m_files; }

    // The controls, by the names the tests know them by.
    QLineEdit* const txtTitle;
    QLineEdit* const txtArtist;
    QLineEdit* const txtAlbum;
    QLineEdit* const txtAlbumArtist;
    QLineEdit* const txtTrack;
    QLineEdit* const txtTrackTotal;
    QLineEdit* const txtDisc;
    QLineEdit* const txtDiscTotal;
    QLineEdit* const txtYear;
    QComboBox* const cboGenre; // editable: any genre may be typed
    QLineEdit* const txtComment;
    QLineEdit* const txtComposer;
    QLabel* const lblCover;     // the front cover, "(no cover)" or "(kept)"
    QLabel* const lblCoverInfo; // its size and kind
    QPushButton* const cmdAddCover;
    QPushButton* const cmdPasteCover;
    QPushButton* const cmdRemoveCover;
    QPushButton* const cmdSaveCover;
    QLabel* const lblStatus; // while the tags are read
    QPushButton* const cmdOK;
    QPushButton* const btnCancel;

signals:
    // Every file's tags are in.
    void loaded();

private:
    enum class CoverShown { None, Picture, Kept };

    void buildLayout();
    void readingFinished();
    void setEditable(bool on);
    QLineEdit* edit(EditField field) const;
    // What the user changed, as a save sets it.
    TagFields changedFields() const;
    void save();
    void reportFailures(const QStringList& failures);

    CoverShown coverShown() const;
    // The picture shown: the user's new one, or the files' own.
    const std::string& shownCoverData() const;
    void showCover();
    void addCoverFromFile();
    void pasteCover();
    void removeCover();
    void saveCoverToFile();
    void setCover(std::string data, std::string mime);

    TagHost& m_host;
    Prompter& m_prompter;
    const CodePage m_readPage;
    TagsReading* m_reading = nullptr;
    bool m_loaded = false;
    QStringList m_files;
    std::array<QLineEdit*, EditFieldCount> m_edits{};
    TagsInCommon m_common;
    // The user's cover: Keep leaves each file's own.
    TagFields::Cover m_coverChange = TagFields::Cover::Keep;
    std::string m_coverData, m_coverMime;
};

} // namespace tunewalk
