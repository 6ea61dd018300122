// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <exception>
#include <functional>

// The application-level error report: every error that an event handler does not catch ends
// that handler and is shown here, in a message box owned by the active window with the
// application title as its caption, a stop icon and one OK button. The program then goes on.

// The text shown for an error's message: a full stop is added when the message is not empty and
// its last character sorts after "." in byte order. In Windows-1251 every character beyond ASCII
// has a code above 0x7F, as has every such character's Unicode code point, so comparing the code
// point decides alike for characters with and without a Windows-1251 code.
QString errorReportText(const QString &message);

// The message of an error: DatabaseError's text, a std::exception's what() read as UTF-8.
QString errorMessage(std::exception_ptr error);

// Shows the report for an error's message and returns when it has been closed.
void showErrorReport(const QString &message);

// Shows the report for an error caught with catch (...).
void reportException(std::exception_ptr error);

// What the report would show.
struct ErrorReportRequest
{
    QString caption;
    QString text;
};

using ErrorReportInterceptor = std::function<void(const ErrorReportRequest &)>;

// While set, the report goes to the interceptor instead of a message box (tests use it; the
// program never sets it). An empty interceptor restores the message box.
void setErrorReportInterceptor(ErrorReportInterceptor interceptor);
