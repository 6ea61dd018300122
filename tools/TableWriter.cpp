// SPDX-License-Identifier: MIT
#include "TableWriter.h"

#include "ImportError.h"
#include "SqlIdentifier.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryFile>
#include <QVariant>

#include <algorithm>
#include <filesystem>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

std::string utf8(const QString &text)
{
    return text.toUtf8().toStdString();
}

std::string nativePath(const QString &fileName)
{
    return QFile::encodeName(fileName).toStdString();
}

// Removes a file that was left half-written, with the journal SQLite may have left beside it.
class PartialFile
{
public:
    explicit PartialFile(const QString &fileName) : m_fileName(fileName) {}
    ~PartialFile()
    {
        if (m_fileName.isEmpty())
            return;
        QFile::remove(m_fileName + u"-journal"_s);
        QFile::remove(m_fileName);
    }
    void keep() { m_fileName.clear(); }

private:
    QString m_fileName;
};

// The table's fields in order; the country file fills all but the memo of existing rows.
const QStringList countryFileFields = {u"Country"_s, u"DXCC"_s, u"Continent"_s, u"CQ"_s,
                                       u"ITU"_s, u"Latitude"_s, u"Longitude"_s, u"UTC"_s};
const QString prefixField = u"Prefix"_s;
const QString memoField = u"F7"_s;

QVariant fieldValue(const PrefixRecord &record, const QString &field)
{
    if (field == prefixField)
        return record.prefix;
    if (field == u"Country"_s)
        return record.country;
    if (field == u"DXCC"_s)
        return record.dxcc ? QVariant(*record.dxcc) : QVariant();
    if (field == u"Continent"_s)
        return record.place.continent;
    if (field == u"CQ"_s)
        return record.place.cqZone;
    if (field == u"ITU"_s)
        return record.place.ituZone;
    if (field == u"Latitude"_s)
        return record.place.latitude;
    if (field == u"Longitude"_s)
        return record.place.longitude;
    if (field == u"UTC"_s)
        return record.place.utcOffset;
    return record.card;
}

void bindValue(SQLite::Statement &statement, int index, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
        statement.bind(index, value.toInt());
        break;
    case QMetaType::Double:
        statement.bind(index, value.toDouble());
        break;
    case QMetaType::QString:
        statement.bind(index, utf8(value.toString()));
        break;
    default:
        statement.bind(index);
        break;
    }
}

// INSERT INTO table (fields...) VALUES (?, ...), the fields named as the table spells them.
QString insertStatement(const QString &table, const QStringList &columns)
{
    QStringList quoted;
    for (const QString &column : columns)
        quoted << quotedIdentifier(column);
    return u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(quotedIdentifier(table), quoted.join(u", "_s),
                                                   QStringList(columns.size(), u"?"_s).join(u", "_s));
}

// Binds the record's values of the fields to ?1, ?2, ... of a statement run before.
void bindRecord(SQLite::Statement &statement, const QStringList &fields, const PrefixRecord &record)
{
    statement.reset();
    statement.clearBindings();
    for (qsizetype i = 0; i < fields.size(); ++i)
        bindValue(statement, int(i + 1), fieldValue(record, fields[i]));
}

void insertRecord(SQLite::Statement &insert, const QStringList &fields, const PrefixRecord &record)
{
    bindRecord(insert, fields, record);
    insert.exec();
}

void writeTable(SQLite::Database &db, const QString &table, const QList<PrefixRecord> &records,
                const TableWriter::Progress &progress)
{
    qsizetype countryWidth = 1;
    for (const PrefixRecord &record : records)
        countryWidth = std::max(countryWidth, record.country.size());

    // NOCASE keeps the prefixes unique without regard to case and lets its index serve lookups
    // that ignore case; CLOB marks F7 as a memo while keeping text affinity.
    const QString schema = u"CREATE TABLE %1 ("
                           "Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY CHECK (Prefix <> ''), "
                           "Country VARCHAR(%2), "
                           "DXCC INTEGER, "
                           "Continent CHAR(2), "
                           "CQ INTEGER, "
                           "ITU INTEGER, "
                           "Latitude REAL, "
                           "Longitude REAL, "
                           "UTC REAL, "
                           "F7 CLOB)"_s.arg(quotedIdentifier(table), QString::number(countryWidth));

    SQLite::Transaction transaction(db);
    db.exec(utf8(schema));
    const QStringList fields = QStringList{prefixField} + countryFileFields + QStringList{memoField};
    SQLite::Statement insert(db, utf8(insertStatement(table, fields)));
    for (qsizetype i = 0; i < records.size(); ++i) {
        insertRecord(insert, fields, records[i]);
        if (progress && i % 1024 == 0)
            progress(i, records.size());
    }
    transaction.commit();
}

TableWriter::RefreshSummary mergeTable(SQLite::Database &db, const QString &fileName, const QString &table,
                                       const QList<PrefixRecord> &records, bool withDxcc,
                                       const TableWriter::Progress &progress)
{
    SQLite::Transaction transaction(db, SQLite::TransactionBehavior::IMMEDIATE);

    // The table's own spelling of each field, found without regard to case.
    QHash<QString, QString> columns;
    SQLite::Statement info(db, "SELECT name FROM pragma_table_info(?)");
    info.bind(1, utf8(table));
    while (info.executeStep()) {
        const QString name = QString::fromUtf8(info.getColumn(0).getText());
        columns.insert(name.toUpper(), name);
    }
    if (columns.isEmpty())
        throw ImportError(u"%1: the file holds no table %2"_s.arg(fileName, table));
    if (!columns.contains(prefixField.toUpper()))
        throw ImportError(u"%1: the table %2 has no field '%3'"_s.arg(fileName, table, prefixField));

    QStringList updated; // country-file fields the table has
    for (const QString &field : countryFileFields) {
        if ((field != u"DXCC"_s || withDxcc) && columns.contains(field.toUpper()))
            updated << field;
    }
    QStringList inserted = QStringList{prefixField} + updated;
    if (columns.contains(memoField.toUpper()))
        inserted << memoField;
    const auto spelled = [&](const QStringList &fields) {
        QStringList names;
        for (const QString &field : fields)
            names << columns.value(field.toUpper());
        return names;
    };

    // Every stored prefix by its upper-case form; the first row in table order answers for it.
    const QString prefixColumn = quotedIdentifier(columns.value(prefixField.toUpper()));
    QHash<QString, QString> stored;
    int rows = 0;
    SQLite::Statement select(db, utf8(u"SELECT %1 FROM %2"_s.arg(prefixColumn, quotedIdentifier(table))));
    while (select.executeStep()) {
        ++rows;
        if (!select.getColumn(0).isNull()) {
            const QString prefix = QString::fromUtf8(select.getColumn(0).getText());
            if (!stored.contains(prefix.toUpper()))
                stored.insert(prefix.toUpper(), prefix);
        }
    }

    // Only a row whose fields differ is written: ?1.. are the new values, the last one the stored
    // prefix, compared by the column's own collation so that its index serves the search.
    std::optional<SQLite::Statement> update;
    if (!updated.isEmpty()) {
        QStringList assignments;
        QStringList same;
        const QStringList names = spelled(updated);
        for (qsizetype i = 0; i < names.size(); ++i) {
            assignments << u"%1 = ?%2"_s.arg(quotedIdentifier(names[i]), QString::number(i + 1));
            same << u"%1 IS ?%2"_s.arg(quotedIdentifier(names[i]), QString::number(i + 1));
        }
        update.emplace(db, utf8(u"UPDATE %1 SET %2 WHERE %3 = ?%4 AND NOT (%5)"_s.arg(
                               quotedIdentifier(table), assignments.join(u", "_s), prefixColumn,
                               QString::number(names.size() + 1), same.join(u" AND "_s))));
    }
    SQLite::Statement insert(db, utf8(insertStatement(table, spelled(inserted))));

    TableWriter::RefreshSummary summary;
    QSet<QString> seen;
    qsizetype done = 0;
    for (const PrefixRecord &record : records) {
        if (progress && done++ % 1024 == 0)
            progress(done, records.size());
        const QString key = record.prefix.toUpper();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        const auto found = stored.constFind(key);
        if (found == stored.cend()) {
            insertRecord(insert, inserted, record);
            ++summary.added;
            continue;
        }
        int changes = 0;
        if (update) {
            bindRecord(*update, updated, record);
            bindValue(*update, int(updated.size() + 1), *found);
            changes = update->exec();
        }
        ++(changes > 0 ? summary.updated : summary.unchanged);
    }
    summary.kept = rows - summary.updated - summary.unchanged;
    transaction.commit();
    return summary;
}

} // namespace

QString TableWriter::tableName(const QString &fileName)
{
    return QFileInfo(fileName).completeBaseName();
}

void TableWriter::create(const QString &fileName, const QList<PrefixRecord> &records, const Progress &progress)
{
    const QFileInfo target(fileName);
    const QString table = tableName(fileName);
    if (table.isEmpty())
        throw ImportError(u"%1: the file name gives no table name"_s.arg(fileName));

    // A unique name beside the target, so that the final rename stays on one file system.
    QString partialName;
    {
        QTemporaryFile partial(target.absoluteDir().filePath(u".%1.XXXXXX"_s.arg(target.fileName())));
        partial.setAutoRemove(false);
        if (!partial.open())
            throw ImportError(u"%1: cannot create a file in %2: %3"_s.arg(fileName, target.absolutePath(),
                                                                           partial.errorString()));
        partialName = partial.fileName();
    }
    PartialFile cleanup(partialName);

    try {
        SQLite::Database db(nativePath(partialName), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        writeTable(db, table, records, progress);
    } catch (const SQLite::Exception &e) {
        throw ImportError(u"%1: %2"_s.arg(fileName, QString::fromUtf8(e.what())));
    }

    // The temporary file is private to its owner; the table gets the usual permissions.
    const QFileDevice::Permissions permissions = target.exists()
        ? QFile::permissions(fileName)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser
            | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(partialName, permissions);

    std::error_code error;
    std::filesystem::rename(nativePath(partialName), nativePath(target.absoluteFilePath()), error);
    if (error)
        throw ImportError(u"%1: cannot replace the file: %2"_s.arg(fileName, QString::fromStdString(error.message())));
    cleanup.keep();
}

TableWriter::RefreshSummary TableWriter::refresh(const QString &fileName, const QList<PrefixRecord> &records,
                                                 bool withDxcc, const Progress &progress)
{
    if (!QFileInfo(fileName).isFile())
        throw ImportError(u"%1: no such table file"_s.arg(fileName));
    try {
        // Waits a while for a program that is writing the table at the same moment.
        SQLite::Database db(nativePath(fileName), SQLite::OPEN_READWRITE, 5000);
        return mergeTable(db, fileName, tableName(fileName), records, withDxcc, progress);
    } catch (const SQLite::Exception &e) {
        throw ImportError(u"%1: %2"_s.arg(fileName, QString::fromUtf8(e.what())));
    }
}

QString TableWriter::RefreshSummary::text() const
{
    return u"added %1, updated %2, kept %3, unchanged %4"_s.arg(QString::number(added), QString::number(updated),
                                                                QString::number(kept), QString::number(unchanged));
}
