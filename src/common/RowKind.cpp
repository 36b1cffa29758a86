#include "common/RowKind.h"

#include <atomic>

namespace tunewalk {

namespace {
std::atomic<bool> allKinds{true};

struct Extension {
    const char* text;
    RowKind kind;
};
constexpr Extension Extensions[] = {
    {"mp3", RowKind::MP3}, {"wav", RowKind::WAV},  {"flac", RowKind::FLAC},
    {"ogg", RowKind::Ogg}, {"oga", RowKind::Ogg},  {"opus", RowKind::Opus},
    {"m4a", RowKind::M4A}, {"aif", RowKind::AIFF}, {"aiff", RowKind::AIFF},
};
} // namespace

bool allAudioKindsListed() {
    return allKinds.load(std::memory_order_relaxed);
}

void setAllAudioKindsListed(bool on) {
    allKinds.store(on, std::memory_order_relaxed);
}

std::optional<RowKind> audioKindOf(QStringView name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || name.size() - dot > 5) return std::nullopt;
    const QStringView ext = name.sliced(dot + 1);
    const bool all = allAudioKindsListed();
    for (const Extension& e : Extensions)
        if (ext.compare(QLatin1String(e.text), Qt::CaseInsensitive) == 0)
            return all || e.kind == RowKind::MP3 || e.kind == RowKind::WAV ? std::optional(e.kind)
                                                                           : std::nullopt;
    return std::nullopt;
}

QString audioKindName(RowKind kind) {
    switch (kind) {
    case RowKind::MP3:
        return QStringLiteral("MP3");
    case RowKind::WAV:
        return QStringLiteral("WAV");
    case RowKind::FLAC:
        return QStringLiteral("FLAC");
    case RowKind::Ogg:
        return QStringLiteral("Ogg");
    case RowKind::Opus:
        return QStringLiteral("Opus");
    case RowKind::M4A:
        return QStringLiteral("M4A");
    case RowKind::AIFF:
        return QStringLiteral("AIFF");
    default:
        return {};
    }
}

} // namespace tunewalk
