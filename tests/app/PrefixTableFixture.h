// SPDX-License-Identifier: MIT
#pragma once

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A prefix table "DXCC22" in a temporary folder, in the program's schema. The rows are the
// prefixes below plus fillers ("A00" ... ) so that the grid has far more rows than it shows.
class PrefixTableFixture
{
public:
    static inline const char *Schema = R"(
CREATE TABLE DXCC22 (
  Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY,
  Country VARCHAR(40), DXCC INTEGER, Continent CHAR(2), CQ INTEGER, ITU INTEGER,
  Latitude REAL, Longitude REAL, UTC REAL, F7 CLOB);
)";

    explicit PrefixTableFixture(int fillers = 120, const char *schema = Schema,
                                const QString &folderName = QString())
    {
        folder = folderName.isEmpty() ? dir.path() : dir.filePath(folderName);
        QDir().mkpath(folder);
        path = folder + QStringLiteral("/DXCC22.db");
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec(schema);
        if (fillers < 0)
            return;
        const bool withMemo = std::string(schema).find("F7") != std::string::npos;
        SQLite::Transaction transaction(db);
        const auto add = [&](const QString &prefix, const QString &country, int dxcc) {
            SQLite::Statement insert(db, withMemo
                ? "INSERT INTO DXCC22 (Prefix, Country, DXCC, Continent, CQ, F7) VALUES (?, ?, ?, 'EU', 16, ?)"
                : "INSERT INTO DXCC22 (Prefix, Country, DXCC, Continent, CQ) VALUES (?, ?, ?, 'EU', 16)");
            insert.bind(1, prefix.toStdString());
            insert.bind(2, country.toStdString());
            insert.bind(3, dxcc);
            if (withMemo)
                insert.bind(4, memo(prefix).toStdString());
            insert.exec();
        };
        add(QStringLiteral("K"), QStringLiteral("United States"), 291);
        add(QStringLiteral("U"), QStringLiteral("Russia"), 54);
        add(QStringLiteral("UA"), QStringLiteral("European Russia"), 54);
        add(QStringLiteral("UA3"), QStringLiteral("European Russia"), 54);
        add(QStringLiteral("UA9"), QStringLiteral("Asiatic Russia"), 15);
        add(QStringLiteral("VE"), QStringLiteral("Canada"), 1);
        add(QStringLiteral("ZS"), QStringLiteral("South Africa"), 462);
        for (int i = 0; i < fillers; ++i)
            add(QStringLiteral("A%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("Filler"), i);
        transaction.commit();
    }

    static QString memo(const QString &prefix) { return QStringLiteral("Memo of %1: a card").arg(prefix); }

    // The table name to open: the path without its extension.
    QString tableName() const { return folder + QStringLiteral("/DXCC22"); }

    // What another program reading the file sees.
    QVariant stored(const QString &sql) const
    {
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
        SQLite::Statement query(db, sql.toStdString());
        if (!query.executeStep() || query.getColumn(0).isNull())
            return {};
        return QString::fromStdString(query.getColumn(0).getString());
    }

    QTemporaryDir dir;
    QString folder;
    QString path;
};
