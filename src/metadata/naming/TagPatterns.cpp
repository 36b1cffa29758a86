#include "metadata/naming/TagPatterns.h"

#include "common/PathRules.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <array>
#include <functional>

namespace tunewalk {

namespace {
// The translation context of the patterns and their previews.
class TagPatterns {
    Q_DECLARE_TR_FUNCTIONS(TagPatterns)
};

struct FieldName {
    TagField field;
    const char* placeholder;
};
constexpr std::array<FieldName, 11> FieldNames{{
    {TagField::Title, "title"},
    {TagField::Artist, "artist"},
    {TagField::Album, "album"},
    {TagField::AlbumArtist, "albumartist"},
    {TagField::Track, "track"},
    {TagField::TotalTracks, "totaltracks"},
    {TagField::Disc, "disc"},
    {TagField::Year, "year"},
    {TagField::Genre, "genre"},
    {TagField::Composer, "composer"},
    {TagField::Comment, "comment"},
}};

QString utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size())).trimmed();
}

QString number(int value) {
    return value > 0 ? QString::number(value) : QString();
}

// The field's value in a save, as fieldText shows it.
QString savedText(const TagFields& f, TagField field) {
    const auto text = [](const std::optional<std::string>& v) {
        return v ? QString::fromStdString(*v) : QString();
    };
    const auto digits = [](const std::optional<int>& v) { return v ? number(*v) : QString(); };
    switch (field) {
    case TagField::Title:
        return text(f.title);
    case TagField::Artist:
        return text(f.artist);
    case TagField::Album:
        return text(f.album);
    case TagField::AlbumArtist:
        return text(f.albumArtist);
    case TagField::Track:
        return digits(f.track);
    case TagField::TotalTracks:
        return digits(f.trackTotal);
    case TagField::Disc:
        return digits(f.disc);
    case TagField::Year:
        return digits(f.year);
    case TagField::Genre:
        return text(f.genre);
    case TagField::Composer:
        return text(f.composer);
    case TagField::Comment:
        return text(f.comment);
    }
    return {};
}

void setField(TagFields& f, TagField field, const QString& value) {
    const std::string text = value.toStdString();
    switch (field) {
    case TagField::Title:
        f.title = text;
        break;
    case TagField::Artist:
        f.artist = text;
        break;
    case TagField::Album:
        f.album = text;
        break;
    case TagField::AlbumArtist:
        f.albumArtist = text;
        break;
    case TagField::Track:
        f.track = value.toInt();
        break;
    case TagField::TotalTracks:
        f.trackTotal = value.toInt();
        break;
    case TagField::Disc:
        f.disc = value.toInt();
        break;
    case TagField::Year:
        f.year = value.toInt();
        break;
    case TagField::Genre:
        f.genre = text;
        break;
    case TagField::Composer:
        f.composer = text;
        break;
    case TagField::Comment:
        f.comment = text;
        break;
    }
}

// "Artist: Abba; Title: Waterloo", a missing value as a dash.
QString listed(const std::vector<TagField>& fields, const std::function<QString(TagField)>& value) {
    QStringList parts;
    for (const TagField field : fields) {
        const QString v = value(field);
        parts << TagPatterns::tr("%1: %2").arg(fieldLabel(field),
                                               v.isEmpty() ? QStringLiteral("\u2014") : v);
    }
    return parts.join(QStringLiteral("; "));
}
} // namespace

QString placeholderOf(TagField field) {
    for (const FieldName& f : FieldNames)
        if (f.field == field)
            return QLatin1Char('%') + QLatin1String(f.placeholder) + QLatin1Char('%');
    return {};
}

QString fieldLabel(TagField field) {
    switch (field) {
    case TagField::Title:
        return TagPatterns::tr("Title");
    case TagField::Artist:
        return TagPatterns::tr("Artist");
    case TagField::Album:
        return TagPatterns::tr("Album");
    case TagField::AlbumArtist:
        return TagPatterns::tr("Album artist");
    case TagField::Track:
        return TagPatterns::tr("Track");
    case TagField::TotalTracks:
        return TagPatterns::tr("Total tracks");
    case TagField::Disc:
        return TagPatterns::tr("Disc");
    case TagField::Year:
        return TagPatterns::tr("Year");
    case TagField::Genre:
        return TagPatterns::tr("Genre");
    case TagField::Composer:
        return TagPatterns::tr("Composer");
    case TagField::Comment:
        return TagPatterns::tr("Comment");
    }
    return {};
}

bool isNumberField(TagField field) {
    return field == TagField::Track || field == TagField::TotalTracks || field == TagField::Disc ||
           field == TagField::Year;
}

TagPattern TagPattern::parse(const QString& text) {
    TagPattern p;
    if (text.isEmpty()) {
        p.m_error = TagPatterns::tr("Type a pattern, such as %1 - %2.")
                        .arg(placeholderOf(TagField::Track), placeholderOf(TagField::Title));
        return p;
    }
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) p.m_pieces.push_back({std::nullopt, literal});
        literal.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('%')) {
            literal += text[i];
            continue;
        }
        const qsizetype close = text.indexOf(QLatin1Char('%'), i + 1);
        if (close < 0) {
            p.m_error =
                TagPatterns::tr("A \"%\" has no closing \"%\"; \"%%\" stands for a percent sign.");
            return p;
        }
        const QString name = text.mid(i + 1, close - i - 1);
        i = close;
        if (name.isEmpty()) {
            literal += QLatin1Char('%');
            continue;
        }
        const auto known =
            std::find_if(FieldNames.begin(), FieldNames.end(), [&](const FieldName& f) {
                return name.compare(QLatin1String(f.placeholder), Qt::CaseInsensitive) == 0;
            });
        if (known == FieldNames.end()) {
            QStringList all;
            for (const FieldName& f : FieldNames)
                all << placeholderOf(f.field);
            p.m_error = TagPatterns::tr("%1 is no field. The fields are %2.")
                            .arg(QLatin1Char('%') + name + QLatin1Char('%'),
                                 all.join(QStringLiteral(", ")));
            return p;
        }
        flush();
        p.m_pieces.push_back({known->field, {}});
    }
    flush();
    return p;
}

std::vector<TagField> TagPattern::fields() const {
    std::vector<TagField> out;
    for (const Piece& piece : m_pieces)
        if (piece.field && std::find(out.begin(), out.end(), *piece.field) == out.end())
            out.push_back(*piece.field);
    return out;
}

QString fieldText(const AudioTags& tags, TagField field, bool forName) {
    switch (field) {
    case TagField::Title:
        return utf8(tags.title);
    case TagField::Artist:
        return utf8(tags.artist);
    case TagField::Album:
        return utf8(tags.album);
    case TagField::AlbumArtist:
        return utf8(tags.albumArtist);
    case TagField::Track: {
        if (tags.track <= 0 || !forName) return number(tags.track);
        const int width = std::max<int>(2, int(number(tags.trackTotal).size()));
        return QStringLiteral("%1").arg(tags.track, width, 10, QLatin1Char('0'));
    }
    case TagField::TotalTracks:
        return number(tags.trackTotal);
    case TagField::Disc:
        return number(tags.disc);
    case TagField::Year:
        return number(tags.year);
    case TagField::Genre:
        return utf8(tags.genre);
    case TagField::Composer:
        return utf8(tags.composer);
    case TagField::Comment:
        return utf8(tags.comment);
    }
    return {};
}

NameFromTags nameFromTags(const TagPattern& pattern, const AudioTags& tags) {
    NameFromTags out;
    for (const TagPattern::Piece& piece : pattern.pieces()) {
        if (!piece.field) {
            out.name += piece.text;
            continue;
        }
        QString value = fieldText(tags, *piece.field, true);
        if (value.isEmpty()) {
            out.missing = piece.field;
            out.name.clear();
            return out;
        }
        out.name += value.replace(QLatin1Char('/'), QLatin1Char('-'));
    }
    return out;
}

std::optional<TagFields> tagsFromName(const TagPattern& pattern, const QString& baseName) {
    if (!pattern.valid()) return std::nullopt;
    const std::vector<TagPattern::Piece>& pieces = pattern.pieces();
    qsizetype lastField = -1;
    for (qsizetype i = 0; i < qsizetype(pieces.size()); ++i)
        if (pieces[size_t(i)].field) lastField = i;
    if (lastField < 0) return std::nullopt;
    // One group for each field the first time it comes; a second time refers back to it.
    QString expression;
    std::vector<TagField> groups;
    for (qsizetype i = 0; i < qsizetype(pieces.size()); ++i) {
        const TagPattern::Piece& piece = pieces[size_t(i)];
        if (!piece.field) {
            expression += QRegularExpression::escape(piece.text);
            continue;
        }
        const auto seen = std::find(groups.begin(), groups.end(), *piece.field);
        if (seen != groups.end()) {
            expression += QStringLiteral("\\%1").arg(seen - groups.begin() + 1);
            continue;
        }
        groups.push_back(*piece.field);
        expression += isNumberField(*piece.field) ? QStringLiteral("([0-9]+)")
                      : i == lastField            ? QStringLiteral("(.+)")
                                                  : QStringLiteral("(.+?)");
    }
    const QRegularExpression re(QRegularExpression::anchoredPattern(expression),
                                QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = re.match(baseName);
    if (!match.hasMatch()) return std::nullopt;
    TagFields fields;
    for (size_t g = 0; g < groups.size(); ++g) {
        const QString value = match.captured(int(g) + 1).trimmed();
        if (value.isEmpty()) return std::nullopt;
        if (isNumberField(groups[g])) {
            bool ok = false;
            if (const int n = value.toInt(&ok); !ok || n <= 0) return std::nullopt;
        }
        setField(fields, groups[g], value);
    }
    return fields;
}

QString baseNameOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.mid(dot) : QString();
}

std::vector<PlannedRename> planRenames(const TagPattern& pattern,
                                       const std::vector<NamingFile>& files,
                                       const QHash<QString, FolderNames>& folders) {
    std::vector<PlannedRename> rows(files.size());
    const auto rulesOf = [&](const QString& path) { return folders.value(parentPath(path)).rules; };
    for (size_t i = 0; i < files.size(); ++i) {
        const NamingFile& file = files[i];
        PlannedRename& row = rows[i];
        row.path = file.path;
        if (!pattern.valid()) {
            row.problem = pattern.error();
            continue;
        }
        if (!file.tags) {
            row.problem = TagPatterns::tr("Its tags cannot be read: %1").arg(file.readError);
            continue;
        }
        const NameFromTags made = nameFromTags(pattern, *file.tags);
        if (made.missing) {
            row.problem = TagPatterns::tr("It has no %1 in its tags.")
                              .arg(fieldLabel(*made.missing).toLower());
            continue;
        }
        const QString oldName = fileNamePart(file.path);
        const QString newName = made.name + extensionOf(oldName);
        row.newPath = joinPath(parentPath(file.path), newName);
        if (const QString problem = nameProblem(newName, rulesOf(file.path)); !problem.isEmpty()) {
            row.state = RowState::Illegal;
            row.problem = problem;
        } else {
            row.state = newName == oldName ? RowState::Unchanged : RowState::Changes;
        }
    }

    // Names as each folder's file system compares them: where the run's files are now, where
    // they are to go, and what else the folders hold.
    using Place = std::pair<QString, QString>; // folder, name key
    QHash<Place, size_t> current;
    QHash<Place, std::vector<size_t>> wanted;
    QSet<Place> runFiles;
    for (size_t i = 0; i < files.size(); ++i) {
        const QString folder = parentPath(files[i].path);
        const NameRules rules = rulesOf(files[i].path);
        const Place here{folder, rules.key(fileNamePart(files[i].path))};
        current.insert(here, i);
        runFiles.insert(here);
        if (rows[i].state == RowState::Changes)
            wanted[{folder, rules.key(fileNamePart(rows[i].newPath))}].push_back(i);
    }
    QSet<Place> others;
    for (auto it = folders.cbegin(); it != folders.cend(); ++it)
        for (const QString& name : it->names)
            if (const Place place{it.key(), it->rules.key(name)}; !runFiles.contains(place))
                others.insert(place);

    const auto shown = [](const QString& path) { return fileNamePart(path); };
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        const Place& place = it.key();
        for (const size_t i : it.value()) {
            PlannedRename& row = rows[i];
            const auto mine = current.constFind(place);
            if (it.value().size() > 1) {
                const size_t other = it.value()[it.value()[0] == i ? 1 : 0];
                row.problem = TagPatterns::tr("\"%1\" is to get the same name.")
                                  .arg(shown(files[other].path));
            } else if (others.contains(place)) {
                row.problem = TagPatterns::tr("Another file of that name is in the folder.");
            } else if (mine != current.cend() && *mine != i) {
                const bool chain = rows[*mine].state == RowState::Changes;
                row.problem = chain ? TagPatterns::tr("\"%1\" has that name now and is renamed "
                                                      "too: rename it first, on its own.")
                                          .arg(shown(files[*mine].path))
                                    : TagPatterns::tr("\"%1\" has that name and keeps it.")
                                          .arg(shown(files[*mine].path));
            } else {
                continue;
            }
            row.state = RowState::Clash;
        }
    }
    return rows;
}

std::vector<PlannedTags> planTagsFromNames(const TagPattern& pattern,
                                           const std::vector<NamingFile>& files) {
    std::vector<PlannedTags> rows;
    rows.reserve(files.size());
    const std::vector<TagField> fields = pattern.fields();
    for (const NamingFile& file : files) {
        PlannedTags& row = rows.emplace_back();
        row.path = file.path;
        if (!pattern.valid()) {
            row.problem = pattern.error();
            continue;
        }
        if (fields.empty()) {
            row.problem = TagPatterns::tr("The pattern names no field.");
            continue;
        }
        if (file.tags)
            row.before = listed(fields, [&](TagField f) { return fieldText(*file.tags, f); });
        const QString name = fileNamePart(file.path);
        const std::optional<TagFields> read = tagsFromName(pattern, baseNameOf(name));
        if (!read) {
            row.problem = TagPatterns::tr("The name does not fit the pattern.");
            continue;
        }
        if (!file.tags) {
            row.problem = TagPatterns::tr("Its tags cannot be read: %1").arg(file.readError);
            continue;
        }
        row.fields = *read;
        row.after = listed(fields, [&](TagField f) { return savedText(*read, f); });
        const bool same = std::all_of(fields.begin(), fields.end(), [&](TagField f) {
            return savedText(*read, f) == fieldText(*file.tags, f);
        });
        row.state = same ? RowState::Unchanged : RowState::Changes;
    }
    return rows;
}

} // namespace tunewalk
