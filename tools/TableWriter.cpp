// SPDX-License-Identifier: MIT
#include "TableWriter.h"

#include "ImportError.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <algorithm>
#include <filesystem>

using namespace Qt::Literals::StringLiterals;

namespace {

QString quotedName(const QString &name)
{
    return u"\"%1\""_s.arg(QString(name).replace(u'"', u"\"\""_s));
}

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

void writeTable(SQLite::Database &db, const QString &table, const QList<PrefixRecord> &records)
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
                           "F7 CLOB)"_s.arg(quotedName(table), QString::number(countryWidth));

    SQLite::Transaction transaction(db);
    db.exec(utf8(schema));
    SQLite::Statement insert(db, utf8(u"INSERT INTO %1 (Prefix, Country, DXCC, Continent, CQ, ITU, "
                                      "Latitude, Longitude, UTC, F7) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s
                                          .arg(quotedName(table))));
    for (const PrefixRecord &record : records) {
        insert.reset();
        insert.clearBindings();
        insert.bind(1, utf8(record.prefix));
        insert.bind(2, utf8(record.country));
        if (record.dxcc)
            insert.bind(3, *record.dxcc);
        insert.bind(4, utf8(record.place.continent));
        insert.bind(5, record.place.cqZone);
        insert.bind(6, record.place.ituZone);
        insert.bind(7, record.place.latitude);
        insert.bind(8, record.place.longitude);
        insert.bind(9, record.place.utcOffset);
        insert.bind(10, utf8(record.card));
        insert.exec();
    }
    transaction.commit();
}

} // namespace

QString TableWriter::tableName(const QString &fileName)
{
    return QFileInfo(fileName).completeBaseName();
}

void TableWriter::create(const QString &fileName, const QList<PrefixRecord> &records)
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
        writeTable(db, table, records);
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
