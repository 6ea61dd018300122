// SPDX-License-Identifier: MIT
#pragma once

#include "ErrorReport.h"
#include "MessageDialog.h"

#include <QList>
#include <QStringList>

// Records what the error report and the message dialog would have shown while it lives; the
// dialog answers with `answer`.
struct Shown
{
    explicit Shown(MessageButton answer = MessageButton::Ok)
    {
        setErrorReportInterceptor([this](const ErrorReportRequest &r) { reports << r; });
        setMessageInterceptor([this, answer](const MessageRequest &r) {
            messages << r;
            return answer;
        });
    }
    ~Shown()
    {
        setErrorReportInterceptor({});
        setMessageInterceptor({});
    }
    Shown(const Shown &) = delete;
    Shown &operator=(const Shown &) = delete;

    QStringList reportTexts() const
    {
        QStringList texts;
        for (const ErrorReportRequest &r : reports)
            texts << r.text;
        return texts;
    }
    QStringList messageTexts() const
    {
        QStringList texts;
        for (const MessageRequest &m : messages)
            texts << m.text;
        return texts;
    }

    QList<ErrorReportRequest> reports;
    QList<MessageRequest> messages;
};
