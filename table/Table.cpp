// SPDX-License-Identifier: MIT
#include "Table.h"

#include "CaseFold.h"
#include "RowOrder.h"
#include "SqlIdentifier.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <sqlite3.h>

#include <QCache>
#include <QHash>
#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <future>
#include <mutex>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

using RowId = sqlite3_int64;
using Record = QVector<QVariant>;

std::string utf8(const QString &text)
{
    return text.toStdString();
}

QVariant columnValue(const SQLite::Column &column)
{
    switch (column.getType()) {
    case SQLITE_INTEGER:
        return qlonglong(column.getInt64());
    case SQLITE_FLOAT:
        return column.getDouble();
    case SQLITE_TEXT:
        return QString::fromUtf8(column.getText(), column.getBytes());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(column.getBlob()), column.getBytes());
    default:
        return {};
    }
}

void bindValue(SQLite::Statement &statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        statement.bind(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        statement.bind(index, static_cast<int64_t>(value.toLongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        statement.bind(index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        statement.bind(index, bytes.constData(), int(bytes.size()));
        break;
    }
    default:
        statement.bind(index, utf8(value.toString()));
        break;
    }
}

// Two values are the same for "is the record changed": NULL differs from every value.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.typeId() == b.typeId())
        return a == b;
    return a.toString() == b.toString();
}

// Letters whose case changes outside ASCII, which SQLite's NOCASE does not fold.
QList<int> foldablePositions(const QString &text)
{
    QList<int> positions;
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.unicode() >= 0x80 && (ch.toUpper() != ch || ch.toLower() != ch))
            positions.append(i);
    }
    return positions;
}

// Enough spellings to find a key with a few non-ASCII letters through the index.
constexpr int MaxSpellings = 512;

// Every spelling of text that folds to the same key, varying the letters at the given positions.
QStringList caseSpellings(const QString &text, const QList<int> &positions)
{
    QStringList spellings{text};
    for (int position : positions) {
        const QChar ch = text.at(position);
        QList<QChar> forms{ch};
        for (QChar form : {ch.toLower(), ch.toUpper(), ch.toTitleCase()})
            if (!forms.contains(form) && foldedChar(form.unicode()) == foldedChar(ch.unicode()))
                forms.append(form);
        QStringList next;
        for (const QString &spelling : std::as_const(spellings)) {
            for (QChar form : forms) {
                QString variant = spelling;
                variant[position] = form;
                next.append(variant);
            }
        }
        spellings = next;
    }
    return spellings;
}

} // namespace

class Table::Private
{
public:
    explicit Private(Table *q) : q(q) {}

    Table *q;
    QString tableName;
    QString fileName;
    QString sqlName; // the quoted name of the table inside the file
    std::unique_ptr<SQLite::Database> db;
    std::unique_ptr<SQLite::Statement> selectRecord;
    mutable QHash<QString, std::shared_ptr<SQLite::Statement>> statements; // prepared once, by SQL text
    bool readOnly = false;
    std::pair<dev_t, ino_t> fileIdentity{}; // of the file opened, to notice it removed or replaced
    QVector<Field> fields;
    QString columnList;
    QString orderBy;
    QList<int> orderFields; // fields of the primary key, which sets the order
    bool rowidOrder = true; // the order is the rowid's, so `order` is sorted

    RowOrder order;
    // Where each rowid stands in `order`, built on demand and emptied whenever the order changes:
    // indexed by rowid when rowids are dense, else the positions sorted by rowid.
    mutable std::vector<uint32_t> byRowid;
    mutable bool denseByRowid = false;
    static constexpr uint32_t NoPosition = UINT32_MAX;
    mutable QCache<RowId, Record> cache{1024};

    DatasetState state = DatasetState::Inactive;
    int current = -1;  // display row
    int inserting = -1; // display row of the record being inserted
    Record buffer;     // the current record, with pending changes
    Record original;   // the current record as stored
    std::optional<QString> refusal; // set by an editor while aboutToSettle is being emitted

    QString name() const { return q ? q->objectName() : QString(); }
    QString prefixed(const QString &message) const
    {
        return name().isEmpty() ? message : name() + u": "_s + message;
    }

    void requireActive() const
    {
        if (!db)
            throw DatabaseError(prefixed(u"Cannot perform this operation on a closed dataset"_s));
    }
    void requireWritable() const
    {
        requireActive();
        if (readOnly)
            throw DatabaseError(prefixed(u"Cannot modify a read-only dataset"_s));
    }
    void requireEditing() const
    {
        requireActive();
        if (state != DatasetState::Edit && state != DatasetState::Insert)
            throw DatabaseError(prefixed(u"Dataset not in edit or insert mode"_s));
    }
    static std::optional<std::pair<dev_t, ino_t>> identityOf(const QString &path)
    {
        struct stat status{};
        if (::stat(QFile::encodeName(path).constData(), &status) != 0)
            return std::nullopt;
        return std::pair{status.st_dev, status.st_ino};
    }
    bool fileReplaced() const { return identityOf(fileName) != fileIdentity; }
    // Before a save: the file must still be the one opened, and still writable.
    void requireSameWritableFile() const
    {
        if (fileReplaced())
            throw DatabaseError(u"The table file %1 has been removed or replaced by another program; "
                                "nothing was saved"_s.arg(QDir::toNativeSeparators(fileName)));
        const QFileInfo info(fileName);
        if (!(info.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
            throw DatabaseError(prefixed(u"Cannot modify a read-only dataset"_s));
    }
    int requireFieldNamed(const QString &fieldName) const
    {
        const int field = q->fieldIndex(fieldName);
        if (field < 0)
            throw DatabaseError(prefixed(u"Field '%1' not found"_s.arg(fieldName)));
        return field;
    }
    void requireField(int field) const
    {
        if (field < 0 || field >= fields.size())
            throw DatabaseError(prefixed(u"Field index out of range"_s));
    }

    int recordCount() const { return int(order.size()); }
    int rowCount() const { return recordCount() + (inserting >= 0 ? 1 : 0); }

    // The stored record shown at a display row, if that row is not the one being inserted.
    std::optional<RowId> rowidAt(int row) const
    {
        if (row < 0 || row >= rowCount() || row == inserting)
            return std::nullopt;
        const int index = (inserting >= 0 && row > inserting) ? row - 1 : row;
        return order[size_t(index)];
    }

    [[noreturn]] void rethrow(const std::exception &error) const
    {
        const auto *engine = dynamic_cast<const SQLite::Exception *>(&error);
        if (engine && (engine->getErrorCode() & 0xff) == SQLITE_BUSY)
            throw DatabaseError(u"The table is in use by another program; try again later (%1)"_s.arg(
                QString::fromUtf8(error.what())));
        throw DatabaseError(QString::fromUtf8(error.what()));
    }

    // Runs an operation, turning the engine's exceptions into the program's.
    template<typename Operation>
    auto guarded(Operation &&operation) const
    {
        try {
            return operation();
        } catch (const DatabaseError &) {
            throw;
        } catch (const std::exception &error) {
            rethrow(error);
        }
    }

    void closeConnection(); // statements first: SQLite closes no connection they still use
    void open();
    void readFile(); // the file named fileName: its fields and record order
    void adopt(Private &&reading); // what a preload read
    void loadFields();
    void loadOrder();
    int positionOf(RowId rowid) const;
    SQLite::Statement &prepared(const QString &sql) const;
    std::optional<Record> read(RowId rowid) const; // from the file, refreshing the cache
    Record fetch(RowId rowid) const;                // from the cache where it can
    void loadCurrent();
    void setState(DatasetState next);
    void announceSettle();
    void goTo(int row); // without settling
    void beginInsert(int row); // a new empty record at that display row
    bool settle();
    void post();
    void dropPending();
    std::optional<RowId> find(int field, const QString &value, bool caseInsensitive) const;
};

Table::Table(QObject *parent) : QObject(parent), d(std::make_unique<Private>(this))
{
    setObjectName(u"Table1"_s);
}

Table::~Table()
{
    // Destroying the table closes it; a pending change is dropped.
    d->closeConnection();
}

void Table::setTableName(const QString &name)
{
    if (d->db)
        throw DatabaseError(d->prefixed(u"Cannot perform this operation on an open dataset"_s));
    d->tableName = name;
}

QString Table::tableName() const
{
    return d->tableName;
}

QString Table::fileName() const
{
    return fileNameFor(d->tableName);
}

QString Table::fileNameFor(const QString &tableName)
{
    if (tableName.endsWith(u".db"_s, Qt::CaseInsensitive))
        return tableName;
    return tableName + u".db"_s;
}

void Table::open()
{
    if (d->db)
        return;
    try {
        d->guarded([this] { d->open(); });
    } catch (...) {
        d->closeConnection();
        throw;
    }
    emit rowsReset();
    emit stateChanged(d->state);
    emit currentRowChanged(d->current);
    emit recordChanged(-1);
}

void Table::Private::closeConnection()
{
    statements.clear();
    selectRecord.reset();
    db.reset();
}

void Table::Private::open()
{
    fileName = q->fileName();
    if (std::unique_ptr<Private> preloaded = TablePreload::take(fileName))
        adopt(std::move(*preloaded));
    else
        readFile();
    state = DatasetState::Browse;
    inserting = -1;
    current = order.empty() ? -1 : 0;
    loadCurrent();
}

void Table::Private::readFile()
{
    if (const int rc = sqlite3_initialize(); rc != SQLITE_OK) {
        throw DatabaseError(
            u"An error occurred while attempting to initialize the Borland Database Engine (error $%1)"_s.arg(
                QString::number(rc, 16).toUpper().rightJustified(4, u'0')));
    }
    const QFileInfo info(fileName);
    sqlName = quotedIdentifier(info.completeBaseName());

    if (!info.exists() || !info.isFile()) {
        // Never create an empty table where the user's table should be.
        throw DatabaseError(u"unable to open database file\nFile: %1"_s.arg(QDir::toNativeSeparators(fileName)));
    }
    // Write bits count even for an administrator, who passes every permission check.
    const auto writeBits = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    const QFileInfo folder(info.absolutePath());
    readOnly = !info.isWritable() || !(info.permissions() & writeBits) || !folder.isWritable()
               || !(folder.permissions() & writeBits);

    // One thread at a time uses the connection (a preload hands it over once it is done with
    // it): SQLite's own locking would only cost time.
    const int flags = (readOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE) | SQLite::OPEN_NOMUTEX;
    db = std::make_unique<SQLite::Database>(utf8(fileName), flags, 2000);
    fileIdentity = identityOf(fileName).value_or(std::pair<dev_t, ino_t>{});

    loadFields();
    selectRecord = std::make_unique<SQLite::Statement>(
        *db, utf8(u"SELECT %1 FROM %2 WHERE rowid = ?"_s.arg(columnList, sqlName)));
    loadOrder();
}

void Table::Private::adopt(Private &&reading)
{
    sqlName = std::move(reading.sqlName);
    readOnly = reading.readOnly;
    db = std::move(reading.db);
    selectRecord = std::move(reading.selectRecord);
    fileIdentity = reading.fileIdentity;
    fields = std::move(reading.fields);
    orderFields = std::move(reading.orderFields);
    rowidOrder = reading.rowidOrder;
    columnList = std::move(reading.columnList);
    orderBy = std::move(reading.orderBy);
    order = std::move(reading.order);
    byRowid.clear();
    cache.clear();
}

void Table::Private::loadFields()
{
    // This first read also tells a file that is not an SQLite database.
    SQLite::Statement exists(*db, "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ? COLLATE NOCASE");
    exists.bind(1, utf8(QFileInfo(fileName).completeBaseName()));
    if (!exists.executeStep())
        throw DatabaseError(u"no such table: %1\nFile: %2"_s.arg(sqlName.mid(1, sqlName.size() - 2),
                                                                 QDir::toNativeSeparators(fileName)));
    sqlName = quotedIdentifier(QString::fromUtf8(exists.getColumn(0).getText()));

    fields.clear();
    orderFields.clear();
    SQLite::Statement info(*db, utf8(u"PRAGMA table_info(%1)"_s.arg(sqlName)));
    QList<std::pair<int, int>> keyParts; // (position in key, field)
    while (info.executeStep()) {
        Field field = Field::fromDeclaration(QString::fromUtf8(info.getColumn(1).getText()),
                                             QString::fromUtf8(info.getColumn(2).getText()));
        field.required = info.getColumn(3).getInt() != 0 && info.getColumn(4).isNull();
        field.primaryKeyPosition = info.getColumn(5).getInt();
        if (field.primaryKeyPosition > 0)
            keyParts.append({field.primaryKeyPosition, int(fields.size())});
        fields.append(field);
    }
    std::sort(keyParts.begin(), keyParts.end());
    for (const auto &part : keyParts)
        orderFields.append(part.second);

    // A lone INTEGER PRIMARY KEY is the rowid itself: filled in by SQLite, ordered as the rowid.
    rowidOrder = orderFields.isEmpty()
                 || (orderFields.size() == 1
                     && fields[orderFields.first()].declaredType.compare(u"INTEGER"_s, Qt::CaseInsensitive) == 0);
    if (rowidOrder && !orderFields.isEmpty())
        fields[orderFields.first()].required = false;

    QStringList columns;
    for (const Field &field : std::as_const(fields))
        columns.append(quotedIdentifier(field.name));
    columnList = columns.join(u", "_s);
    QStringList orderColumns;
    if (!rowidOrder)
        for (int field : std::as_const(orderFields))
            orderColumns.append(quotedIdentifier(fields[field].name));
    orderColumns.append(u"rowid"_s);
    orderBy = orderColumns.join(u", "_s);
}

void Table::Private::loadOrder()
{
    RowOrder rows;
    guarded([&] {
        // The C API itself: a column object per row would cost more than the step.
        const std::string sql = utf8(u"SELECT rowid FROM %1 ORDER BY %2"_s.arg(sqlName, orderBy));
        sqlite3_stmt *raw = nullptr;
        if (sqlite3_prepare_v2(db->getHandle(), sql.c_str(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
            throw SQLite::Exception(db->getHandle(), sqlite3_errcode(db->getHandle()));
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> select(raw, sqlite3_finalize);
        // The largest rowid is found at once and is the row count of any table that was never
        // thinned out: room for every rowid without growing the vector on the way.
        const auto largest = db->execAndGet(utf8(u"SELECT max(rowid) FROM %1"_s.arg(sqlName)));
        rows.reserve(size_t(std::clamp<int64_t>(largest.isNull() ? 0 : largest.getInt64(), 0, 1 << 26)));
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            rows.push_back(sqlite3_column_int64(raw, 0));
        if (rc != SQLITE_DONE)
            throw SQLite::Exception(db->getHandle(), rc);
    });
    order = std::move(rows);
    byRowid.clear();
    cache.clear();
}

int Table::Private::positionOf(RowId rowid) const
{
    if (rowidOrder) {
        return int(order.findSorted(rowid));
    }
    if (byRowid.empty() && !order.empty()) {
        // Rowids are nearly always dense: then a direct table, else positions sorted by rowid.
        const RowId largest = order.largest();
        denseByRowid = largest >= 0 && largest <= RowId(order.size()) * 2 + 1024;
        if (denseByRowid) {
            byRowid.assign(size_t(largest) + 1, NoPosition);
            for (size_t i = 0; i < order.size(); ++i)
                if (order[i] >= 0)
                    byRowid[size_t(order[i])] = uint32_t(i);
        } else {
            byRowid.resize(order.size());
            std::iota(byRowid.begin(), byRowid.end(), 0u);
            std::sort(byRowid.begin(), byRowid.end(),
                      [this](uint32_t a, uint32_t b) { return order[a] < order[b]; });
        }
    }
    if (denseByRowid) {
        if (rowid < 0 || size_t(rowid) >= byRowid.size())
            return -1;
        const uint32_t position = byRowid[size_t(rowid)];
        return position == NoPosition ? -1 : int(position);
    }
    const auto it = std::lower_bound(byRowid.begin(), byRowid.end(), rowid,
                                     [this](uint32_t position, RowId id) { return order[position] < id; });
    return (it != byRowid.end() && order[*it] == rowid) ? int(*it) : -1;
}

SQLite::Statement &Table::Private::prepared(const QString &sql) const
{
    auto &statement = statements[sql];
    if (!statement)
        statement = std::make_shared<SQLite::Statement>(*db, utf8(sql));
    statement->reset();
    statement->clearBindings();
    return *statement;
}

std::optional<Record> Table::Private::read(RowId rowid) const
{
    std::optional<Record> record;
    guarded([&] {
        selectRecord->reset();
        selectRecord->bind(1, static_cast<int64_t>(rowid));
        if (selectRecord->executeStep()) {
            record.emplace(fields.size());
            for (int i = 0; i < fields.size(); ++i)
                (*record)[i] = columnValue(selectRecord->getColumn(i));
        }
        selectRecord->reset();
    });
    if (record)
        cache.insert(rowid, new Record(*record));
    return record;
}

Record Table::Private::fetch(RowId rowid) const
{
    if (const Record *cached = cache.object(rowid))
        return *cached;
    // A record removed by another program since the last refresh reads as empty.
    return read(rowid).value_or(Record(fields.size()));
}

void Table::Private::loadCurrent()
{
    const auto rowid = rowidAt(current);
    buffer = rowid ? fetch(*rowid) : Record(fields.size());
    original = buffer;
}

void Table::Private::setState(DatasetState next)
{
    if (state == next)
        return;
    state = next;
    emit q->stateChanged(next);
}

void Table::Private::goTo(int row)
{
    if (rowCount() == 0)
        return;
    row = std::clamp(row, 0, rowCount() - 1);
    if (row == current)
        return;
    current = row;
    loadCurrent();
    emit q->currentRowChanged(current);
    emit q->recordChanged(-1);
}

void Table::Private::beginInsert(int row)
{
    inserting = row;
    current = row;
    buffer = Record(fields.size());
    original = buffer;
    setState(DatasetState::Insert);
    emit q->rowsReset();
    emit q->currentRowChanged(current);
    emit q->recordChanged(-1);
}

// Lets the editors write their text into the pending record; one that cannot stops the settle.
void Table::Private::announceSettle()
{
    refusal.reset();
    emit q->aboutToSettle();
    if (refusal) {
        const QString message = *std::exchange(refusal, std::nullopt);
        throw DatabaseError(message);
    }
}

// Saves a changed pending record, drops an unchanged one. Returns whether the rows moved.
bool Table::Private::settle()
{
    if (state != DatasetState::Edit && state != DatasetState::Insert)
        return false;
    announceSettle();
    if (q->isModified()) {
        post();
        return true;
    }
    const bool wasInsert = state == DatasetState::Insert;
    dropPending();
    return wasInsert;
}

void Table::Private::dropPending()
{
    if (state == DatasetState::Insert) {
        inserting = -1;
        current = std::min(current, rowCount() - 1);
        loadCurrent();
        setState(DatasetState::Browse);
        emit q->rowsReset();
        emit q->currentRowChanged(current);
    } else {
        buffer = original;
        setState(DatasetState::Browse);
    }
    emit q->recordChanged(-1);
}

void Table::Private::post()
{
    requireSameWritableFile();
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].required && buffer[i].isNull())
            throw DatabaseError(u"Field '%1' must have a value"_s.arg(fields[i].name));
    }
    const bool wasInsert = state == DatasetState::Insert;
    QList<int> changed;
    for (int i = 0; i < fields.size(); ++i)
        if (!sameValue(buffer[i], original[i]) || (wasInsert && !buffer[i].isNull()))
            changed.append(i);

    RowId rowid = 0;
    guarded([&] {
        SQLite::Transaction transaction(*db, SQLite::TransactionBehavior::IMMEDIATE);
        if (wasInsert) {
            QStringList names, marks;
            for (int i : std::as_const(changed)) {
                names.append(quotedIdentifier(fields[i].name));
                marks.append(u"?"_s);
            }
            const QString sql = changed.isEmpty()
                                    ? u"INSERT INTO %1 DEFAULT VALUES"_s.arg(sqlName)
                                    : u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(sqlName, names.join(u", "_s),
                                                                              marks.join(u", "_s));
            SQLite::Statement insert(*db, utf8(sql));
            for (int k = 0; k < changed.size(); ++k)
                bindValue(insert, k + 1, buffer[changed[k]]);
            insert.exec();
            rowid = db->getLastInsertRowid();
        } else {
            rowid = *rowidAt(current);
            if (!changed.isEmpty()) {
                QStringList sets;
                for (int i : std::as_const(changed))
                    sets.append(quotedIdentifier(fields[i].name) + u" = ?"_s);
                SQLite::Statement update(*db, utf8(u"UPDATE %1 SET %2 WHERE rowid = ?"_s.arg(sqlName, sets.join(u", "_s))));
                for (int k = 0; k < changed.size(); ++k)
                    bindValue(update, k + 1, buffer[changed[k]]);
                update.bind(int(changed.size()) + 1, static_cast<int64_t>(rowid));
                if (update.exec() == 0)
                    throw DatabaseError(u"The record was deleted by another user"_s);
                // A changed rowid alias moves the record to another rowid.
                if (rowidOrder && !orderFields.isEmpty() && changed.contains(orderFields.first())
                    && !buffer[orderFields.first()].isNull())
                    rowid = buffer[orderFields.first()].toLongLong();
            }
        }
        transaction.commit();
    });

    // The record is stored: from here on nothing can fail that would lose it.
    const bool reorder = wasInsert || std::any_of(orderFields.begin(), orderFields.end(),
                                                  [&](int field) { return changed.contains(field); });
    cache.remove(rowid);
    if (reorder) {
        inserting = -1;
        loadOrder();
        const int position = positionOf(rowid);
        current = position >= 0 ? position : std::min(current, rowCount() - 1);
    }
    loadCurrent();
    setState(DatasetState::Browse);
    if (reorder) {
        emit q->rowsReset();
        emit q->currentRowChanged(current);
    }
    emit q->recordChanged(-1);
}

void Table::close()
{
    if (!d->db)
        return;
    d->closeConnection(); // a pending change is dropped, as it was never written
    d->fields.clear();
    d->order.clear();
    d->byRowid.clear();
    d->cache.clear();
    d->buffer.clear();
    d->original.clear();
    d->current = -1;
    d->inserting = -1;
    d->setState(DatasetState::Inactive);
    emit rowsReset();
    emit currentRowChanged(-1);
    emit recordChanged(-1);
}

bool Table::isActive() const
{
    return d->db != nullptr;
}

bool Table::isReadOnly() const
{
    return d->readOnly;
}

DatasetState Table::state() const
{
    return d->state;
}

bool Table::isModified() const
{
    if (d->state == DatasetState::Insert)
        return std::any_of(d->buffer.begin(), d->buffer.end(), [](const QVariant &v) { return !v.isNull(); });
    if (d->state != DatasetState::Edit)
        return false;
    for (int i = 0; i < d->buffer.size(); ++i)
        if (!sameValue(d->buffer[i], d->original[i]))
            return true;
    return false;
}

const QVector<Field> &Table::fields() const
{
    return d->fields;
}

int Table::fieldIndex(const QString &name) const
{
    for (int i = 0; i < d->fields.size(); ++i)
        if (d->fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

const Field &Table::fieldByName(const QString &name) const
{
    return d->fields[d->requireFieldNamed(name)];
}

int Table::recordCount() const
{
    return d->recordCount();
}

int Table::rowCount() const
{
    return d->rowCount();
}

int Table::currentRow() const
{
    return d->current;
}

int Table::insertRow() const
{
    return d->inserting;
}

bool Table::bof() const
{
    return d->current <= 0;
}

bool Table::eof() const
{
    return d->current < 0 || d->current >= d->rowCount() - 1;
}

void Table::first()
{
    d->requireActive();
    d->settle();
    d->goTo(0);
}

void Table::last()
{
    d->requireActive();
    d->settle();
    d->goTo(d->rowCount() - 1);
}

void Table::prior()
{
    moveBy(-1);
}

void Table::next()
{
    moveBy(1);
}

void Table::moveBy(int distance)
{
    d->requireActive();
    moveTo(d->current + distance);
}

void Table::moveTo(int row)
{
    d->requireActive();
    if (d->rowCount() == 0)
        return;
    row = std::clamp(row, 0, d->rowCount() - 1);
    if (!isEditing()) {
        d->goTo(row);
        return;
    }
    if (row == d->current)
        return;
    // Settling may store or drop the pending record and so renumber the rows: aim at the record.
    const auto target = d->rowidAt(row);
    d->settle();
    if (target) {
        const int position = d->positionOf(*target);
        if (position >= 0)
            d->goTo(position);
    }
}

std::optional<RowId> Table::Private::find(int field, const QString &value, bool caseInsensitive) const
{
    const QString column = quotedIdentifier(fields[field].name);
    const QString select = u"SELECT rowid FROM %1 WHERE "_s.arg(sqlName);
    const QString ordered = u" ORDER BY %1 LIMIT 1"_s.arg(orderBy);
    // The first row of a prepared query, reset at once: a statement left running would hold a
    // read lock.
    const auto firstRowid = [](SQLite::Statement &query) {
        std::optional<RowId> found;
        if (query.executeStep())
            found = query.getColumn(0).getInt64();
        query.reset();
        return found;
    };
    if (!caseInsensitive) {
        SQLite::Statement &query = prepared(select + column + u" = ? COLLATE BINARY"_s + ordered);
        bindValue(query, 1, value);
        return firstRowid(query);
    }
    const QList<int> positions = foldablePositions(value);
    if (positions.size() <= 8) {
        // NOCASE folds ASCII through the index; the other letters are spelled out.
        const QStringList spellings = caseSpellings(value, positions);
        if (spellings.size() <= MaxSpellings) {
            QStringList marks;
            for (qsizetype i = 0; i < spellings.size(); ++i)
                marks.append(u"?"_s);
            const QString condition = spellings.size() == 1
                                          ? column + u" = ? COLLATE NOCASE"_s
                                          : column + u" COLLATE NOCASE IN (%1)"_s.arg(marks.join(u',')); 
            SQLite::Statement &query = prepared(select + condition + ordered);
            for (qsizetype i = 0; i < spellings.size(); ++i)
                bindValue(query, int(i) + 1, spellings[i]);
            return firstRowid(query);
        }
    }
    // A key with many non-ASCII letters: compare in table order.
    const QString folded = foldedKey(value);
    SQLite::Statement scan(*db, utf8(u"SELECT rowid, %1 FROM %2 ORDER BY %3"_s.arg(column, sqlName, orderBy)));
    while (scan.executeStep()) {
        const QVariant stored = columnValue(scan.getColumn(1));
        if (!stored.isNull() && foldedKey(stored.toString()) == folded)
            return scan.getColumn(0).getInt64();
    }
    return std::nullopt;
}

bool Table::locate(const QString &fieldName, const QString &value, bool caseInsensitive)
{
    d->requireActive();
    const int field = d->requireFieldNamed(fieldName);
    d->settle();
    if (value.isEmpty())
        return false;
    const std::optional<RowId> rowid = d->guarded([&] { return d->find(field, value, caseInsensitive); });
    if (!rowid)
        return false;
    const int position = d->positionOf(*rowid);
    if (position < 0)
        return false; // added by another program since the last refresh
    d->goTo(position);
    return true;
}

void Table::edit()
{
    d->requireWritable();
    if (isEditing())
        return;
    if (d->recordCount() == 0) {
        insert();
        return;
    }
    // Edit what is stored now, not what was read a while ago.
    const std::optional<Record> stored = d->read(*d->rowidAt(d->current));
    if (!stored)
        throw DatabaseError(u"The record was deleted by another user"_s);
    d->buffer = *stored;
    d->original = *stored;
    d->setState(DatasetState::Edit);
    emit recordChanged(-1);
}

void Table::insert()
{
    d->requireWritable();
    d->settle();
    d->beginInsert(std::max(d->current, 0));
}

void Table::append()
{
    d->requireWritable();
    d->settle();
    d->beginInsert(d->recordCount());
}

void Table::post()
{
    d->requireEditing();
    d->announceSettle();
    d->post();
}

void Table::refuseSettle(const QString &message)
{
    if (!d->refusal)
        d->refusal = message; // the first editor's reason is the one shown
}

void Table::cancel()
{
    d->requireActive();
    if (isEditing())
        d->dropPending();
}

void Table::deleteRecord()
{
    d->requireWritable();
    if (d->state == DatasetState::Insert) {
        d->dropPending();
        return;
    }
    if (d->recordCount() == 0)
        throw DatabaseError(d->prefixed(u"Cannot perform this operation on an empty dataset"_s));
    d->requireSameWritableFile();
    if (d->state == DatasetState::Edit)
        d->dropPending();
    const RowId rowid = *d->rowidAt(d->current);
    d->guarded([&] {
        SQLite::Transaction transaction(*d->db, SQLite::TransactionBehavior::IMMEDIATE);
        SQLite::Statement remove(*d->db, utf8(u"DELETE FROM %1 WHERE rowid = ?"_s.arg(d->sqlName)));
        remove.bind(1, static_cast<int64_t>(rowid));
        remove.exec();
        transaction.commit();
    });
    d->order.erase(size_t(d->current));
    d->byRowid.clear();
    d->cache.remove(rowid);
    d->current = std::min(d->current, d->rowCount() - 1);
    d->loadCurrent();
    emit rowsReset();
    emit currentRowChanged(d->current);
    emit recordChanged(-1);
}

void Table::refresh()
{
    d->requireActive();
    d->settle();
    const auto rowid = d->rowidAt(d->current);
    const int row = d->current;
    if (!Private::identityOf(d->fileName))
        throw DatabaseError(u"The table file %1 has been removed by another program"_s.arg(
            QDir::toNativeSeparators(d->fileName)));
    if (d->fileReplaced()) {
        // Re-read what now stands at the table's path: close, then open it anew.
        close();
        open();
        d->goTo(row);
        return;
    }
    d->loadOrder();
    const int position = rowid ? d->positionOf(*rowid) : -1;
    d->current = position >= 0 ? position : std::min(row, d->rowCount() - 1);
    d->loadCurrent();
    emit rowsReset();
    emit currentRowChanged(d->current);
    emit recordChanged(-1);
}

QVariant Table::value(int field) const
{
    d->requireActive();
    d->requireField(field);
    return d->buffer.value(field);
}

QVariant Table::value(const QString &fieldName) const
{
    d->requireActive();
    return d->buffer.value(d->requireFieldNamed(fieldName));
}

void Table::setValue(int field, const QVariant &value)
{
    d->requireEditing();
    d->requireField(field);
    if (sameValue(d->buffer[field], value) && d->buffer[field].typeId() == value.typeId())
        return;
    d->buffer[field] = value;
    emit recordChanged(field);
}

void Table::setText(int field, const QString &text)
{
    d->requireField(field);
    setValue(field, fieldValueFromText(d->fields[field], text));
}

QVariant Table::valueAt(int row, int field) const
{
    if (!d->db || field < 0 || field >= d->fields.size() || row < 0 || row >= d->rowCount())
        return {};
    if (row == d->current)
        return d->buffer.value(field);
    const auto rowid = d->rowidAt(row);
    if (!rowid)
        return {};
    return d->fetch(*rowid).value(field);
}

void Table::forEachText(int field, const std::function<void(int row, std::string_view text)> &visit) const
{
    d->requireActive();
    d->requireField(field);
    d->guarded([&] {
        SQLite::Statement scan(*d->db, utf8(u"SELECT rowid, %1 FROM %2 ORDER BY %3"_s.arg(
                                                 quotedIdentifier(d->fields[field].name), d->sqlName, d->orderBy)));
        while (scan.executeStep()) {
            const SQLite::Column value = scan.getColumn(1);
            if (value.isNull())
                continue;
            const int position = d->positionOf(scan.getColumn(0).getInt64());
            if (position < 0)
                continue; // stored by another program since the last refresh
            const int row = (d->inserting >= 0 && position >= d->inserting) ? position + 1 : position;
            const char *text = value.getText();
            visit(row, std::string_view(text, size_t(value.getBytes())));
        }
    });
}

struct TablePreload::Reading
{
    QString fileName;
    std::future<std::unique_ptr<Table::Private>> result;
};

namespace {

std::mutex preloadsMutex;
std::vector<TablePreload::Reading *> untakenPreloads;

} // namespace

TablePreload::TablePreload(const QString &tableName) : m_reading(std::make_unique<Reading>())
{
    m_reading->fileName = Table::fileNameFor(tableName);
    m_reading->result = std::async(std::launch::async, [fileName = m_reading->fileName] {
        auto reading = std::make_unique<Table::Private>(nullptr);
        reading->fileName = fileName;
        reading->guarded([&] { reading->readFile(); });
        return reading;
    });
    const std::lock_guard lock(preloadsMutex);
    untakenPreloads.push_back(m_reading.get());
}

TablePreload::~TablePreload()
{
    {
        const std::lock_guard lock(preloadsMutex);
        std::erase(untakenPreloads, m_reading.get());
    }
    if (m_reading->result.valid())
        m_reading->result.wait(); // what was read and not taken is closed here
}

void TablePreload::wait() const
{
    if (m_reading->result.valid())
        m_reading->result.wait();
}

std::unique_ptr<Table::Private> TablePreload::take(const QString &fileName)
{
    Reading *reading = nullptr;
    {
        const std::lock_guard lock(preloadsMutex);
        const auto it = std::find_if(untakenPreloads.begin(), untakenPreloads.end(),
                                     [&](const Reading *r) { return r->fileName == fileName; });
        if (it == untakenPreloads.end())
            return nullptr;
        reading = *it;
        untakenPreloads.erase(it);
    }
    return reading->result.get(); // the reading's error, if it failed, is the opening's
}
