// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <optional>

// Where an entity or one of its prefixes lies, in the table's conventions: north, east and
// time zones east of Greenwich are positive (the country files write west as positive).
struct Place
{
    QString continent; // AF, AN, AS, EU, NA, OC or SA
    int cqZone = 0;
    int ituZone = 0;
    double latitude = 0;  // degrees
    double longitude = 0; // degrees
    double utcOffset = 0; // hours

    bool operator==(const Place &) const = default;
};

// A prefix of an entity, with the entity's place changed by the prefix's own overrides.
struct CountryPrefix
{
    QString prefix; // as written, without its overrides
    Place place;
    int line = 0;

    bool operator==(const CountryPrefix &) const = default;
};

// One entity of a country file.
struct Entity
{
    QString name;
    QString primaryPrefix;   // without the '*' mark
    std::optional<int> dxcc; // cty.dat carries no entity numbers
    bool listOnly = false;   // marked '*': an entity of the WAE or other award lists, not of DXCC
    Place place;
    QList<CountryPrefix> prefixes;
    int exactCalls = 0; // "=CALL" entries: single callsigns, not rows of the prefix table
    int line = 0;
};

// One row of the prefix table.
struct PrefixRecord
{
    QString prefix;
    QString country;
    std::optional<int> dxcc;
    Place place;
    QString card; // the memo F7

    bool operator==(const PrefixRecord &) const = default;
};

// A prefix left out because another entity (or the same one, earlier) already has it.
struct SkippedPrefix
{
    QString prefix;
    QString entity;
    QString keptFor; // the entity whose row was kept
    int line = 0;
};

struct PrefixRecords
{
    QList<PrefixRecord> records; // in file order
    QList<SkippedPrefix> skipped;
};

// The Big CTY country file in either of its formats:
//  cty.csv  one entity a line: prefix,name,DXCC,continent,CQ,ITU,lat,lon,UTC,prefix list;
//  cty.dat  a header "name: CQ: ITU: continent: lat: lon: UTC: prefix:" and the prefix list
//           on the following lines, comma-separated;
// both lists end with ';'. A list item is a prefix or "=CALL", followed by any of the overrides
// (CQ) [ITU] <lat/lon> {continent} ~UTC~. Longitudes and time offsets are written west-positive.
class CountryFile
{
public:
    enum class Format { Csv, Dat };

    // Recognises the format from the text itself; sourceName prefixes every error message.
    // Throws ImportError "SOURCE:LINE: what is wrong" for a malformed text.
    static CountryFile parse(const QString &text, const QString &sourceName);
    static CountryFile read(const QString &fileName);

    Format format() const { return m_format; }
    const QList<Entity> &entities() const { return m_entities; }

    // One record per prefix, case-insensitively unique. A prefix written twice keeps its first
    // occurrence in file order, except that the entities marked '*' only get the prefixes that
    // no DXCC entity has: the marked lists overlap DXCC entities (Sicily lies in Italy).
    PrefixRecords records() const;

private:
    Format m_format = Format::Csv;
    QList<Entity> m_entities;
};

// The memo text of a prefix's row: a short readable card of its entity at that place.
QString prefixCard(const Entity &entity, const Place &place);
