// Sorting 10,000 names as the listing's name keys hold them ("D_" and the shown name): the
// list's own comparison against QCollator in numeric mode with case ignored, pairwise (as the
// list's column sort calls it) and through sort keys (as a one-off sort of a folder could).

#include "NameSortBench.h"

#include "BenchRandom.h"
#include "app/listing/ListText.h"
#include "common/NativePath.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QLocale>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace tunewalk::bench {
namespace {

constexpr int kNames = 10000;
constexpr int kRuns = 15;

// Track numbers, live albums with years, shouted and lower-case names, accents, long digit
// runs and old Latin-1 names that show with replacement characters.
QStringList realisticNames() {
    Rng rng(2024);
    QStringList names;
    names.reserve(kNames);
    for (int i = 0; i < kNames; ++i) {
        const QString word = QString::fromUtf8(rng.pick(kWords));
        QString name;
        switch (i % 6) {
        case 0:
            name = QStringLiteral("Track %1.mp3").arg(rng.range(1, 2000));
            break;
        case 1:
            name = QStringLiteral("%1 - %2 (Live) [%3].mp3")
                       .arg(rng.range(1, 99), 2, 10, QLatin1Char('0'))
                       .arg(word)
                       .arg(rng.range(1960, 2024));
            break;
        case 2:
            name = word.toUpper() + QStringLiteral(" %1.MP3").arg(rng.next());
            break;
        case 3:
            name = QStringLiteral("%1 \u00c9t\u00e9 caf\u00e9 %2.mp3").arg(word.toLower()).arg(i);
            break;
        case 4: {
            const std::string latin1 = "Caf\xe9 " + std::to_string(rng.range(1, 500)) + ".mp3";
            name = displayPath(fromNativePath(QByteArray::fromStdString(latin1)));
            break;
        }
        default:
            name = QString::fromUtf8(rng.pick(kArtists)) + QStringLiteral(" - ") + word;
        }
        names << QStringLiteral("D_") + name;
    }
    return names;
}

struct Method {
    QString label;
    std::function<void(QStringList&)> sort;
    double bestMs = 1e18;
};

std::function<void(QStringList&)>
pairwise(std::function<bool(const QString&, const QString&)> less) {
    return [less](QStringList& v) { std::stable_sort(v.begin(), v.end(), less); };
}

std::function<void(QStringList&)> keyed(const QCollator& collator) {
    return [&collator](QStringList& v) {
        std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
        keys.reserve(v.size());
        for (qsizetype i = 0; i < v.size(); ++i)
            keys.emplace_back(collator.sortKey(v[i]), i);
        std::stable_sort(keys.begin(), keys.end(),
                         [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    };
}

} // namespace

void reportNameSort() {
    const QStringList names = realisticNames();
    std::vector<QCollator> collators;
    for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates)}) {
        collators.emplace_back(locale);
        collators.back().setNumericMode(true);
        collators.back().setCaseSensitivity(Qt::CaseInsensitive);
    }
    std::vector<Method> methods;
    methods.push_back(
        {QStringLiteral("naturalLess"),
         pairwise([](const QString& a, const QString& b) { return naturalLess(a, b); })});
    for (const QCollator& c : collators) {
        // The C locale's collator compares plain text: numeric mode does nothing there.
        const QString note =
            c.compare(u"x2", u"x10") < 0 ? QString() : QStringLiteral(", x10 before x2");
        const QString name = c.locale().name();
        methods.push_back(
            {"QCollator::compare, " + name + note,
             pairwise([&c](const QString& a, const QString& b) { return c.compare(a, b) < 0; })});
        methods.push_back({"QCollator::sortKey, " + name + note, keyed(c)});
    }
    // Rounds go through every method in turn, so a busy machine slows them alike.
    for (int run = 0; run < kRuns; ++run) {
        for (Method& m : methods) {
            QStringList copy = names;
            QElapsedTimer timer;
            timer.start();
            m.sort(copy);
            m.bestMs = std::min(m.bestMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
        }
    }
    std::printf("\nSorting %d names, best of %d (ms)\n", kNames, kRuns);
    for (const Method& m : methods)
        std::printf("%-48s %7.2f  (%.1fx naturalLess)\n", qPrintable(m.label), m.bestMs,
                    m.bestMs / methods.front().bestMs);
}

} // namespace tunewalk::bench
