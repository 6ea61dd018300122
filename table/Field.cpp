// SPDX-License-Identifier: MIT
#include "Field.h"

#include "DatabaseError.h"

#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

int declaredLength(const QString &type)
{
    static const QRegularExpression length(u"\\(\\s*(\\d+)"_s);
    const auto match = length.match(type);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

int declaredCharacters(const QString &type)
{
    static const QRegularExpression sized(u"CHAR\\s*\\(\\s*(\\d+)\\s*\\)"_s);
    const auto match = sized.match(type);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace

Field Field::fromDeclaration(const QString &name, const QString &declaredType)
{
    Field field;
    field.name = name;
    field.declaredType = declaredType;
    const QString type = declaredType.toUpper();
    const int length = declaredLength(type);
    const auto has = [&type](QStringView word) { return type.contains(word); };

    // The order follows SQLite's affinity rules, so that a field is edited as what it stores.
    if (has(u"INT")) {
        field.kind = FieldKind::Integer;
        field.displayWidth = has(u"BOOL") ? 5 : 11;
    } else if (has(u"CLOB") || has(u"MEMO") || has(u"LONGTEXT") || has(u"MEDIUMTEXT") || has(u"NTEXT")) {
        field.kind = FieldKind::Memo;
        field.displayWidth = 10;
    } else if (has(u"CHAR") || has(u"TEXT")) {
        field.kind = FieldKind::String;
        field.displayWidth = length > 0 ? length : 20;
        field.maxLength = declaredCharacters(type);
    } else if (has(u"BLOB")) {
        field.kind = FieldKind::Blob;
        field.displayWidth = 10;
    } else if (type.trimmed().isEmpty()) {
        field.kind = FieldKind::String;
        field.displayWidth = 20;
    } else if (has(u"BOOL")) {
        field.kind = FieldKind::Integer;
        field.displayWidth = 5;
    } else if (has(u"DATE") || has(u"TIME")) {
        field.kind = FieldKind::String; // SQLite keeps dates as ISO text
        field.displayWidth = 20;
    } else {
        field.kind = FieldKind::Float; // REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL
        field.displayWidth = 10;
    }
    return field;
}

QVariant fieldValueFromText(const Field &field, const QString &text)
{
    // An emptied field stores NULL, as a desktop table does.
    if (text.isEmpty())
        return {};
    switch (field.kind) {
    case FieldKind::Integer: {
        bool ok = false;
        const qlonglong value = text.trimmed().toLongLong(&ok);
        if (!ok)
            throw DatabaseError(u"'%1' is not a valid integer value"_s.arg(text));
        return value;
    }
    case FieldKind::Float: {
        QString normalized = text.trimmed();
        normalized.replace(u',', u'.');
        bool ok = false;
        const double value = QLocale::c().toDouble(normalized, &ok);
        if (!ok)
            throw DatabaseError(u"'%1' is not a valid floating point value"_s.arg(text));
        return value;
    }
    case FieldKind::Blob:
        throw DatabaseError(u"Field '%1' holds binary data and cannot be edited as text"_s.arg(field.name));
    case FieldKind::String:
    case FieldKind::Memo:
        break;
    }
    return text;
}

QString fieldText(const Field &field, const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QByteArray:
        return field.kind == FieldKind::Blob ? u"(BLOB)"_s : QString::fromUtf8(value.toByteArray());
    default:
        return value.toString();
    }
}
