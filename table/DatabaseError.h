// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <stdexcept>

// An error of the table layer, carrying exactly the text the user is shown.
class DatabaseError : public std::runtime_error
{
public:
    explicit DatabaseError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
