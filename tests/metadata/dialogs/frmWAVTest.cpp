#include "metadata/dialogs/frmWAV.h"
#include "FakeTagHost.h"
#include "metadata/codec/WAVInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const QString kBitsMessage =
    QStringLiteral("Bits Per Sample must be a positive integer less than or equal to 32");
const QString kRateMessage = QStringLiteral("Sample Rate must be a positive integer");
const QString kNumericMessage =
    QStringLiteral("You must enter numeric values for Bits Per Sample and Sample Rate");
const QString kQuestion =
    QStringLiteral("Are you sure you want to modify the header data in this file?");
const QString kNotSaved = QStringLiteral("The file was not saved.\n\nAnother application may be "
                                         "using the file or it may be read-only.");

using WavDialog = TagFolderTest;

// Focus moves only inside the active window.
void showActive(QDialog& dlg) {
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
}

// Types into the fields as given (null: left alone) and picks a channel row (-1: left alone).
void edit(frmWAV& d, const char* bits, const char* rate = nullptr, int channelRow = -1) {
    if (bits) d.txtBitrate->setText(QString::fromLatin1(bits));
    if (rate) d.txtSampleRate->setText(QString::fromLatin1(rate));
    if (channelRow >= 0) d.cboChannel->setCurrentIndex(channelRow);
}

// Leaves `field` holding `text` with Tab, as the user does.
void tabOut(QLineEdit* field, const char* text) {
    field->setFocus();
    field->setText(QString::fromUtf8(text));
    QTest::keyClick(field, Qt::Key_Tab);
}

} // namespace

TEST_F(WavDialog, LoadsTheSelectedWavRowOrElseTheCurrentOne) {
    add("a.wav", fx::wavFile({}), RowKind::WAV, false);
    add("b.mp3", nullptr);
    add("c.wav", fx::wavFile({.channels = 1, .sampleRate = 22050, .bits = 8}), RowKind::WAV);

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Audio Headers"));
    EXPECT_EQ(dlg.txtBitrate->text(), QStringLiteral("8"));
    EXPECT_EQ(dlg.txtSampleRate->text(), QStringLiteral("22050"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Mono"));
    EXPECT_TRUE(dlg.lblNote->text().startsWith(
        QStringLiteral("Changing these values does not affect the file data itself")));

    // Nothing selected: the current row.
    reset();
    add("d.wav", fx::wavFile({.sampleRate = 8000}), RowKind::WAV, false, true);
    frmWAV current(host, prompter);
    ASSERT_TRUE(current.load());
    EXPECT_EQ(current.txtSampleRate->text(), QStringLiteral("8000"));

    reset();
    add("b.mp3", nullptr, RowKind::MP3, true, true);
    frmWAV none(host, prompter);
    EXPECT_FALSE(none.load());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WavDialog, SavingRewritesOnlyTheFormatFields) {
    const struct {
        const char* name;
        fx::WavShape before;
        const char *bits, *rate;
        int channelRow;
        fx::WavShape after; // same sample data
    } cases[] = {
        {"six channels, new rate", {.channels = 6}, nullptr, "48000", -1, {.sampleRate = 48000}},
        {"16 to 8 bits", {}, "8", nullptr, -1, {.bits = 8}},
        {"12 bits take two bytes", {.channels = 1}, "12", nullptr, -1, {.channels = 1, .bits = 12}},
        {"stereo to mono", {}, nullptr, nullptr, 0, {.channels = 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        const QString key = add("a.wav", fx::wavFile(c.before), RowKind::WAV);

        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.cboChannel->currentText(),
                  c.before.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
        edit(dlg, c.bits, c.rate, c.channelRow);
        dlg.cmdSave->click();

        EXPECT_TRUE(shownOnly(kQuestion, Prompter::Icon::None, Prompter::Buttons::YesNo));
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(host.refreshed, QStringList{key});
        EXPECT_EQ(bytesOf("a.wav"), fx::wavFile(c.after));
    }
}

TEST_F(WavDialog, NothingChangedClosesWithoutAskingWritingOrRefreshing) {
    const struct {
        const char* name;
        fx::WavShape shape;
        const char *bits, *rate;
        bool revert;
    } cases[] = {
        {"untouched", {}, nullptr, nullptr, false},
        {"same numbers written differently", {}, " 016 ", "+44100", false},
        {"six channels shown as stereo", {.channels = 6}, nullptr, nullptr, false},
        {"edited, then reverted", {}, "8", "abc", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.list.clear();
        const std::string before = fx::wavFile(c.shape);
        add("a.wav", before, RowKind::WAV);

        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        if (c.revert) {
            edit(dlg, c.bits, c.rate, 0);
            dlg.cmdRevert->click();
        } else {
            edit(dlg, c.bits, c.rate);
        }
        dlg.cmdSave->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(bytesOf("a.wav"), before);
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(host.refreshed.isEmpty());
}

TEST_F(WavDialog, DecliningTheQuestionClosesAsASaveDoes) {
    const std::string before = fx::wavFile({});
    const QString key = add("a.wav", before, RowKind::WAV);
    prompter.answers = {Prompter::Answer::No};

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    edit(dlg, nullptr, "48000");
    dlg.cmdSave->click();

    EXPECT_EQ(prompter.texts(), QStringList{kQuestion});
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(host.refreshed, QStringList{key});
    EXPECT_EQ(bytesOf("a.wav"), before);
}

TEST_F(WavDialog, BitsCheckKeepsTheFocusInTheField) {
    const std::string before = fx::wavFile({});
    add("a.wav", before, RowKind::WAV);
    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    showActive(dlg);

    // Only whole decimal numbers count: neither hexadecimal, nor other digits, nor a number
    // with words or a fraction after it.
    for (const char* bad :
         {"0", "33", "-1", "abc", "", "-", "1.5", "0x10", "16 bits", "1 6", "١٦"}) {
        SCOPED_TRACE(bad);
        prompter.clear();
        tabOut(dlg.txtBitrate, bad);
        EXPECT_TRUE(shownOnly(kBitsMessage, Prompter::Icon::None, Prompter::Buttons::Ok));
        EXPECT_EQ(QApplication::focusWidget(), dlg.txtBitrate);
    }
    for (const char* good : {"1", "32"}) {
        prompter.clear();
        tabOut(dlg.txtBitrate, good);
        EXPECT_TRUE(prompter.shown.empty()) << good;
        EXPECT_EQ(QApplication::focusWidget(), dlg.txtSampleRate);
    }

    // Neither a click on Save nor Enter gets past a bad value, and each says so once.
    dlg.txtBitrate->setFocus();
    dlg.txtBitrate->setText(QStringLiteral("0"));
    prompter.clear();
    QTest::mouseClick(dlg.cmdSave, Qt::LeftButton);
    EXPECT_EQ(prompter.texts(), QStringList{kBitsMessage});
    EXPECT_EQ(QApplication::focusWidget(), dlg.txtBitrate);
    prompter.clear();
    QTest::keyClick(dlg.txtBitrate, Qt::Key_Return);
    EXPECT_EQ(prompter.texts(), QStringList{kBitsMessage});
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(bytesOf("a.wav"), before);

    // Cancel throws the value away without a word.
    prompter.clear();
    QTest::mouseClick(dlg.btnCancel, Qt::LeftButton);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(WavDialog, RateCheckLetsTheFocusMoveAndSaveRefusesNonNumbers) {
    const std::string before = fx::wavFile({});
    add("a.wav", before, RowKind::WAV);
    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    showActive(dlg);

    // Too many digits for any field stays too large instead of wrapping round.
    for (const char* bad : {"0", "-5", "x", "1e3", "2147483648", "184467440737095516170"}) {
        SCOPED_TRACE(bad);
        prompter.clear();
        tabOut(dlg.txtSampleRate, bad);
        EXPECT_TRUE(shownOnly(kRateMessage, Prompter::Icon::None, Prompter::Buttons::Ok));
        EXPECT_EQ(QApplication::focusWidget(), dlg.cboChannel);
    }

    // The click that left the field is taken by its message; the next one saves, and Save
    // names the non-numeric value itself.
    prompter.clear();
    dlg.txtSampleRate->setFocus();
    dlg.txtSampleRate->setText(QStringLiteral("fast"));
    QTest::mouseClick(dlg.cmdSave, Qt::LeftButton);
    EXPECT_EQ(prompter.texts(), QStringList{kRateMessage});
    QTest::mouseClick(dlg.cmdSave, Qt::LeftButton);
    EXPECT_EQ(prompter.texts(), (QStringList{kRateMessage, kNumericMessage}));
    EXPECT_TRUE(dlg.isVisible());

    // A number that is no rate is refused before anything is asked.
    prompter.clear();
    dlg.txtSampleRate->setFocus();
    dlg.txtSampleRate->setText(QStringLiteral("0"));
    QTest::keyClick(dlg.txtSampleRate, Qt::Key_Return);
    EXPECT_EQ(prompter.texts(), QStringList{kRateMessage});
    EXPECT_EQ(QApplication::focusWidget(), dlg.txtSampleRate);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(bytesOf("a.wav"), before);
}

TEST_F(WavDialog, FailedSaveStaysOpenAndARetryAsksAgain) {
    const std::string before = fx::wavFile({});
    for (const bool toFolder : {false, true}) {
        reset();
        const QString key = add("a.wav", before, RowKind::WAV);
        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        edit(dlg, "8");
        std::filesystem::remove(dir / "a.wav");
        if (toFolder) std::filesystem::create_directory(dir / "a.wav");
        dlg.cmdSave->click();

        ASSERT_EQ(
            prompter.texts(),
            (QStringList{kQuestion, kNotSaved + "\n\n" + because(key, toFolder ? 0 : ENOENT)}));
        EXPECT_EQ(prompter.shown[1].icon, Prompter::Icon::Exclamation);
        EXPECT_EQ(prompter.shown[1].buttons, Prompter::Buttons::Ok);
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(host.refreshed.isEmpty());
        EXPECT_EQ(std::filesystem::exists(dir / "a.wav"), toFolder); // never created

        std::filesystem::remove(dir / "a.wav");
        fx::writeFile(dir / "a.wav", before);
        prompter.clear();
        dlg.cmdSave->click();
        EXPECT_EQ(prompter.texts(), QStringList{kQuestion});
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(host.refreshed, QStringList{key});
        EXPECT_EQ(bytesOf("a.wav"), fx::wavFile({.bits = 8}));
    }
}

TEST_F(WavDialog, FileWithoutAFormatShowsZerosAndIsLeftAlone) {
    // RIFF, WAVE and data, but no "fmt " chunk.
    const std::string bytes =
        fx::riffChunk("RIFF", "WAVE" + fx::riffChunk("data", std::string(16, '\x01')));
    add("a.wav", bytes, RowKind::WAV);

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.txtBitrate->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.txtSampleRate->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Stereo"));

    edit(dlg, "16", "44100");
    dlg.cmdSave->click();
    // Refused before the question, with no arithmetic complaints.
    EXPECT_TRUE(shownOnly("a.wav has no WAV format header", Prompter::Icon::Exclamation,
                          Prompter::Buttons::Ok));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(host.refreshed.isEmpty());
    EXPECT_EQ(bytesOf("a.wav"), bytes);
}

// A big-endian file could not be written back: the dialog says so and does not open.
TEST_F(WavDialog, ABigEndianFileIsSaidAndNotOpened) {
    const std::string bytes = fx::rifxFile({});
    add("a.wav", bytes, RowKind::WAV);
    frmWAV dlg(host, prompter);
    EXPECT_FALSE(dlg.load());
    EXPECT_TRUE(shownOnly("a.wav is a big-endian WAV file, which cannot be read",
                          Prompter::Icon::Exclamation, Prompter::Buttons::Ok));
    EXPECT_EQ(bytesOf("a.wav"), bytes);
}
