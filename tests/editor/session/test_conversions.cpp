#include "Conversions.h"

#include <QTest>

using namespace session;

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void byteToTextHasNoBlanksOrZeros_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0";
        QTest::newRow("7") << 7 << "7";
        QTest::newRow("128") << 128 << "128";
        QTest::newRow("255") << 255 << "255";
    }
    void byteToTextHasNoBlanksOrZeros() {
        QFETCH(int, value);
        QFETCH(QString, text);
        QCOMPARE(QString::fromStdString(byteToText(static_cast<std::uint8_t>(value))), text);
    }

    // -1 in "byte" means refused.
    void textToByte_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("max") << "255" << 255;
        QTest::newRow("blanks around") << " 7 " << 7;
        QTest::newRow("tab around") << "\t9\t" << 9;
        QTest::newRow("plus sign") << "+12" << 12;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("exponent") << "1e2" << 100;
        QTest::newRow("fraction only") << ".5" << 0;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("254.5 to even") << "254.5" << 254;
        QTest::newRow("fraction up") << "7.6" << 8;
        QTest::newRow("small negative") << "-0.4" << 0;
        QTest::newRow("minus half") << "-0.5" << 0;
        QTest::newRow("255.5 rounds out") << "255.5" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("blank") << " " << -1;
        QTest::newRow("letters") << "abc" << -1;
        QTest::newRow("trailing letters") << "12abc" << -1;
        QTest::newRow("hex") << "0x10" << -1;
        QTest::newRow("comma") << "1,5" << -1;
        QTest::newRow("256") << "256" << -1;
        QTest::newRow("-1") << "-1" << -1;
        QTest::newRow("inner blank") << "1 2" << -1;
        QTest::newRow("sign alone") << "-" << -1;
        QTest::newRow("dot alone") << "." << -1;
        QTest::newRow("bare exponent") << "1e" << -1;
        QTest::newRow("inf") << "inf" << -1;
        QTest::newRow("nan") << "nan" << -1;
        QTest::newRow("huge exponent") << "1e400" << -1;
        QTest::newRow("huge mantissa")
            << QStringLiteral("1%1").arg(QString(400, QLatin1Char('0'))) << -1;
        QTest::newRow("underflow is zero") << "1e-400" << 0;
        QTest::newRow("below the least subnormal") << "2.4e-324" << 0;
        QTest::newRow("a subnormal") << "1e-310" << 0;
        QTest::newRow("negative underflow") << "-1e-400" << 0;
        QTest::newRow("underflow written long")
            << QStringLiteral("0.%1").arg(QString(400, QLatin1Char('0'))) + "1" << 0;
        QTest::newRow("exponent digits without end")
            << QStringLiteral("5e-%1").arg(QString(30, QLatin1Char('9'))) << 0;
        QTest::newRow("overflow written with a small exponent")
            << QStringLiteral("%1e-10").arg(QString(400, QLatin1Char('1'))) << -1;
        QTest::newRow("long digits") << QString(10000, QLatin1Char('9')) << -1;
    }
    void textToByte() {
        QFETCH(QString, text);
        QFETCH(int, byte);
        const auto result = session::textToByte(text.toStdString());
        QCOMPARE(result.has_value() ? int(*result) : -1, byte);
    }
};

QTEST_APPLESS_MAIN(TestConversions)
#include "test_conversions.moc"
