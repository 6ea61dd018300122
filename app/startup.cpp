// SPDX-License-Identifier: MIT
// Start-up probe, run by bench/startup.py: builds the program's window (built with
// PREFIXBOOK_EMPTY_WINDOW: a plain Qt window, linked to Qt Widgets alone), shows it, and once the
// event loop is idle prints the CLOCK_MONOTONIC time in nanoseconds and quits. The window uses
// the table beside this executable, like the program.
#ifdef PREFIXBOOK_EMPTY_WINDOW
#include <QApplication>
#include <QWidget>
#else
#include "Application.h"
#include "TForm1.h"
#include "Table.h"
#endif

#include <QTimer>

#include <cstdio>
#include <ctime>

static long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int argc, char *argv[])
{
#ifdef PREFIXBOOK_EMPTY_WINDOW
    QApplication application(argc, argv);
    QWidget window;
#else
    const TablePreload preload(TForm1::tableNameIn(Application::executableFolder()));
    Application application(argc, argv);
    TForm1 window;
#endif
    window.show();
    QTimer::singleShot(0, [] {
        std::printf("%lld\n", monotonicNanoseconds());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
