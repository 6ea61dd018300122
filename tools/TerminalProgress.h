// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// A progress bar on a terminal, for work that takes longer than a moment: nothing is drawn in the
// first 300 ms, nor at all when the stream is not a terminal (a pipe, a file, a test).
class TerminalProgress
{
public:
    explicit TerminalProgress(std::FILE *stream = stderr);
    ~TerminalProgress(); // clears the bar's line

    void update(qsizetype done, qsizetype total);

    // "[##########..........]  50% 5000/10000": width marks between the brackets.
    static QString bar(qsizetype done, qsizetype total, int width = 30);

private:
    std::FILE *m_stream;
    bool m_terminal;
    bool m_drawn = false;
    QElapsedTimer m_started;
    qint64 m_lastDrawn = -1;
};
