// SPDX-License-Identifier: MIT
#include "CountryFile.h"

#include "ImportError.h"

#include <QFile>
#include <QHash>
#include <QStringConverter>
#include <QStringList>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int maxPrefixLength = 9; // the search tries nine characters at most

const QStringList continents = {u"AF"_s, u"AN"_s, u"AS"_s, u"EU"_s, u"NA"_s, u"OC"_s, u"SA"_s};

// The country files write west as positive; a plain negation would turn 0 into -0.
double eastPositive(double westPositive)
{
    return westPositive == 0 ? 0.0 : -westPositive;
}

class Parser
{
public:
    Parser(const QString &sourceName) : m_source(sourceName) {}

    [[noreturn]] void fail(int line, const QString &what) const
    {
        throw ImportError(u"%1:%2: %3"_s.arg(m_source, QString::number(line), what));
    }

    int integer(const QString &text, const QString &what, int min, int max, int line) const
    {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        if (!ok)
            fail(line, u"%1 '%2' is not a number"_s.arg(what, text.trimmed()));
        if (value < min || value > max)
            fail(line, u"%1 %2 is out of range (%3 to %4)"_s.arg(what).arg(value).arg(min).arg(max));
        return value;
    }

    double real(const QString &text, const QString &what, double min, double max, int line) const
    {
        bool ok = false;
        const double value = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(value))
            fail(line, u"%1 '%2' is not a number"_s.arg(what, text.trimmed()));
        if (value < min || value > max)
            fail(line, u"%1 %2 is out of range (%3 to %4)"_s.arg(what, text.trimmed()).arg(min).arg(max));
        return value;
    }

    QString continent(const QString &text, int line) const
    {
        const QString value = text.trimmed();
        if (!continents.contains(value))
            fail(line, u"continent '%1' is not one of %2"_s.arg(value, continents.join(u", "_s)));
        return value;
    }

    // Each field of a place, in a header or an override, with its range.
    int cqZone(const QString &text, int line) const { return integer(text, u"CQ zone"_s, 1, 40, line); }
    int ituZone(const QString &text, int line) const { return integer(text, u"ITU zone"_s, 1, 90, line); }
    double latitude(const QString &text, int line) const { return real(text, u"latitude"_s, -90, 90, line); }
    double longitude(const QString &text, int line) const
    {
        return eastPositive(real(text, u"longitude"_s, -180, 180, line));
    }
    double utcOffset(const QString &text, int line) const
    {
        return eastPositive(real(text, u"UTC offset"_s, -15, 15, line));
    }

    // The header fields shared by both formats, in the order of cty.dat.
    Place place(const QStringList &fields, int line) const
    {
        Place p;
        p.cqZone = cqZone(fields[0], line);
        p.ituZone = ituZone(fields[1], line);
        p.continent = continent(fields[2], line);
        p.latitude = latitude(fields[3], line);
        p.longitude = longitude(fields[4], line);
        p.utcOffset = utcOffset(fields[5], line);
        return p;
    }

    void setNameAndPrefix(Entity &entity, const QString &name, const QString &prefix, int line) const
    {
        entity.name = name.trimmed();
        if (entity.name.isEmpty())
            fail(line, u"the entity has no name"_s);
        QString primary = prefix.trimmed();
        entity.listOnly = primary.startsWith(u'*');
        if (entity.listOnly)
            primary.remove(0, 1);
        if (primary.isEmpty())
            fail(line, u"the entity '%1' has no prefix"_s.arg(entity.name));
        entity.primaryPrefix = primary;
    }

    // One list item: a prefix or "=CALL", then its overrides.
    void item(Entity &entity, const QString &token, int line) const
    {
        const bool exactCall = token.startsWith(u'=');
        qsizetype pos = exactCall ? 1 : 0;
        const qsizetype bodyStart = pos;
        while (pos < token.size() && !u"([<{~"_s.contains(token[pos])) {
            const QChar c = token[pos];
            const bool valid = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')
                || (c >= u'0' && c <= u'9') || c == u'/';
            if (!valid)
                fail(line, u"unexpected character '%1' in '%2'"_s.arg(QString(c), token));
            ++pos;
        }
        const QString body = token.mid(bodyStart, pos - bodyStart);
        if (body.isEmpty())
            fail(line, u"'%1' names no %2"_s.arg(token, exactCall ? u"callsign"_s : u"prefix"_s));
        if (!exactCall && body.size() > maxPrefixLength)
            fail(line, u"prefix '%1' is longer than %2 characters"_s.arg(body).arg(maxPrefixLength));

        Place p = entity.place;
        while (pos < token.size()) {
            const QChar open = token[pos];
            const QChar close = open == u'(' ? u')'
                : open == u'[' ? u']'
                : open == u'<' ? u'>'
                : open == u'{' ? u'}'
                : open == u'~' ? u'~'
                               : QChar();
            if (close.isNull())
                fail(line, u"unexpected character '%1' in '%2'"_s.arg(QString(open), token));
            const qsizetype end = token.indexOf(close, pos + 1);
            if (end < 0)
                fail(line, u"'%1' lacks the closing '%2'"_s.arg(token, QString(close)));
            const QString value = token.mid(pos + 1, end - pos - 1);
            if (open == u'(') {
                p.cqZone = cqZone(value, line);
            } else if (open == u'[') {
                p.ituZone = ituZone(value, line);
            } else if (open == u'{') {
                p.continent = continent(value, line);
            } else if (open == u'~') {
                p.utcOffset = utcOffset(value, line);
            } else {
                const qsizetype slash = value.indexOf(u'/');
                if (slash < 0)
                    fail(line, u"position '<%1>' is not written <latitude/longitude>"_s.arg(value));
                p.latitude = latitude(value.left(slash), line);
                p.longitude = longitude(value.mid(slash + 1), line);
            }
            pos = end + 1;
        }

        if (exactCall)
            ++entity.exactCalls;
        else
            entity.prefixes.append(CountryPrefix{body, p, line});
    }

    void items(Entity &entity, const QString &list, QChar separator, int line) const
    {
        for (const QString &token : list.split(separator, Qt::SkipEmptyParts)) {
            const QString trimmed = token.trimmed();
            if (!trimmed.isEmpty())
                item(entity, trimmed, line);
        }
    }

    // A CSV line, with double quotes around a field that holds commas.
    QStringList csvFields(const QString &line, int lineNumber) const
    {
        QStringList fields;
        QString field;
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (quoted) {
                if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                    field += c;
                    ++i;
                } else if (c == u'"') {
                    quoted = false;
                } else {
                    field += c;
                }
            } else if (c == u'"') {
                quoted = true;
            } else if (c == u',') {
                fields.append(field);
                field.clear();
            } else {
                field += c;
            }
        }
        if (quoted)
            fail(lineNumber, u"a quoted field does not end"_s);
        fields.append(field);
        return fields;
    }

    QList<Entity> csv(const QStringList &lines) const
    {
        QList<Entity> entities;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int line = int(i + 1);
            if (lines[i].trimmed().isEmpty())
                continue;
            const QStringList fields = csvFields(lines[i], line);
            if (fields.size() != 10)
                fail(line, u"expected 10 comma-separated fields, found %1"_s.arg(fields.size()));
            Entity entity;
            entity.line = line;
            setNameAndPrefix(entity, fields[1], fields[0], line);
            entity.dxcc = integer(fields[2], u"DXCC entity number"_s, 1, 999, line);
            entity.place = place({fields[4], fields[5], fields[3], fields[6], fields[7], fields[8]}, line);
            const QString list = fields[9].trimmed();
            if (!list.endsWith(u';'))
                fail(line, u"the prefix list does not end with ';'"_s);
            items(entity, list.chopped(1), u' ', line);
            entities.append(entity);
        }
        return entities;
    }

    QList<Entity> dat(const QStringList &lines) const
    {
        QList<Entity> entities;
        std::optional<Entity> open; // the entity whose prefix list is being read
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int line = int(i + 1);
            const QString text = lines[i].trimmed();
            if (text.isEmpty())
                continue;
            if (!open) {
                QStringList fields = text.split(u':');
                if (fields.size() != 9 || !fields.last().trimmed().isEmpty())
                    fail(line, u"expected an entity header of 8 fields, each ended by ':'"_s);
                Entity entity;
                entity.line = line;
                setNameAndPrefix(entity, fields[0], fields[7], line);
                entity.place = place(fields.mid(1, 6), line);
                open = entity;
                continue;
            }
            if (text.contains(u':'))
                fail(line, u"the prefix list of '%1' does not end with ';' before the next entity"_s.arg(open->name));
            const qsizetype end = text.indexOf(u';');
            if (end >= 0 && end != text.size() - 1)
                fail(line, u"unexpected text after ';'"_s);
            items(*open, end >= 0 ? text.left(end) : text, u',', line);
            if (end >= 0) {
                entities.append(*open);
                open.reset();
            }
        }
        if (open)
            fail(open->line, u"the prefix list of '%1' does not end with ';'"_s.arg(open->name));
        return entities;
    }

private:
    QString m_source;
};

QString degrees(double value, QChar positive, QChar negative)
{
    return u"%1° %2"_s.arg(QString::number(std::fabs(value), 'f', 2)).arg(value < 0 ? negative : positive);
}

QString utcText(double hours)
{
    const int minutes = int(std::lround(hours * 60));
    const int absolute = std::abs(minutes);
    QString text = u"UTC%1%2"_s.arg(minutes < 0 ? QChar(u'-') : QChar(u'+')).arg(absolute / 60);
    if (absolute % 60)
        text += u":%1"_s.arg(absolute % 60, 2, 10, QChar(u'0'));
    return text;
}

QString continentName(const QString &code)
{
    static const QHash<QString, QString> names = {
        {u"AF"_s, u"Africa"_s},        {u"AN"_s, u"Antarctica"_s}, {u"AS"_s, u"Asia"_s},
        {u"EU"_s, u"Europe"_s},        {u"NA"_s, u"North America"_s},
        {u"OC"_s, u"Oceania"_s},       {u"SA"_s, u"South America"_s},
    };
    return names.value(code, code);
}

} // namespace

CountryFile CountryFile::parse(const QString &text, const QString &sourceName)
{
    Parser parser(sourceName);
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }

    // The first entity tells the format: a cty.dat header ends with ':', a cty.csv line has ten fields.
    qsizetype first = 0;
    while (first < lines.size() && lines[first].trimmed().isEmpty())
        ++first;
    if (first == lines.size())
        throw ImportError(u"%1: the file holds no entities"_s.arg(sourceName));
    const QString head = lines[first].trimmed();

    CountryFile file;
    if (head.endsWith(u':')) {
        file.m_format = Format::Dat;
        file.m_entities = parser.dat(lines);
    } else if (head.count(u',') >= 9) {
        file.m_format = Format::Csv;
        file.m_entities = parser.csv(lines);
    } else {
        parser.fail(int(first + 1),
                    u"not a country file: expected an entity of cty.csv (ten comma-separated fields) "
                    "or a header of cty.dat (fields ended by ':')"_s);
    }
    return file;
}

CountryFile CountryFile::read(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(u"%1: cannot open the file: %2"_s.arg(fileName, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ImportError(u"%1: cannot read the file: %2"_s.arg(fileName, file.errorString()));

    // The files are ASCII; older copies may carry Latin-1 letters in names.
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes);
    return parse(text, fileName);
}

PrefixRecords CountryFile::records() const
{
    struct Owner
    {
        qsizetype entity;
        qsizetype prefix;
    };
    QHash<QString, Owner> owners;
    PrefixRecords result;

    // DXCC entities first, then the marked ones, each in file order.
    for (const bool listOnly : {false, true}) {
        for (qsizetype e = 0; e < m_entities.size(); ++e) {
            const Entity &entity = m_entities[e];
            if (entity.listOnly != listOnly)
                continue;
            for (qsizetype p = 0; p < entity.prefixes.size(); ++p) {
                const QString key = entity.prefixes[p].prefix.toUpper();
                const auto found = owners.constFind(key);
                if (found == owners.cend()) {
                    owners.insert(key, Owner{e, p});
                    continue;
                }
                result.skipped.append(SkippedPrefix{entity.prefixes[p].prefix, entity.name,
                                                    m_entities[found->entity].name, entity.prefixes[p].line});
            }
        }
    }

    for (qsizetype e = 0; e < m_entities.size(); ++e) {
        const Entity &entity = m_entities[e];
        for (qsizetype p = 0; p < entity.prefixes.size(); ++p) {
            const CountryPrefix &prefix = entity.prefixes[p];
            const Owner owner = owners.value(prefix.prefix.toUpper());
            if (owner.entity != e || owner.prefix != p)
                continue;
            result.records.append(PrefixRecord{prefix.prefix, entity.name, entity.dxcc, prefix.place,
                                               prefixCard(entity, prefix.place)});
        }
    }
    std::stable_sort(result.skipped.begin(), result.skipped.end(),
              [](const SkippedPrefix &a, const SkippedPrefix &b) { return a.line < b.line; });
    return result;
}

QString prefixCard(const Entity &entity, const Place &place)
{
    QStringList lines{entity.name};
    if (entity.listOnly && entity.dxcc)
        lines << u"On the WAE and CQ lists; DXCC entity %1"_s.arg(*entity.dxcc);
    else if (entity.listOnly)
        lines << u"On the WAE and CQ lists"_s;
    else if (entity.dxcc)
        lines << u"DXCC entity %1"_s.arg(*entity.dxcc);
    lines << u"Continent: %1 (%2)"_s.arg(continentName(place.continent), place.continent)
          << u"CQ zone %1, ITU zone %2"_s.arg(place.cqZone).arg(place.ituZone)
          << u"Position: %1, %2"_s.arg(degrees(place.latitude, u'N', u'S'), degrees(place.longitude, u'E', u'W'))
          << u"Local time: %1"_s.arg(utcText(place.utcOffset));
    return lines.join(u'\n');
}
