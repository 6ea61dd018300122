// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <stdexcept>

// A failure of reading a country file or writing a prefix table, with the text the user is shown.
class ImportError : public std::runtime_error
{
public:
    explicit ImportError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
