#include "metadata/dialogs/frmWAV.h"
#include "AudioFixtures.h"
#include "FakeTagHost.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "metadata/codec/WAVInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

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

// The file without the 14 bytes a header rewrite may change (channels to bits per sample).
std::string outsideFormatFields(std::string bytes) {
    const std::size_t fmt = bytes.find("fmt ", bytes.find("WAVE"));
    if (fmt != std::string::npos) bytes.erase(fmt + 10, 14);
    return bytes;
}

class WavDialog : public ::testing::Test {
protected:
    QString addWav(const std::string& name, const std::string& bytes, bool selected = true,
                   bool current = false) {
        fx::writeFile(dir / name, bytes);
        const QString key = QString::fromStdString(dir.file(name));
        host.list.push_back(
            {key, QStringLiteral("WAV"), QString::fromStdString(name), selected, current});
        return key;
    }
    std::string bytesOf(const std::string& name) { return fx::readFile(dir / name); }

    // Focus moves only inside the active window.
    static void showActive(QDialog& dlg) {
        dlg.show();
        QApplication::setActiveWindow(&dlg);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    }

    TempDir dir;
    FakeTagHost host;
    ScriptedPrompter prompter;
};

} // namespace

TEST(WavDialogNumbers, OnlyWholeDecimalNumbersCount) {
    EXPECT_EQ(frmWAV::wholeNumber(QStringLiteral("16")), 16);
    EXPECT_EQ(frmWAV::wholeNumber(QStringLiteral(" 016 ")), 16);
    EXPECT_EQ(frmWAV::wholeNumber(QStringLiteral("+5")), 5);
    EXPECT_EQ(frmWAV::wholeNumber(QStringLiteral("-5")), -5);
    // Too many digits for any field stays too large instead of wrapping round.
    EXPECT_GT(frmWAV::wholeNumber(QStringLiteral("184467440737095516170")).value_or(0),
              WAVInfo::MaxSampleRate());
    for (const char* text : {"", " ", "-", "1.5", "1e3", "0x10", "16 bits", "1 6"})
        EXPECT_FALSE(frmWAV::wholeNumber(QString::fromLatin1(text))) << text;
    EXPECT_FALSE(frmWAV::wholeNumber(QStringLiteral("١٦"))); // digits, but not decimal ASCII
}

TEST_F(WavDialog, LoadsTheSelectedWavRowOrElseTheCurrentOne) {
    addWav("a.wav", fx::wavFile({}), false);
    host.list.push_back({QStringLiteral("/x/b.mp3"), QStringLiteral("MP3"), QString(), true});
    addWav("c.wav", fx::wavFile({.channels = 1, .sampleRate = 22050, .bits = 8}));

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Audio Headers"));
    EXPECT_EQ(dlg.txtBitrate->text(), QStringLiteral("8"));
    EXPECT_EQ(dlg.txtSampleRate->text(), QStringLiteral("22050"));
    ASSERT_EQ(dlg.cboChannel->count(), 2);
    EXPECT_EQ(dlg.cboChannel->itemText(0), QStringLiteral("Mono"));
    EXPECT_EQ(dlg.cboChannel->itemData(0).toInt(), 1);
    EXPECT_EQ(dlg.cboChannel->itemText(1), QStringLiteral("Stereo"));
    EXPECT_EQ(dlg.cboChannel->itemData(1).toInt(), 2);
    EXPECT_EQ(dlg.cboChannel->currentIndex(), 0);
    EXPECT_EQ(dlg.loadedBits(), 8);
    EXPECT_EQ(dlg.loadedRate(), 22050);
    EXPECT_EQ(dlg.loadedChannels(), 1);
    EXPECT_TRUE(dlg.lblNote->text().startsWith(
        QStringLiteral("Changing these values does not affect the file data itself")));

    // Nothing selected: the current row.
    host.list.clear();
    addWav("d.wav", fx::wavFile({.sampleRate = 8000}), false, true);
    frmWAV current(host, prompter);
    ASSERT_TRUE(current.load());
    EXPECT_EQ(current.txtSampleRate->text(), QStringLiteral("8000"));

    host.list = {{QStringLiteral("/x/b.mp3"), QStringLiteral("MP3"), QString(), true, true}};
    frmWAV none(host, prompter);
    EXPECT_FALSE(none.load());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(WavDialog, SavingRewritesOnlyTheFormatFields) {
    struct Case {
        const char* name;
        fx::WavShape shape;
        std::function<void(frmWAV&)> edit;
        int channels, rate, bits, blockAlign, bytesPerSecond;
    };
    const Case cases[] = {
        {"six channels, new rate",
         {.channels = 6},
         [](frmWAV& d) { d.txtSampleRate->setText(QStringLiteral("48000")); },
         2,
         48000,
         16,
         4,
         48000 * 4},
        {"16 to 8 bits",
         {},
         [](frmWAV& d) { d.txtBitrate->setText(QStringLiteral("8")); },
         2,
         44100,
         8,
         2,
         44100 * 2},
        {"12 bits take two bytes",
         {.channels = 1},
         [](frmWAV& d) { d.txtBitrate->setText(QStringLiteral("12")); },
         1,
         44100,
         12,
         2,
         44100 * 2},
        {"stereo to mono",
         {},
         [](frmWAV& d) { d.cboChannel->setCurrentIndex(0); },
         1,
         44100,
         16,
         2,
         44100 * 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.list.clear();
        host.refreshed.clear();
        prompter.clear();
        const std::string before = fx::wavFile(c.shape);
        const QString key = addWav("a.wav", before);

        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.cboChannel->currentText(),
                  c.shape.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
        c.edit(dlg);
        dlg.cmdSave->click();

        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kQuestion);
        EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::None);
        EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(host.refreshed, QStringList{key});

        const std::string after = bytesOf("a.wav");
        EXPECT_EQ(outsideFormatFields(after), outsideFormatFields(before));
        WAVInfo w;
        ASSERT_TRUE(w.LoadWAV(dir.file("a.wav")));
        EXPECT_EQ(w.Channels(), c.channels);
        EXPECT_EQ(w.SampleRate(), c.rate);
        EXPECT_EQ(w.SampleBits(), c.bits);
        EXPECT_EQ(w.BlockAlign(), c.blockAlign);
        EXPECT_EQ(w.BytesPerSecond(), c.bytesPerSecond);
    }
}

TEST_F(WavDialog, NothingChangedClosesWithoutAskingWritingOrRefreshing) {
    const struct {
        const char* name;
        fx::WavShape shape;
        std::function<void(frmWAV&)> edit;
    } cases[] = {
        {"untouched", {}, [](frmWAV&) {}},
        {"same numbers written differently",
         {},
         [](frmWAV& d) {
             d.txtBitrate->setText(QStringLiteral(" 016 "));
             d.txtSampleRate->setText(QStringLiteral("+44100"));
         }},
        {"six channels shown as stereo", {.channels = 6}, [](frmWAV&) {}},
        {"edited, then reverted",
         {},
         [](frmWAV& d) {
             d.txtBitrate->setText(QStringLiteral("8"));
             d.txtSampleRate->setText(QStringLiteral("abc"));
             d.cboChannel->setCurrentIndex(0);
             d.cmdRevert->click();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.list.clear();
        const std::string before = fx::wavFile(c.shape);
        addWav("a.wav", before);

        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        c.edit(dlg);
        dlg.cmdSave->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(bytesOf("a.wav"), before);
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(host.refreshed.isEmpty());
}

TEST_F(WavDialog, DecliningTheQuestionClosesAsASaveDoes) {
    const std::string before = fx::wavFile({});
    const QString key = addWav("a.wav", before);
    prompter.answers = {Prompter::Answer::No};

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    dlg.txtSampleRate->setText(QStringLiteral("48000"));
    dlg.cmdSave->click();

    EXPECT_EQ(prompter.texts(), QStringList{kQuestion});
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(host.refreshed, QStringList{key});
    EXPECT_EQ(bytesOf("a.wav"), before);
}

TEST_F(WavDialog, BitsCheckKeepsTheFocusInTheField) {
    const std::string before = fx::wavFile({});
    addWav("a.wav", before);
    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    showActive(dlg);

    for (const char* bad : {"0", "33", "-1", "abc", "", "1.5"}) {
        SCOPED_TRACE(bad);
        prompter.clear();
        dlg.txtBitrate->setFocus();
        dlg.txtBitrate->setText(QString::fromLatin1(bad));
        QTest::keyClick(dlg.txtBitrate, Qt::Key_Tab);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kBitsMessage);
        EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::None);
        EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
        EXPECT_EQ(QApplication::focusWidget(), dlg.txtBitrate);
    }
    for (const char* good : {"1", "32"}) {
        prompter.clear();
        dlg.txtBitrate->setFocus();
        dlg.txtBitrate->setText(QString::fromLatin1(good));
        QTest::keyClick(dlg.txtBitrate, Qt::Key_Tab);
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
    addWav("a.wav", before);
    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    showActive(dlg);

    for (const char* bad : {"0", "-5", "x", "2147483648"}) {
        SCOPED_TRACE(bad);
        prompter.clear();
        dlg.txtSampleRate->setFocus();
        dlg.txtSampleRate->setText(QString::fromLatin1(bad));
        QTest::keyClick(dlg.txtSampleRate, Qt::Key_Tab);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kRateMessage);
        EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::None);
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
    enum class Break { Removed, Directory };
    for (const Break how : {Break::Removed, Break::Directory}) {
        host.list.clear();
        host.refreshed.clear();
        prompter.clear();
        const std::string before = fx::wavFile({});
        const QString key = addWav("a.wav", before);

        frmWAV dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        dlg.txtBitrate->setText(QStringLiteral("8"));
        std::filesystem::remove(dir / "a.wav");
        if (how == Break::Directory) std::filesystem::create_directory(dir / "a.wav");
        dlg.cmdSave->click();

        ASSERT_EQ(prompter.texts(), (QStringList{kQuestion, kNotSaved}));
        EXPECT_EQ(prompter.shown[1].icon, Prompter::Icon::Exclamation);
        EXPECT_EQ(prompter.shown[1].buttons, Prompter::Buttons::Ok);
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(host.refreshed.isEmpty());
        if (how == Break::Removed) {
            EXPECT_FALSE(std::filesystem::exists(dir / "a.wav")); // never created
        }

        std::filesystem::remove(dir / "a.wav");
        fx::writeFile(dir / "a.wav", before);
        prompter.clear();
        dlg.cmdSave->click();
        EXPECT_EQ(prompter.texts(), QStringList{kQuestion});
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(host.refreshed, QStringList{key});
        WAVInfo w;
        ASSERT_TRUE(w.LoadWAV(dir.file("a.wav")));
        EXPECT_EQ(w.SampleBits(), 8);
        EXPECT_EQ(outsideFormatFields(bytesOf("a.wav")), outsideFormatFields(before));
    }
}

TEST_F(WavDialog, FileWithoutAFormatShowsZerosAndIsLeftAlone) {
    // RIFF, WAVE and data, but no "fmt " chunk.
    std::string bytes = "RIFF";
    bytes += std::string("\x24\x00\x00\x00WAVEdata\x10\x00\x00\x00", 16);
    bytes += std::string(16, '\x01');
    const QString key = addWav("a.wav", bytes);

    frmWAV dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.txtBitrate->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.txtSampleRate->text(), QStringLiteral("0"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Stereo"));

    dlg.txtBitrate->setText(QStringLiteral("16"));
    dlg.txtSampleRate->setText(QStringLiteral("44100"));
    dlg.cmdSave->click();
    // Refused before the question, with no arithmetic complaints.
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("a.wav has no WAV format header")});
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(host.refreshed.isEmpty());
    EXPECT_EQ(bytesOf("a.wav"), bytes);
}
