// SPDX-License-Identifier: MIT
// Fuzzes the prefix search with any text against a real table: no crash, no exception, no SQL
// that the text could change, and the in-memory index agreeing with Locate on every key tried.
#include "EntryFilter.h"
#include "PrefixIndex.h"
#include "PrefixSearch.h"
#include "Table.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    Table table;
    std::unique_ptr<PrefixIndex> index;

    Fixture()
    {
        const std::string path = dir.filePath(u"DXCC22.db"_s).toStdString();
        {
            SQLite::Database db(path, SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec("CREATE TABLE DXCC22 (Prefix VARCHAR(9) NOT NULL COLLATE NOCASE PRIMARY KEY, "
                    "Country VARCHAR(40), F7 CLOB)");
            SQLite::Statement insert(db, "INSERT INTO DXCC22 (Prefix, Country) VALUES (?, 'x')");
            for (const char *prefix : {"K", "UA", "UA3", "UA9", "УА3", "ЖЖ", "'", "%", "_", "\"", ";", "--",
                                       "' OR 1=1", "A B", "Ё", "ǅ", "ß", "İ", "\xF0\x9F\x98\x80", "a\x01"}) {
                insert.bind(1, prefix);
                insert.exec();
                insert.reset();
            }
        }
        table.setTableName(dir.filePath(u"DXCC22"_s));
        table.open();
        index = std::make_unique<PrefixIndex>(table, u"Prefix"_s);
    }
};

Fixture &fixture()
{
    static Fixture instance;
    return instance;
}

[[noreturn]] void fail(const char *what, const QString &key)
{
    std::fprintf(stderr, "%s: %s\n", what, key.toUtf8().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fixture &f = fixture();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const char32_t ch : text.toUcs4())
        (void)classifyTypedKey(ch);
    (void)upperCased(text);
    try {
        findPrefix(text, [&](const QString &key) {
            const bool found = f.table.locate(u"Prefix"_s, key);
            const int expected = found ? f.table.currentRow() : -1;
            if (f.index->find(key) != expected)
                fail("index and Locate disagree", key);
            if (found && f.table.value(u"Prefix"_s).toString().size() != key.size())
                fail("Locate found a record of another length", key);
            return found;
        });
    } catch (const std::exception &error) {
        fail(error.what(), text);
    }
    if (f.table.recordCount() != 20)
        fail("the table changed", text);
    return 0;
}
