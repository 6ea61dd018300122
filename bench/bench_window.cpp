// SPDX-License-Identifier: MIT
// The search and the grid on one table, each against its floor:
//   bench_window FOLDER [RUNS]     (FOLDER holds DXCC22.db; run with QT_QPA_PLATFORM=offscreen)
// Prints one line per figure: name, median in microseconds, floor, ratio.
#include "Application.h"
#include "DBGrid.h"
#include "ErrorReport.h"
#include "MessageDialog.h"
#include "PrefixSearch.h"
#include "TForm1.h"
#include "Table.h"

#include <SQLiteCpp/SQLiteCpp.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

template<typename Work>
double medianMicroseconds(int runs, Work &&work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work(i);
        times.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char *name, double value, double floor = 0)
{
    if (floor > 0)
        std::printf("%-44s %12.1f us   floor %10.1f us   ratio %5.2f\n", name, value, floor, value / floor);
    else
        std::printf("%-44s %12.1f us\n", name, value);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_window FOLDER [RUNS]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 201;
    int messages = 0;
    setMessageInterceptor([&](const MessageRequest &) {
        ++messages;
        return MessageButton::Ok;
    });
    setErrorReportInterceptor([](const ErrorReportRequest &request) {
        std::fprintf(stderr, "error: %s\n", qPrintable(request.text));
        std::exit(1);
    });

    TForm1 form(folder);
    form.show();
    QTest::qWaitForWindowExposed(&form);
    Table &table = *form.Table1;
    std::printf("%s: %d rows\n", qPrintable(folder), table.recordCount());

    // Callsigns whose prefix is in the default table, and ones no prefix of which is.
    const QStringList found{u"UA9ABC"_s, u"DL1XYZ"_s, u"K1ABC"_s, u"JA1AAA"_s, u"VK2DEF"_s, u"G4ABC"_s};
    const QStringList missing{u"1N7N"_s, u"1X1X"_s, u"QQ9QQ"_s};

    const auto search = [&](const QString &callsign) {
        form.Edit1->setText(callsign);
        form.Button1Click(form.Button1);
        QCoreApplication::processEvents(); // the grid and the memo repaint
    };
    report("Button1Click, found, views updated", medianMicroseconds(runs, [&](int i) {
               search(found[i % found.size()]);
           }));
    messages = 0;
    report("Button1Click, not found (11 lookups)", medianMicroseconds(runs, [&](int i) {
               search(missing[i % missing.size()]);
           }));
    if (messages != runs)
        std::fprintf(stderr, "expected %d not-found messages, saw %d\n", runs, messages);

    // The bare lookup sequence against 11 indexed point queries by another connection.
    const auto lookups = [&](const QString &callsign) {
        findPrefix(callsign, [&](const QString &key) { return table.locate(u"Prefix"_s, key); });
    };
    SQLite::Database db((folder + u"/DXCC22.db"_s).toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement point(db, "SELECT rowid FROM DXCC22 WHERE Prefix = ? COLLATE NOCASE LIMIT 1");
    std::vector<std::vector<std::string>> keysOf; // the keys the search tries, callsign by callsign
    for (const QString &callsign : missing) {
        std::vector<std::string> keys;
        findPrefix(callsign, [&](const QString &key) {
            keys.push_back(key.toStdString());
            return false;
        });
        keysOf.push_back(keys);
    }
    const double floor = medianMicroseconds(runs, [&](int i) {
        for (const std::string &key : keysOf[size_t(i) % keysOf.size()]) {
            point.bind(1, key);
            (void)point.executeStep();
            point.reset();
        }
    });
    report("lookups, not found, no views", medianMicroseconds(runs, [&](int i) {
               lookups(missing[i % missing.size()]);
           }), floor);
    report("lookups, found, no views", medianMicroseconds(runs, [&](int i) { lookups(found[i % found.size()]); }));

    // The grid: jumps to either end, and paging down through the rows.
    DBGrid &grid = *form.DBGrid1;
    grid.setFocus();
    report("jump to the last record (Ctrl+End)", medianMicroseconds(std::min(runs, 51), [&](int) {
               table.first();
               QCoreApplication::processEvents();
               QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
               QCoreApplication::processEvents();
           }));
    table.first();
    QCoreApplication::processEvents();
    const int pages = std::min(2000, std::max(1, table.recordCount() / 5));
    QElapsedTimer paging;
    paging.start();
    int steps = 0;
    while (steps < pages && !table.eof()) {
        QTest::keyClick(&grid, Qt::Key_PageDown);
        QCoreApplication::processEvents();
        ++steps;
    }
    const double perPage = double(paging.nsecsElapsed()) / 1000.0 / std::max(1, steps);
    report("Page Down, per page", perPage);
    const int rowsPerPage = std::max(1, table.currentRow() / std::max(1, steps));
    std::printf("%-44s %12.2f s  (%d rows a page)\n", "paging first to last, extrapolated",
                perPage * (double(table.recordCount()) / rowsPerPage) / 1e6, rowsPerPage);
    return 0;
}
