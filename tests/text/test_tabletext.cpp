#include "Quoting.h"
#include "TableText.h"

#include <QTest>
#include <random>

using namespace text;
using store::kStoreCount;

namespace {

Table randomTable(std::uint32_t seed) {
    std::mt19937 rng(seed);
    Table table{};
    for (auto& record : table)
        for (auto& id : record)
            id = static_cast<std::uint8_t>(rng());
    return table;
}

} // namespace

class TestTableText : public QObject {
    Q_OBJECT
private slots:
    // Its own output reads back as the same 65 records, in store order.
    void formattedTextReadsBack() {
        for (std::uint32_t seed : {1u, 2u, 3u}) {
            const Table table = randomTable(seed);
            const std::string written = formatTableText(table);
            const TableText read = parseTableText(written);
            QVERIFY(read.errors.empty());
            QCOMPARE(int(read.stores.size()), kStoreCount);
            for (int s = 0; s < kStoreCount; ++s) {
                QCOMPARE(read.stores[s].store, s);
                QVERIFY(read.stores[s].ids == table[s]);
            }
            QVERIFY(sourceKind(written) == SourceKind::Text);
        }
    }

    // One line a store, names in the comment: a changed store changes one line.
    void aChangedStoreChangesOneLine() {
        Table table = randomTable(4);
        const auto before = QString::fromStdString(formatTableText(table)).split('\n');
        table[12][2] = table[12][2] ^ 1;
        const auto after = QString::fromStdString(formatTableText(table)).split('\n');
        QCOMPARE(after.size(), before.size());
        QStringList changed;
        for (int i = 0; i < before.size(); ++i)
            if (before[i] != after[i])
                changed << after[i];
        QCOMPARE(changed.size(), 1);
        QVERIFY(changed[0].startsWith(QStringLiteral("12 ")));
        QVERIFY(changed[0].contains(QStringLiteral("# Burglin Park Egg Stand | ")));
    }

    void layoutsThatRead_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("stores");
        QTest::newRow("comments and blanks anywhere")
            << "# a dump\n\n   quendle-stores-table 1   # the format\n\n# stores\n7 1 2 3 4 5 "
               "6 7 # names\n\t\n3 0 0 0 0 0 0 255\n"
            << QList<int>{7, 3};
        QTest::newRow("CRLF line ends") << "quendle-stores-table 1\r\n0 1 2 3 4 5 6 7\r\n"
                                        << QList<int>{0};
        QTest::newRow("no line end at the end")
            << "quendle-stores-table 1\n64 1 1 1 1 1 1 1" << QList<int>{64};
        QTest::newRow("tabs and leading zeros") << "quendle-stores-table 1\n05\t001 2 3 4 5 6 7\n"
                                                << QList<int>{5};
        QTest::newRow("no store at all") << "quendle-stores-table 1\n# nothing\n" << QList<int>{};
        QTest::newRow("names after # are not read")
            << "quendle-stores-table 1\n1 1 2 3 4 5 6 7 # 9 9 9 | 12 | #\n"
            << QList<int>{1};
    }
    void layoutsThatRead() {
        QFETCH(QString, text);
        QFETCH(QList<int>, stores);
        const TableText read = parseTableText(text.toStdString());
        QVERIFY2(read.errors.empty(),
                 read.errors.empty() ? "" : read.errors.front().expected.c_str());
        QList<int> got;
        for (const auto& store : read.stores)
            got << store.store;
        QCOMPARE(got, stores);
    }

    // Every kind of bad line, with its line number, the text at fault and what was
    // expected; the good lines around it are still read.
    void badLines_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("atFault");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("quendle-stores-table 1\n1 1 1 1 1 1 1 1\n");
        QTest::newRow("empty text") << "" << 1 << ""
                                    << "the format line";
        QTest::newRow("only comments") << "# x\n\n"
                                       << 2 << ""
                                       << "the format line";
        QTest::newRow("wrong format name") << "quendle-items 1\n"
                                           << 1 << "quendle-items 1"
                                           << "the format line \"quendle-stores-table 1\"";
        QTest::newRow("wrong version") << "# v2\nquendle-stores-table 2\n"
                                       << 2 << "quendle-stores-table 2"
                                       << "version 1";
        QTest::newRow("format line missing its version") << "quendle-stores-table\n"
                                                         << 1 << "quendle-stores-table"
                                                         << "version 1";
        QTest::newRow("unknown store number") << head + "65 1 2 3 4 5 6 7\n"
                                              << 3 << "65"
                                              << "a store number from 0 to 64";
        QTest::newRow("a store number far too big") << head + "99999999999999999999 1 2 3 4 5 6 7\n"
                                                    << 3 << "99999999999999999999"
                                                    << "a store number from 0 to 64";
        QTest::newRow("negative store number") << head + "-1 1 2 3 4 5 6 7\n"
                                               << 3 << "-1"
                                               << "a store number";
        QTest::newRow("a name instead of a number") << head + "Onett 1 2 3 4 5 6 7\n"
                                                    << 3 << "Onett"
                                                    << "a store number";
        QTest::newRow("a missing id") << head + "2 1 2 3 4 5 6\n"
                                      << 3 << "2 1 2 3 4 5 6"
                                      << "slot 7 is missing";
        QTest::newRow("an extra id") << head + "2 1 2 3 4 5 6 7 8\n"
                                     << 3 << "8"
                                     << "this is an extra one";
        QTest::newRow("an id past 255") << head + "2 1 2 3 256 5 6 7\n"
                                        << 3 << "256"
                                        << "an item id from 0 to 255 for slot 4";
        QTest::newRow("a hex id") << head + "2 1 2 3 0x10 5 6 7\n"
                                  << 3 << "0x10"
                                  << "an item id from 0 to 255 for slot 4";
        QTest::newRow("a fraction") << head + "2 1 2 3 4.5 5 6 7\n"
                                    << 3 << "4.5"
                                    << "an item id from 0 to 255 for slot 4";
        QTest::newRow("a store listed twice") << head + "# again\n1 2 2 2 2 2 2 2\n"
                                              << 4 << "1"
                                              << "store 1 is listed on line 2 already";
        QTest::newRow("the format line again") << head + "quendle-stores-table 1\n"
                                               << 3 << "quendle-stores-table"
                                               << "a store number";
    }
    void badLines() {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(QString, atFault);
        QFETCH(QString, expected);
        const TableText read = parseTableText(text.toStdString());
        QCOMPARE(int(read.errors.size()), 1);
        const TextError& error = read.errors.front();
        QCOMPARE(error.line, line);
        QCOMPARE(QString::fromStdString(error.text), atFault);
        QVERIFY2(QString::fromStdString(error.expected).contains(expected), error.expected.c_str());
    }

    void everyErrorIsReported() {
        const TableText read = parseTableText(
            "quendle-stores-table 1\n70 1 2 3 4 5 6 7\n1 1 1\n2 1 2 3 4 5 6 7\n3 x 1 1 1 1 1 1\n");
        QCOMPARE(int(read.errors.size()), 3);
        QCOMPARE(read.errors[0].line, 2);
        QCOMPARE(read.errors[1].line, 3);
        QCOMPARE(read.errors[2].line, 5);
    }

    void differencesAreSlotLines() {
        Table a = randomTable(5), b = a;
        b[12][2] = 5;
        a[12][2] = 213;
        b[64][6] = 254;
        a[64][6] = 0;
        Stores left = allStores(a), right = allStores(b);
        const auto changes = differences(left, right);
        QCOMPARE(int(changes.size()), 2);
        QCOMPARE(QString::fromStdString(describe(changes[0])),
                 QStringLiteral("store 12 (Burglin Park Egg Stand) slot 3: 213 Big league bat -> 5 "
                                "Broken gadget"));
        QCOMPARE(
            QString::fromStdString(describe(changes[1])),
            QStringLiteral("store 64 (Dr. Andonut's Caveman Store) slot 7: 0 Null -> 254 null"));
        right[12].reset(); // a text that does not list store 12 says nothing of it
        QCOMPARE(int(differences(left, right).size()), 1);
    }

    // Text or image: the first line that is neither blank nor a comment decides,
    // fed whole or a byte at a time.
    void textOrImage_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("isText");
        QTest::newRow("the format line") << QByteArray("quendle-stores-table 1\n") << true;
        QTest::newRow("another version is still a text")
            << QByteArray("quendle-stores-table 9") << true;
        QTest::newRow("the name alone") << QByteArray("quendle-stores-table") << true;
        QTest::newRow("after comments and blank lines")
            << QByteArray("\n  \t\r\n# a comment\n#\n   quendle-stores-table 1 # x\n") << true;
        QTest::newRow("after a byte order mark")
            << QByteArray("\xEF\xBB\xBFquendle-stores-table 1") << true;
        QTest::newRow("a comment right after the name")
            << QByteArray("quendle-stores-table#1") << true;
        QTest::newRow("a longer word") << QByteArray("quendle-stores-tables 1") << false;
        QTest::newRow("a store line first") << QByteArray("0 1 2 3 4 5 6 7\n") << false;
        QTest::newRow("zeros") << QByteArray(4096, '\0') << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("only comments") << QByteArray("# a\n# b\n") << false;
        QTest::newRow("half a byte order mark")
            << QByteArray("\xEF\xBBquendle-stores-table 1") << false;
        QTest::newRow("a NUL before the name")
            << QByteArray("\0quendle-stores-table 1", 23) << false;
    }
    void textOrImage() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, isText);
        const std::string_view view(bytes.constData(), std::size_t(bytes.size()));
        QCOMPARE(sourceKind(view) == SourceKind::Text, isText);
        SourceSniffer sniffer;
        std::optional<SourceKind> kind;
        for (std::size_t i = 0; i < view.size() && !kind; ++i)
            kind = sniffer.feed(view.substr(i, 1));
        QCOMPARE(kind.value_or(sniffer.finish()) == SourceKind::Text, isText);
    }

    // A byte order mark before the format line is read past; errors past the first
    // 100 are counted and not kept.
    void byteOrderMarkAndErrorCount() {
        const TableText marked =
            parseTableText("\xEF\xBB\xBFquendle-stores-table 1\r\n3 1 2 3 4 5 6 7\r\n");
        QCOMPARE(marked.errorCount, std::size_t(0));
        QCOMPARE(int(marked.stores.size()), 1);
        std::string many = "quendle-stores-table 1\n";
        for (int i = 0; i < 1000; ++i)
            many += "x\n";
        const TableText bad = parseTableText(many);
        QCOMPARE(bad.errorCount, std::size_t(1000));
        QCOMPARE(bad.errors.size(), kKeptErrors);
        QCOMPARE(bad.errors.back().line, int(kKeptErrors) + 1);
    }

    // Bytes from files reach a terminal escaped, and long texts are cut.
    void escapedForTheTerminal_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << QByteArray("Big league bat") << "\"Big league bat\"";
        QTest::newRow("UTF-8 letters") << QByteArray("Störe ü") << "\"Störe ü\"";
        QTest::newRow("escape sequence") << QByteArray("\x1b[31mred") << "\"\\033[31mred\"";
        QTest::newRow("NUL, tab, DEL") << QByteArray("a\0\t\x7f", 4) << "\"a\\0\\t\\177\"";
        QTest::newRow("quote and backslash") << QByteArray("\"\\") << "\"\"\\\\\"";
        QTest::newRow("invalid UTF-8") << QByteArray("\x80\xff\xC3") << "\"\\x80\\xFF\\xC3\"";
        QTest::newRow("a C1 control") << QByteArray("\xC2\x9B") << "\"\\xC2\\x9B\"";
        QTest::newRow("an overlong form") << QByteArray("\xC0\xAF") << "\"\\xC0\\xAF\"";
        QTest::newRow("a right-to-left override")
            << QByteArray("evil\xE2\x80\xAEtxt.smc") << "\"evil\\u202Etxt.smc\"";
        QTest::newRow("an isolate, a zero-width space, a byte order mark")
            << QByteArray("a\xE2\x81\xA6"
                          "b\xE2\x80\x8B"
                          "c\xEF\xBB\xBF")
            << "\"a\\u2066b\\u200Bc\\uFEFF\"";
        QTest::newRow("letters beside them stay")
            << QByteArray("\xD7\xA9\xD7\x9C") << "\"\u05E9\u05DC\"";
        QTest::newRow("41 characters")
            << QByteArray(41, 'x') << "\"" + QString(40, 'x') + "…\" (a text of 41 characters)";
        QTest::newRow("40 characters") << QByteArray(40, 'x') << "\"" + QString(40, 'x') + "\"";
    }
    void escapedForTheTerminal() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(QString::fromStdString(quotedForTerminal(
                     std::string_view(bytes.constData(), std::size_t(bytes.size())))),
                 shown);
    }

    // A window and a terminal cut a long text by the same rule, at a character's
    // edge; a file name is quoted whole. Only the terminal escapes.
    void quotedByOneRule_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("terminal");
        const QString cutX = "\"" + QString(40, 'x') + "…\" (a text of 41 characters)";
        QTest::newRow("41 letters") << QByteArray(41, 'x') << true << cutX << cutX;
        const QString cutE = "\"" + QString(40, QChar(0xE9)) + "…\" (a text of 41 characters)";
        QTest::newRow("41 two-byte letters")
            << QString(41, QChar(0xE9)).toUtf8() << true << cutE << cutE;
        const QString whole = "\"" + QString(60, 'x') + "\"";
        QTest::newRow("a long file name, whole") << QByteArray(60, 'x') << false << whole << whole;
        QTest::newRow("a control byte") << QByteArray("a\x1b") << true << "\"a\x1b\""
                                        << "\"a\\033\"";
    }
    void quotedByOneRule() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, cut);
        QFETCH(QString, window);
        QFETCH(QString, terminal);
        const std::string_view text(bytes.constData(), std::size_t(bytes.size()));
        const Length length = cut ? Length::Cut : Length::Whole;
        QCOMPARE(QString::fromStdString(quotedForWindow(text, length)), window);
        QCOMPARE(QString::fromStdString(quotedForTerminal(text, length)), terminal);
    }
};

QTEST_APPLESS_MAIN(TestTableText)
#include "test_tabletext.moc"
