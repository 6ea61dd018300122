// SPDX-License-Identifier: MIT
// Start-up probe, run by measure-startup.py: builds the program's window (or, with --empty, a
// plain Qt window), shows it, and once the event loop is idle prints the CLOCK_MONOTONIC time in
// nanoseconds and quits. The window uses the table beside this executable, like the program.
#include "Application.h"
#include "TForm1.h"

#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

static long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

int main(int argc, char *argv[])
{
    const bool empty = argc > 1 && std::strcmp(argv[1], "--empty") == 0;
    std::unique_ptr<QApplication> application;
    if (empty)
        application = std::make_unique<QApplication>(argc, argv);
    else
        application = std::make_unique<Application>(argc, argv);
    std::unique_ptr<QWidget> window;
    if (empty)
        window = std::make_unique<QWidget>();
    else
        window = std::make_unique<TForm1>();
    window->show();
    QTimer::singleShot(0, [] {
        std::printf("%lld\n", monotonicNanoseconds());
        std::fflush(stdout);
        QCoreApplication::quit();
    });
    return QApplication::exec();
}
