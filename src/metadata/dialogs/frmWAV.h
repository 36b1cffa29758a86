#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tunewalk {

class Prompter;
class TagHost;
class WAVInfo;
namespace history {
class Recording;
}

// Edits bits per sample, sample rate and channel count in the format header of the WAV file
// selected in the host's list; the derived fields follow. The sample data is never touched.
//
//     frmWAV dlg(host, prompter, window);
//     if (dlg.load()) dlg.exec();
class frmWAV : public QDialog {
    Q_OBJECT
public:
    frmWAV(TagHost& host, Prompter& prompter, QWidget* parent = nullptr);
    ~frmWAV() override;

    // Reads the selected (or else the current) WAV row's file and fills the controls; false
    // when the host has no such row.
    bool load();

    // What load showed, for "nothing changed" and Revert.
    std::int32_t loadedBits() const { return m_loadedBits; }
    // Wider than the 32-bit field so an odd file's value is compared, not wrapped.
    std::int64_t loadedRate() const { return m_loadedRate; }
    std::int16_t loadedChannels() const { return m_loadedChannels; }

    // A whole decimal number, optionally signed and surrounded by spaces; values too large for
    // any field are held at a ceiling rather than wrapped.
    static std::optional<std::int64_t> wholeNumber(const QString& text);

    QLineEdit* const txtBitrate;
    QLineEdit* const txtSampleRate;
    QComboBox* const cboChannel;
    QPushButton* const cmdRevert;
    QPushButton* const cmdSave;
    QPushButton* const btnCancel;
    QLabel* const lblNote;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    bool bitsAcceptable() const;
    bool rateAcceptable() const;
    void refuseBits();
    void refuseRate();
    void checkOnLeaving(QObject* field, Qt::FocusReason reason);
    void cmdRevert_Click();
    void cmdSave_Click();

    TagHost& m_host;
    Prompter& m_prompter;
    std::unique_ptr<WAVInfo> m_editor;
    // The save under way, begun in the history once the user said yes to the question.
    history::Recording* m_record = nullptr;
    std::int32_t m_loadedBits = 0;
    std::int64_t m_loadedRate = 0;
    std::int16_t m_loadedChannels = 0;
    // A message shown while focus moved on a mouse press takes that press, as a message box
    // does: the click must not go on to press the button underneath.
    bool m_swallowPress = false;
};

} // namespace tunewalk
