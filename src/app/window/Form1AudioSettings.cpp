// How the player sounds: the ReplayGain it applies and the output device it plays through,
// from the Settings menu.
#include "app/window/Form1.h"
#include "app/window/Form1Menus.h"

#include "app/playback/MediaPlayer.h"
#include "common/SettingsStore.h"

#include <QActionGroup>
#include <QMenu>

namespace tunewalk {

namespace {
const QString GainKey = QStringLiteral("ReplayGain");
const QString PreampKey = QStringLiteral("ReplayGainPreamp");
const QString OutputKey = QStringLiteral("OutputDevice");
const QString Automatic = QStringLiteral("Automatic");
// A raw file sink that the player makes itself, for the tests: never one of the devices shown.
const QString FileOutputPrefix = QStringLiteral("file:");

// One item of an exclusive choice, carrying its value as data.
QAction* addChoice(QMenu* menu, QActionGroup* group, const QString& caption,
                   const QVariant& value) {
    QAction* a = menu->addAction(caption);
    a->setCheckable(true);
    a->setData(value);
    group->addAction(a);
    return a;
}

void checkValue(QMenu* menu, const QVariant& value) {
    for (QAction* a : menu->actions())
        if (a->isCheckable()) a->setChecked(a->data() == value);
}

QVariant checkedValue(const QMenu* menu) {
    for (const QAction* a : menu->actions())
        if (a->isChecked()) return a->data();
    return {};
}
} // namespace

void Form1::createAudioMenus(QMenu* settings) {
    ui.mnuReplayGain = settings->addMenu(tr("Rep&layGain"));
    auto* gains = new QActionGroup(this);
    addChoice(ui.mnuReplayGain, gains, tr("&Off"), QStringLiteral("Off"));
    addChoice(ui.mnuReplayGain, gains, tr("&Track"), QStringLiteral("Track"));
    addChoice(ui.mnuReplayGain, gains, tr("&Album"), QStringLiteral("Album"));
    // Album gain while the whole folder plays (an album keeps its quiet and loud songs),
    // track gain for a song picked alone.
    addChoice(ui.mnuReplayGain, gains, tr("A&utomatic"), Automatic);
    connect(gains, &QActionGroup::triggered, this, [this](QAction* a) {
        m_settings->save(SettingsStore::Settings, GainKey, a->data().toString());
        reportSettingsFailure();
        applyReplayGain();
    });
    ui.mnuReplayGain->addSeparator();
    ui.mnuPreamp = ui.mnuReplayGain->addMenu(tr("&Pre-amp"));
    auto* preamps = new QActionGroup(this);
    for (const auto& [db, caption] : {std::pair{6, tr("+6 dB")},
                                      {3, tr("+3 dB")},
                                      {0, tr("0 dB")},
                                      {-3, tr("\u22123 dB")},
                                      {-6, tr("\u22126 dB")}})
        addChoice(ui.mnuPreamp, preamps, caption, double(db));
    connect(preamps, &QActionGroup::triggered, this, [this](QAction* a) {
        m_settings->save(SettingsStore::Settings, PreampKey, QString::number(a->data().toDouble()));
        reportSettingsFailure();
        applyReplayGain();
    });
    connect(ui.mnuAll, &QAction::toggled, this, [this] {
        if (checkedValue(ui.mnuReplayGain) == Automatic) applyReplayGain();
    });

    ui.mnuOutputDevice = settings->addMenu(tr("&Output Device"));
    connect(m_player, &MediaPlayer::outputsChanged, this, &Form1::rebuildOutputMenu);
    connect(m_player, &MediaPlayer::outputLost, this, [this](const QString& name) {
        showNotice(
            tr("The output device %1 is gone; playing through the system default.").arg(name));
        rebuildOutputMenu();
    });
    for (const auto& [name, menu] : {std::pair{"mnuReplayGain", ui.mnuReplayGain},
                                     {"mnuPreamp", ui.mnuPreamp},
                                     {"mnuOutputDevice", ui.mnuOutputDevice}})
        m_menus.insert(QLatin1String(name), menu);
}

void Form1::applyAudioSettings() {
    const QString gain = setting(GainKey, QStringLiteral("Off"));
    checkValue(ui.mnuReplayGain, gain);
    if (!checkedValue(ui.mnuReplayGain).isValid())
        checkValue(ui.mnuReplayGain, QStringLiteral("Off"));
    bool isNumber = false;
    const double preamp = setting(PreampKey, QStringLiteral("0")).toDouble(&isNumber);
    checkValue(ui.mnuPreamp, isNumber ? preamp : 0.0);
    if (!checkedValue(ui.mnuPreamp).isValid()) checkValue(ui.mnuPreamp, 0.0);
    applyReplayGain();

    // A remembered device is handed over even when it is not offered (yet): the player plays
    // through the default until it is.
    const QString output = setting(OutputKey, QString());
    if (!output.isEmpty()) m_player->setOutput(output);
    rebuildOutputMenu();
}

void Form1::applyReplayGain() {
    const QString mode = checkedValue(ui.mnuReplayGain).toString();
    MediaPlayer::Gain gain = MediaPlayer::Gain::Off;
    if (mode == QLatin1String("Track")) gain = MediaPlayer::Gain::Track;
    if (mode == QLatin1String("Album")) gain = MediaPlayer::Gain::Album;
    if (mode == Automatic)
        gain = ui.mnuAll->isChecked() ? MediaPlayer::Gain::Album : MediaPlayer::Gain::Track;
    m_player->setReplayGain(gain, checkedValue(ui.mnuPreamp).toDouble());
}

void Form1::rebuildOutputMenu() {
    ui.mnuOutputDevice->clear();
    delete m_outputChoices;
    m_outputChoices = new QActionGroup(this);
    QActionGroup* devices = m_outputChoices;
    addChoice(ui.mnuOutputDevice, devices, tr("&System Default"), QString());
    const QList<MediaPlayer::Output> outputs = m_player->outputs();
    bool offered = false;
    const QString chosen = setting(OutputKey, QString());
    for (const MediaPlayer::Output& o : outputs) {
        QString caption = o.name;
        addChoice(ui.mnuOutputDevice, devices, caption.replace(QLatin1Char('&'), "&&"), o.id);
        offered = offered || o.id == chosen;
    }
    // What plays is checked: the default while a remembered device is away; nothing for a
    // test's file output.
    if (!chosen.startsWith(FileOutputPrefix)) checkValue(ui.mnuOutputDevice, offered ? chosen : "");
    connect(devices, &QActionGroup::triggered, this, [this](QAction* a) {
        const QString id = a->data().toString();
        m_settings->save(SettingsStore::Settings, OutputKey, id);
        reportSettingsFailure();
        m_player->setOutput(id);
    });
}

} // namespace tunewalk
