// SPDX-License-Identifier: MIT
#include "Cli.h"

#include "BatchLookup.h"
#include "CountryFile.h"
#include "DatabaseError.h"
#include "ImportError.h"
#include "Table.h"
#include "TableWriter.h"
#include "TerminalProgress.h"

#include <cstdio>
#include <stdexcept>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

using namespace Qt::Literals::StringLiterals;

namespace {

enum ExitCode { Done = 0, Failed = 1, Usage = 2 };

const QString program = u"prefixbook-cli"_s;
const QString defaultTable = u"DXCC22.db"_s;

QString usage()
{
    return u"Usage: prefixbook-cli import [--replace] COUNTRY-FILE [TABLE]\n"
           "       prefixbook-cli lookup [--table TABLE] [CALL ...]\n"
           "       prefixbook-cli --help | --version\n"
           "\n"
           "import   Reads a Big CTY country file, cty.csv or cty.dat, into a prefix table:\n"
           "         one row for each prefix, with its entity, DXCC number, continent, zones,\n"
           "         position, time offset and a readable card in the memo F7.\n"
           "         TABLE is the table's file (\".db\" is added when missing); without it,\n"
           "         DXCC22.db beside this program. A missing file is created. An existing\n"
           "         table is refreshed in one go: rows are matched by prefix without regard\n"
           "         to case; new prefixes are added; the country file's fields of existing\n"
           "         rows are updated, while their memo F7, the fields the file does not fill\n"
           "         (DXCC from cty.dat) and columns of the user's own stay as they are; rows\n"
           "         of prefixes the file no longer lists are kept. It prints\n"
           "         \"added N, updated N, kept N, unchanged N\".\n"
           "\n"
           "lookup   Finds the prefix of each CALL, or of each line of standard input when\n"
           "         no CALL is given, exactly as the window's search does, and prints one\n"
           "         tab-separated line for each: the callsign as given, then the found row's\n"
           "         fields in table order (line breaks, tabs and backslashes in a value\n"
           "         written as \\n, \\r, \\t and \\\\), or the callsign and \"not found\".\n"
           "         Exit code 0 when every prefix was found, 1 when some were not, 2 on an\n"
           "         error.\n"
           "\n"
           "Options:\n"
           "  --table TABLE  the prefix table to read (default: DXCC22.db beside this program)\n"
           "  --replace   create the table anew even when the file exists\n"
           "  --help      show this help and exit\n"
           "  --version   show the version and exit\n"_s;
}

int usageError(QTextStream &err, const QString &what)
{
    err << program << ": " << what << '\n' << u"Try '%1 --help'."_s.arg(program) << '\n';
    return Usage;
}

int import(const QStringList &arguments, const QString &programDir, QTextStream &out, QTextStream &err)
{
    bool replace = false;
    QStringList operands;
    for (const QString &argument : arguments) {
        if (argument == u"--replace"_s)
            replace = true;
        else if (argument.startsWith(u'-') && argument.size() > 1)
            return usageError(err, u"unknown option '%1'"_s.arg(argument));
        else
            operands << argument;
    }
    if (operands.isEmpty())
        return usageError(err, u"import needs a COUNTRY-FILE"_s);
    if (operands.size() > 2)
        return usageError(err, u"import takes COUNTRY-FILE and TABLE, not '%1'"_s.arg(operands[2]));

    const QString source = operands[0];
    const QString table = operands.size() > 1 ? Table::fileNameFor(operands[1]) : QDir(programDir).filePath(defaultTable);

    QElapsedTimer timer;
    timer.start();
    const CountryFile countryFile = CountryFile::read(source);
    const PrefixRecords records = countryFile.records();
    for (const SkippedPrefix &skipped : records.skipped)
        out << u"%1:%2: skipped prefix %3 of %4: already a prefix of %5"_s.arg(
            source, QString::number(skipped.line), skipped.prefix, skipped.entity, skipped.keptFor)
            << '\n';

    if (QFileInfo::exists(table) && !replace) {
        const bool withDxcc = countryFile.format() == CountryFile::Format::Csv;
        TableWriter::RefreshSummary summary;
        {
            TerminalProgress progress;
            summary = TableWriter::refresh(table, records.records, withDxcc,
                                           [&](qsizetype done, qsizetype total) { progress.update(done, total); });
        }
        out << summary.text() << '\n';
        return Done;
    }

    {
        TerminalProgress progress;
        TableWriter::create(table, records.records,
                            [&](qsizetype done, qsizetype total) { progress.update(done, total); });
    }
    int exactCalls = 0;
    for (const Entity &entity : countryFile.entities())
        exactCalls += entity.exactCalls;
    out << u"%1: created table %2 with %3 prefixes of %4 entities; skipped %5 duplicate prefixes "
           "and %6 exact callsigns (%7 ms)"_s.arg(table, TableWriter::tableName(table),
                                                  QString::number(records.records.size()),
                                                  QString::number(countryFile.entities().size()),
                                                  QString::number(records.skipped.size()),
                                                  QString::number(exactCalls), QString::number(timer.elapsed()))
        << '\n';
    return Done;
}

int lookup(const QStringList &arguments, const QString &programDir, QTextStream &out, QTextStream &err,
           std::FILE *input, std::FILE *output)
{
    QString tablePath = QDir(programDir).filePath(u"DXCC22"_s);
    QStringList callsigns;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == u"--table"_s) {
            if (++i == arguments.size())
                return usageError(err, u"--table needs a TABLE"_s);
            tablePath = arguments[i];
        } else if (argument.startsWith(u"--table="_s)) {
            tablePath = argument.mid(8);
        } else if (argument.startsWith(u'-') && argument.size() > 1) {
            return usageError(err, u"unknown option '%1'"_s.arg(argument));
        } else {
            callsigns << argument;
        }
    }
    out.flush();
    try {
        Table table;
        table.setObjectName(QString());
        table.setTableName(tablePath);
        table.open();
        BatchLookup batch(table);
        long long missing = 0;
        if (callsigns.isEmpty()) {
            missing = batch.resolveStream(input, output);
        } else {
            std::string lines;
            for (const QString &callsign : std::as_const(callsigns))
                if (!callsign.isEmpty() && !batch.resolve(callsign.toStdString(), lines))
                    ++missing;
            if (std::fwrite(lines.data(), 1, lines.size(), output) != lines.size() || std::fflush(output) != 0)
                throw std::runtime_error("cannot write the output");
        }
        return missing == 0 ? Done : Failed;
    } catch (const DatabaseError &error) {
        err << program << ": " << error.message() << '\n';
    } catch (const std::exception &error) {
        err << program << ": " << QString::fromUtf8(error.what()) << '\n';
    }
    return Usage; // an error, not a callsign without a prefix
}

} // namespace

int runCli(const QStringList &arguments, const QString &programDir, QTextStream &out, QTextStream &err,
           std::FILE *input, std::FILE *output)
{
    if (arguments.contains(u"--help"_s) || arguments.contains(u"-h"_s)) {
        out << usage();
        return Done;
    }
    if (arguments.contains(u"--version"_s)) {
        out << program << ' ' << QStringLiteral(PREFIXBOOK_VERSION) << '\n';
        return Done;
    }
    if (arguments.isEmpty())
        return usageError(err, u"no command given"_s);
    if (arguments[0] == u"lookup"_s)
        return lookup(arguments.mid(1), programDir, out, err, input, output);
    if (arguments[0] != u"import"_s)
        return usageError(err, u"unknown command '%1'"_s.arg(arguments[0]));

    try {
        return import(arguments.mid(1), programDir, out, err);
    } catch (const ImportError &e) {
        err << program << ": " << e.message() << '\n';
        return Failed;
    }
}
