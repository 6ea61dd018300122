// SPDX-License-Identifier: MIT
#include "ErrorReport.h"
#include "ApplicationTitle.h"
#include "DatabaseError.h"

#include <QApplication>
#include <QMessageBox>

using namespace Qt::Literals::StringLiterals;

namespace {

ErrorReportInterceptor &interceptor()
{
    static ErrorReportInterceptor instance;
    return instance;
}

} // namespace

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

QString errorMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const DatabaseError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return u"Unknown error"_s;
    }
}

void showErrorReport(const QString &message)
{
    const ErrorReportRequest request{applicationTitle(), errorReportText(message)};
    if (interceptor()) {
        interceptor()(request);
        return;
    }
    QMessageBox box(QMessageBox::Critical, request.caption, request.text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void reportException(std::exception_ptr error)
{
    showErrorReport(errorMessage(error));
}

void setErrorReportInterceptor(ErrorReportInterceptor replacement)
{
    interceptor() = std::move(replacement);
}
