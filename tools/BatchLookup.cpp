// SPDX-License-Identifier: MIT
#include "BatchLookup.h"

#include "CaseFold.h"
#include "PrefixSearch.h"

#include <QString>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

void appendEscaped(std::string &out, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    for (const char ch : bytes) {
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += ch; break;
        }
    }
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

BatchLookup::BatchLookup(const Table &table) : m_table(table), m_index(table, u"Prefix"_s) {}

int BatchLookup::findRow(std::string_view callsign)
{
    int row = -1;
    if (isAsciiText(callsign)) {
        // The common case: the search's attempts on the bytes themselves. A short callsign is tried
        // whole several times before it shrinks; the index is asked once for each distinct key.
        // An attempt either cuts the key shorter or leaves it as it was, so its size tells.
        std::string workingCopy(callsign);
        size_t lastSize = std::string::npos;
        runPrefixAttempts(workingCopy, [&](const std::string &key) {
            if (key.size() != lastSize)
                row = m_index.findAscii(key);
            lastSize = key.size();
            return row >= 0;
        });
        return row;
    }
    findPrefix(QString::fromUtf8(callsign.data(), qsizetype(callsign.size())), [&](const QString &key) {
        row = m_index.find(key);
        return row >= 0;
    });
    return row;
}

const std::string &BatchLookup::rowText(int row)
{
    auto [it, inserted] = m_rowTexts.try_emplace(row);
    if (inserted) {
        const auto &fields = m_table.fields();
        for (int field = 0; field < fields.size(); ++field) {
            it->second += '\t';
            appendEscaped(it->second, fieldText(fields[field], m_table.valueAt(row, field)));
        }
    }
    return it->second;
}

bool BatchLookup::resolve(std::string_view callsign, std::string &out)
{
    const int row = findRow(callsign);
    out.append(callsign);
    if (row < 0) {
        out += "\tnot found\n";
        return false;
    }
    out += rowText(row);
    out += '\n';
    return true;
}

long long BatchLookup::resolveStream(std::FILE *in, std::FILE *out)
{
    constexpr size_t Chunk = 1 << 20;
    std::vector<char> buffer(Chunk);
    std::string pending; // a line cut by the end of a chunk
    std::string output;
    output.reserve(Chunk * 2);
    long long missing = 0;

    const auto flush = [&] {
        if (!output.empty() && std::fwrite(output.data(), 1, output.size(), out) != output.size())
            throw std::runtime_error(std::string("cannot write the output: ") + std::strerror(errno));
        output.clear();
    };
    const auto line = [&](std::string_view text) {
        text = trimmed(text);
        if (!text.empty() && !resolve(text, output))
            ++missing;
        if (output.size() >= Chunk)
            flush();
    };

    if (::isatty(::fileno(in))) {
        // Someone typing: answer each line as it comes.
        char *text = nullptr;
        size_t capacity = 0;
        ssize_t length;
        while ((length = ::getline(&text, &capacity, in)) >= 0) {
            line(std::string_view(text, size_t(length)).substr(0, size_t(length) - (text[length - 1] == '\n')));
            flush();
            std::fflush(out);
        }
        std::free(text);
        return missing;
    }
    for (;;) {
        const size_t read = std::fread(buffer.data(), 1, buffer.size(), in);
        if (read == 0) {
            if (std::ferror(in))
                throw std::runtime_error(std::string("cannot read the input: ") + std::strerror(errno));
            break;
        }
        std::string_view chunk(buffer.data(), read);
        size_t start = 0;
        for (size_t end; (end = chunk.find('\n', start)) != std::string_view::npos; start = end + 1) {
            if (pending.empty()) {
                line(chunk.substr(start, end - start));
            } else {
                pending.append(chunk.substr(start, end - start));
                line(pending);
                pending.clear();
            }
        }
        pending.append(chunk.substr(start));
    }
    line(pending);
    flush();
    if (std::fflush(out) != 0)
        throw std::runtime_error(std::string("cannot write the output: ") + std::strerror(errno));
    return missing;
}
