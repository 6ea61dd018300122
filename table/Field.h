// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>

// What a column of the table holds, as the views and the editor see it.
enum class FieldKind {
    Integer, // INT affinity
    Float,   // REAL and NUMERIC affinity
    String,  // TEXT affinity, shown in a grid cell
    Memo,    // long text: shown in the memo, "(MEMO)" in the grid
    Blob,    // binary: not editable as text
};

struct Field
{
    QString name;
    QString declaredType; // as written in the table's schema, may be empty
    FieldKind kind = FieldKind::String;
    int displayWidth = 0; // in characters, for the grid's column width
    int maxLength = 0; // the n of a String's CHAR(n), VARCHAR(n), ...: the most an editor takes; 0: any
    bool required = false; // NOT NULL
    int primaryKeyPosition = 0; // 1-based position in the primary key, 0 when not part of it

    bool isMemo() const { return kind == FieldKind::Memo; }

    // Classifies a column from its declared type.
    //  VARCHAR(n), CHAR(n), NVARCHAR(n), ...   String, n characters
    //  CLOB, MEMO, LONGTEXT, MEDIUMTEXT, NTEXT   Memo, 10 characters
    //  TEXT and other text types                 String, 20 characters
    //  INT...                                    Integer, 11 characters
    //  REAL, FLOAT, DOUBLE, NUMERIC, DECIMAL     Float, 10 characters
    //  BLOB, empty type                          Blob / String
    static Field fromDeclaration(const QString &name, const QString &declaredType);
};

// Converts text typed by the user into the value stored for a field; throws DatabaseError
// with the message the user sees when the text does not fit the field.
QVariant fieldValueFromText(const Field &field, const QString &text);

// How a value is shown as text in a cell or an editor.
QString fieldText(const Field &field, const QVariant &value);
