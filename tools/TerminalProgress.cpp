// SPDX-License-Identifier: MIT
#include "TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr qint64 QuietMilliseconds = 300;
constexpr qint64 RedrawMilliseconds = 100;
} // namespace

TerminalProgress::TerminalProgress(std::FILE *stream)
    : m_stream(stream), m_terminal(::isatty(::fileno(stream)) != 0)
{
    m_started.start();
}

TerminalProgress::~TerminalProgress()
{
    if (m_drawn) {
        std::fputs("\r\x1b[2K", m_stream);
        std::fflush(m_stream);
    }
}

void TerminalProgress::update(qsizetype done, qsizetype total)
{
    if (!m_terminal)
        return;
    const qint64 now = m_started.elapsed();
    if (now < QuietMilliseconds || (m_lastDrawn >= 0 && now - m_lastDrawn < RedrawMilliseconds))
        return;
    m_lastDrawn = now;
    m_drawn = true;
    std::fprintf(m_stream, "\r%s", bar(done, total).toUtf8().constData());
    std::fflush(m_stream);
}

QString TerminalProgress::bar(qsizetype done, qsizetype total, int width)
{
    done = std::clamp<qsizetype>(done, 0, std::max<qsizetype>(total, 0));
    const qsizetype percent = total > 0 ? done * 100 / total : 100;
    const int marks = int(total > 0 ? done * width / total : width);
    return u"[%1%2] %3% %4/%5"_s.arg(QString(marks, u'#'), QString(width - marks, u'.'))
        .arg(percent, 3)
        .arg(done)
        .arg(total);
}
