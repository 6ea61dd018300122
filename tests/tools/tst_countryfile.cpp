// SPDX-License-Identifier: MIT
#include "CountryFile.h"
#include "ImportError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <tuple>

using namespace Qt::Literals::StringLiterals;

namespace {

// The same entities in both formats; west and time zones west of Greenwich are positive in both.
const QString csvFixture = uR"(UA9,Asiatic Russia,15,AS,17,30,55.88,-84.08,-7.0,UA9 UA0(19)[33] R8<61.50/-70.25> RZ0{EU}~-3.5~ R9[31](18) =UA9XYZ(18) =R8FF/0;
K,United States,291,NA,5,8,37.60,91.87,5.0,K AA0(4)[7] KH6<21.12/157.48>~10~ =K1ABC/MM(7);
3D2/c,Conway Reef,489,OC,32,56,-22.00,-175.00,-12.0,=3D2C =3D2CR;
G,England,223,EU,14,27,52.77,1.47,0.0,G 2E M;
)"_s;

const QString datFixture = uR"(Asiatic Russia:           17:  30:  AS:   55.88:   -84.08:    -7.0:  UA9:
    UA9,UA0(19)[33],R8<61.50/-70.25>,RZ0{EU}~-3.5~,
    R9[31](18),=UA9XYZ(18),=R8FF/0;
United States:            05:  08:  NA:   37.60:    91.87:     5.0:  K:
    K,AA0(4)[7],KH6<21.12/157.48>~10~,=K1ABC/MM(7);
Conway Reef:              32:  56:  OC:  -22.00:  -175.00:   -12.0:  3D2/c:
    =3D2C,=3D2CR;
England:                  14:  27:  EU:   52.77:     1.47:     0.0:  G:
    G,2E,M;
)"_s;

const PrefixRecord *findRecord(const QList<PrefixRecord> &records, const QString &prefix)
{
    for (const PrefixRecord &record : records) {
        if (record.prefix == prefix)
            return &record;
    }
    return nullptr;
}

QStringList prefixesOf(const QList<PrefixRecord> &records)
{
    QStringList prefixes;
    for (const PrefixRecord &record : records)
        prefixes << u"%1=%2"_s.arg(record.prefix, record.country);
    return prefixes;
}

QString parseError(const QString &text, const QString &sourceName)
{
    try {
        CountryFile::parse(text, sourceName);
    } catch (const ImportError &e) {
        return e.message();
    }
    return u"(no error)"_s;
}

} // namespace

class TestCountryFile : public QObject
{
    Q_OBJECT
private slots:
    void prefixRows_data();
    void prefixRows();
    void exactCallsAreNotRows_data();
    void exactCallsAreNotRows();
    void formatComesFromContent();
    void duplicates_data();
    void duplicates();
    void malformed_data();
    void malformed();
    void readsWindowsLineEnds();
    void card_data();
    void card();
    void packagedFormatsAgree();
};

void TestCountryFile::prefixRows_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("country");
    QTest::addColumn<int>("dxcc"); // 0: the format has no entity numbers
    QTest::addColumn<QString>("continent");
    QTest::addColumn<int>("cq");
    QTest::addColumn<int>("itu");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    QTest::addColumn<double>("utc");

    struct Case
    {
        const char *tag;
        const char *prefix;
        const char *country;
        int dxcc;
        const char *continent;
        int cq, itu;
        double latitude, longitude, utc;
    };
    const Case cases[] = {
        {"entity's own values, east", "UA9", "Asiatic Russia", 15, "AS", 17, 30, 55.88, 84.08, 7.0},
        {"(cq) and [itu]", "UA0", "Asiatic Russia", 15, "AS", 19, 33, 55.88, 84.08, 7.0},
        {"[itu] before (cq)", "R9", "Asiatic Russia", 15, "AS", 18, 31, 55.88, 84.08, 7.0},
        {"<lat/lon>", "R8", "Asiatic Russia", 15, "AS", 17, 30, 61.50, 70.25, 7.0},
        {"{continent} and ~utc~", "RZ0", "Asiatic Russia", 15, "EU", 17, 30, 55.88, 84.08, 3.5},
        {"entity's own values, west", "K", "United States", 291, "NA", 5, 8, 37.60, -91.87, -5.0},
        {"zones only", "AA0", "United States", 291, "NA", 4, 7, 37.60, -91.87, -5.0},
        {"<lat/lon> and ~utc~", "KH6", "United States", 291, "NA", 5, 8, 21.12, -157.48, -10.0},
        {"Greenwich", "2E", "England", 223, "EU", 14, 27, 52.77, -1.47, 0.0},
    };
    for (const auto &[format, text, hasDxcc] :
         {std::tuple{"csv", csvFixture, true}, std::tuple{"dat", datFixture, false}}) {
        for (const Case &c : cases) {
            QTest::addRow("%s: %s", format, c.tag)
                << text << QString::fromLatin1(c.prefix) << QString::fromLatin1(c.country) << (hasDxcc ? c.dxcc : 0)
                << QString::fromLatin1(c.continent) << c.cq << c.itu << c.latitude << c.longitude << c.utc;
        }
    }
}

void TestCountryFile::prefixRows()
{
    QFETCH(QString, text);
    QFETCH(QString, prefix);
    QFETCH(int, dxcc);
    QFETCH(double, utc);

    const PrefixRecords records = CountryFile::parse(text, u"fixture"_s).records();
    const PrefixRecord *record = findRecord(records.records, prefix);
    QVERIFY2(record, qPrintable(prefix));
    QTEST(record->country, "country");
    QCOMPARE(record->dxcc, dxcc ? std::optional<int>(dxcc) : std::nullopt);
    QTEST(record->place.continent, "continent");
    QTEST(record->place.cqZone, "cq");
    QTEST(record->place.ituZone, "itu");
    QTEST(record->place.latitude, "latitude");
    QTEST(record->place.longitude, "longitude");
    QCOMPARE(record->place.utcOffset, utc);
    QVERIFY2(!std::signbit(record->place.longitude) || record->place.longitude != 0, "longitude -0");
    QVERIFY2(!std::signbit(record->place.utcOffset) || record->place.utcOffset != 0, "UTC offset -0");
}

void TestCountryFile::exactCallsAreNotRows_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("csv") << csvFixture;
    QTest::newRow("dat") << datFixture;
}

void TestCountryFile::exactCallsAreNotRows()
{
    QFETCH(QString, text);
    const CountryFile file = CountryFile::parse(text, u"fixture"_s);
    const PrefixRecords records = file.records();

    QCOMPARE(prefixesOf(records.records),
             QStringList({u"UA9=Asiatic Russia"_s, u"UA0=Asiatic Russia"_s, u"R8=Asiatic Russia"_s,
                          u"RZ0=Asiatic Russia"_s, u"R9=Asiatic Russia"_s, u"K=United States"_s,
                          u"AA0=United States"_s, u"KH6=United States"_s, u"G=England"_s, u"2E=England"_s,
                          u"M=England"_s}));
    QVERIFY(records.skipped.isEmpty());
    // The entity of exact callsigns only is still read, it just gives no row.
    QCOMPARE(file.entities().size(), 4);
    QCOMPARE(file.entities()[2].name, u"Conway Reef"_s);
    QCOMPARE(file.entities()[2].primaryPrefix, u"3D2/c"_s);
    QCOMPARE(file.entities()[2].exactCalls, 2);
    QCOMPARE(file.entities()[0].exactCalls, 2);
}

void TestCountryFile::formatComesFromContent()
{
    QCOMPARE(CountryFile::parse(csvFixture, u"cty.dat"_s).format(), CountryFile::Format::Csv);
    QCOMPARE(CountryFile::parse(datFixture, u"cty.csv"_s).format(), CountryFile::Format::Dat);
}

void TestCountryFile::duplicates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("skipped"); // prefix, its entity, the entity kept, line

    QTest::newRow("twice in one entity")
        << u"A,Alpha,1,EU,1,1,0,0,0,AA AB AA;\n"_s << QStringList{u"AA=Alpha"_s, u"AB=Alpha"_s}
        << QStringList{u"AA Alpha Alpha 1"_s};
    QTest::newRow("first entity keeps it")
        << u"A,Alpha,1,EU,1,1,0,0,0,AA XX;\nB,Beta,2,EU,1,1,0,0,0,XX BB;\n"_s
        << QStringList{u"AA=Alpha"_s, u"XX=Alpha"_s, u"BB=Beta"_s} << QStringList{u"XX Beta Alpha 2"_s};
    QTest::newRow("without regard to case")
        << u"A,Alpha,1,EU,1,1,0,0,0,Xy;\nB,Beta,2,EU,1,1,0,0,0,XY xy B;\n"_s
        << QStringList{u"Xy=Alpha"_s, u"B=Beta"_s} << QStringList{u"XY Beta Alpha 2"_s, u"xy Beta Alpha 2"_s};
    QTest::newRow("a marked entity yields to a later DXCC entity")
        << u"*IT9,Sicily,248,EU,15,28,37.50,-14.00,-1.0,IT9 IB9;\nI,Italy,248,EU,15,28,42.82,-12.58,-1.0,I IT9;\n"_s
        << QStringList{u"IT9=Italy"_s, u"IB9=Sicily"_s, u"I=Italy"_s}
        << QStringList{u"IT9 Sicily Italy 1"_s};
    QTest::newRow("between marked entities the first wins")
        << u"*A,Alpha,1,EU,1,1,0,0,0,AA;\n*B,Beta,2,EU,1,1,0,0,0,AA BB;\n"_s
        << QStringList{u"AA=Alpha"_s, u"BB=Beta"_s} << QStringList{u"AA Beta Alpha 2"_s};
}

void TestCountryFile::duplicates()
{
    QFETCH(QString, text);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, skipped);

    const PrefixRecords records = CountryFile::parse(text, u"cty.csv"_s).records();
    QStringList keptActual = prefixesOf(records.records);
    QStringList skippedActual;
    for (const SkippedPrefix &s : records.skipped)
        skippedActual << u"%1 %2 %3 %4"_s.arg(s.prefix, s.entity, s.keptFor, QString::number(s.line));
    // The records come in file order; compare as sets where the order across entities is not the point.
    keptActual.sort();
    kept.sort();
    QCOMPARE(keptActual, kept);
    QCOMPARE(skippedActual, skipped);
}

void TestCountryFile::malformed_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sourceName");
    QTest::addColumn<QString>("message");

    const QString good = u"A,Alpha,1,EU,1,1,0,0,0,A;\n"_s;
    const auto csv = [&](const char *tag, const QString &line, const QString &message) {
        QTest::newRow(tag) << good + line << u"cty.csv"_s << message;
    };
    csv("DXCC number", u"B,Beta,x,EU,1,1,0,0,0,B;"_s, u"cty.csv:2: DXCC entity number 'x' is not a number"_s);
    csv("too few fields", u"B,Beta,2,EU,1,1,0,0,B;"_s, u"cty.csv:2: expected 10 comma-separated fields, found 9"_s);
    csv("list without ';'", u"B,Beta,2,EU,1,1,0,0,0,B"_s, u"cty.csv:2: the prefix list does not end with ';'"_s);
    csv("CQ zone out of range", u"B,Beta,2,EU,41,1,0,0,0,B;"_s, u"cty.csv:2: CQ zone 41 is out of range (1 to 40)"_s);
    csv("continent", u"B,Beta,2,XX,1,1,0,0,0,B;"_s,
        u"cty.csv:2: continent 'XX' is not one of AF, AN, AS, EU, NA, OC, SA"_s);
    csv("latitude", u"B,Beta,2,EU,1,1,north,0,0,B;"_s, u"cty.csv:2: latitude 'north' is not a number"_s);
    csv("no name", u"B,,2,EU,1,1,0,0,0,B;"_s, u"cty.csv:2: the entity has no name"_s);
    csv("unclosed override", u"B,Beta,2,EU,1,1,0,0,0,B(5;"_s, u"cty.csv:2: 'B(5' lacks the closing ')'"_s);
    csv("ITU override", u"B,Beta,2,EU,1,1,0,0,0,B[x];"_s, u"cty.csv:2: ITU zone 'x' is not a number"_s);
    csv("UTC override", u"B,Beta,2,EU,1,1,0,0,0,B~16~;"_s, u"cty.csv:2: UTC offset 16 is out of range (-15 to 15)"_s);
    csv("position override", u"B,Beta,2,EU,1,1,0,0,0,B<10>;"_s,
        u"cty.csv:2: position '<10>' is not written <latitude/longitude>"_s);
    csv("character in a prefix", u"B,Beta,2,EU,1,1,0,0,0,B-1;"_s, u"cty.csv:2: unexpected character '-' in 'B-1'"_s);
    csv("text after an override", u"B,Beta,2,EU,1,1,0,0,0,B(5)x;"_s,
        u"cty.csv:2: unexpected character 'x' in 'B(5)x'"_s);
    csv("override without a prefix", u"B,Beta,2,EU,1,1,0,0,0,(5);"_s, u"cty.csv:2: '(5)' names no prefix"_s);
    csv("prefix too long", u"B,Beta,2,EU,1,1,0,0,0,ABCDEFGHIJ;"_s,
        u"cty.csv:2: prefix 'ABCDEFGHIJ' is longer than 9 characters"_s);
    QTest::newRow("line numbers count blank lines")
        << u"\n\n"_s + good + u"\nB,Beta,x,EU,1,1,0,0,0,B;\n"_s << u"cty.csv"_s
        << u"cty.csv:5: DXCC entity number 'x' is not a number"_s;

    const QString header = u"Alpha: 1: 1: EU: 0: 0: 0: A:\n"_s;
    QTest::newRow("dat header fields")
        << header + u"    A;\nBeta: 1: 1: EU: 0: 0: B:\n    B;\n"_s << u"cty.dat"_s
        << u"cty.dat:3: expected an entity header of 8 fields, each ended by ':'"_s;
    QTest::newRow("dat longitude")
        << header + u"    A;\nBeta: 1: 1: EU: 0: 1.2.3: 0: B:\n    B;\n"_s << u"cty.dat"_s
        << u"cty.dat:3: longitude '1.2.3' is not a number"_s;
    QTest::newRow("dat item on a continued line")
        << header + u"    AA,\n    AB,A*B;\n"_s << u"cty.dat"_s << u"cty.dat:3: unexpected character '*' in 'A*B'"_s;
    QTest::newRow("dat list runs into the next entity")
        << header + u"    A,\nBeta: 1: 1: EU: 0: 0: 0: B:\n    B;\n"_s << u"cty.dat"_s
        << u"cty.dat:3: the prefix list of 'Alpha' does not end with ';' before the next entity"_s;
    QTest::newRow("dat list runs to the end") << header + u"    A,\n    B\n"_s << u"cty.dat"_s
                                              << u"cty.dat:1: the prefix list of 'Alpha' does not end with ';'"_s;
    QTest::newRow("dat text after ';'") << header + u"    A; B\n"_s << u"cty.dat"_s
                                        << u"cty.dat:2: unexpected text after ';'"_s;

    QTest::newRow("neither format") << u"\nhello, world\n"_s << u"notes.txt"_s
                                    << u"notes.txt:2: not a country file: expected an entity of cty.csv "
                                       "(ten comma-separated fields) or a header of cty.dat (fields ended by ':')"_s;
    QTest::newRow("empty") << u" \n\n"_s << u"cty.csv"_s << u"cty.csv: the file holds no entities"_s;
}

void TestCountryFile::malformed()
{
    QFETCH(QString, text);
    QFETCH(QString, sourceName);
    QTEST(parseError(text, sourceName), "message");
}

void TestCountryFile::readsWindowsLineEnds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fileName = dir.filePath(u"cty.csv"_s);
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF" "A,Alpha,1,EU,1,1,0,0,0,AA =A1B;\r\nB,Beta,2,EU,1,1,0,0,0,BB;\r\nC,Gamma,3,EU,1,1,0,0,0,CC;");
    file.close();

    const CountryFile read = CountryFile::read(fileName);
    QCOMPARE(read.format(), CountryFile::Format::Csv);
    QCOMPARE(prefixesOf(read.records().records), QStringList({u"AA=Alpha"_s, u"BB=Beta"_s, u"CC=Gamma"_s}));

    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("A,Alpha,1,EU,1,1,0,0,0,AA;\r\nB,Beta,2,EU,1,1,0,0,0,BB\r\n");
    file.close();
    try {
        CountryFile::read(fileName);
        QFAIL("no error");
    } catch (const ImportError &e) {
        QCOMPARE(e.message(), fileName + u":2: the prefix list does not end with ';'"_s);
    }
}

void TestCountryFile::card_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("card");

    QTest::newRow("north east, half hour")
        << u"VU,India,324,AS,22,41,22.50,-77.58,-5.5,VU;"_s << u"VU"_s
        << u"India\nDXCC entity 324\nContinent: Asia (AS)\nCQ zone 22, ITU zone 41\n"
           "Position: 22.50° N, 77.58° E\nLocal time: UTC+5:30"_s;
    QTest::newRow("south west, with overrides")
        << u"CE,Chile,112,SA,12,14,-30.00,71.00,4.0,CE CE9(13)[73]<-62.00/58.50>~3.5~;"_s << u"CE9"_s
        << u"Chile\nDXCC entity 112\nContinent: South America (SA)\nCQ zone 13, ITU zone 73\n"
           "Position: 62.00° S, 58.50° W\nLocal time: UTC-3:30"_s;
    QTest::newRow("marked entity, quarter hour")
        << u"*ZL7,Chatham Test,34,OC,32,60,-43.85,176.48,-12.75,ZL7;"_s << u"ZL7"_s
        << u"Chatham Test\nOn the WAE and CQ lists; DXCC entity 34\nContinent: Oceania (OC)\n"
           "CQ zone 32, ITU zone 60\nPosition: 43.85° S, 176.48° W\nLocal time: UTC+12:45"_s;
    QTest::newRow("no entity number, Greenwich")
        << u"Null Island: 35: 47: AF: 0.00: 0.00: 0.0: 0N:\n    0N;"_s << u"0N"_s
        << u"Null Island\nContinent: Africa (AF)\nCQ zone 35, ITU zone 47\n"
           "Position: 0.00° N, 0.00° E\nLocal time: UTC+0"_s;
}

void TestCountryFile::card()
{
    QFETCH(QString, text);
    QFETCH(QString, prefix);
    const PrefixRecords records = CountryFile::parse(text, u"fixture"_s).records();
    const PrefixRecord *record = findRecord(records.records, prefix);
    QVERIFY(record);
    QTEST(record->card, "card");
}

void TestCountryFile::packagedFormatsAgree()
{
    const QString folder = QStringLiteral(HAMRADIO_FILES_DIR);
    if (!QFile::exists(folder + u"/cty.csv"_s) || !QFile::exists(folder + u"/cty.dat"_s))
        QSKIP("the package hamradio-files is not installed");

    const CountryFile csv = CountryFile::read(folder + u"/cty.csv"_s);
    const CountryFile dat = CountryFile::read(folder + u"/cty.dat"_s);
    QCOMPARE(csv.format(), CountryFile::Format::Csv);
    QCOMPARE(dat.format(), CountryFile::Format::Dat);
    QCOMPARE(dat.entities().size(), csv.entities().size());

    // Both carry the same prefixes and places; some entity names are spelled differently.
    const QList<PrefixRecord> fromCsv = csv.records().records;
    const QList<PrefixRecord> fromDat = dat.records().records;
    QVERIFY(fromCsv.size() > 5000);
    QCOMPARE(fromDat.size(), fromCsv.size());
    for (qsizetype i = 0; i < fromCsv.size(); ++i) {
        QCOMPARE(fromDat[i].prefix, fromCsv[i].prefix);
        QCOMPARE(fromDat[i].place, fromCsv[i].place);
        QVERIFY(fromCsv[i].dxcc.has_value());
        QVERIFY(!fromDat[i].dxcc.has_value());
    }
}

QTEST_APPLESS_MAIN(TestCountryFile)
#include "tst_countryfile.moc"
