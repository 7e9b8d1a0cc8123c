#include "ItemCatalog.h"
#include "ListFilling.h"
#include "StoreCatalog.h"

#include <QTest>
#include <set>
#include <stdexcept>
#include <vector>

using namespace catalog;

namespace {

struct VectorList : TextList {
    std::vector<std::string> entries;
    void append(const std::string& text) override { entries.push_back(text); }
};

struct FailingList : TextList {
    int accepted = 0;
    void append(const std::string&) override {
        if (accepted == 3)
            throw std::runtime_error("full");
        ++accepted;
    }
};

using Fill = void (*)(TextList&);
const Fill kFills[] = {fillItemList, fillStoreNames};

} // namespace

class TestCatalog : public QObject {
    Q_OBJECT
private slots:
    void itemNamesAtTheirPositions_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << " Null";
        QTest::newRow("1") << 1 << " Franklin badge";
        QTest::newRow("22") << 22 << " Big league bat";
        QTest::newRow("49 underscore") << 49 << " Yo_yo";
        QTest::newRow("146 backquote") << 146 << " Multi`bottle rocket";
        QTest::newRow("152 backquote") << 152 << " Pair`of dirty socks";
        QTest::newRow("213") << 213 << " Big league bat";
        QTest::newRow("229") << 229 << " Lucky sandwich";
        QTest::newRow("234 backquote") << 234 << " Peanut cheese`bar";
        QTest::newRow("253") << 253 << " Carrot key";
        QTest::newRow("254") << 254 << "null";
        QTest::newRow("255") << 255 << "null";
    }
    void itemNamesAtTheirPositions() {
        QFETCH(int, id);
        QFETCH(QString, name);
        QCOMPARE(QString::fromLatin1(kItemNames[id].data(), kItemNames[id].size()), name);
    }

    void itemNamesRepeatOnlyWhereListed() {
        std::multiset<std::string_view> names(kItemNames.begin(), kItemNames.end());
        QCOMPARE(std::set<std::string_view>(kItemNames.begin(), kItemNames.end()).size(), 247u);
        QCOMPARE(names.count(" Lucky sandwich"), 6u);
        QCOMPARE(names.count(" Platinum band"), 2u);
        QCOMPARE(names.count(" Diamond band"), 2u);
        QCOMPARE(names.count(" Big league bat"), 2u);
        QCOMPARE(names.count("null"), 2u);
        QCOMPARE(names.count(" Null"), 1u);
        for (int id = 0; id < 254; ++id)
            QVERIFY2(kItemNames[id].front() == ' ', kItemNames[id].data());
    }

    void storeNamesAtTheirPositions_data() {
        QTest::addColumn<int>("store");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << "Onett Drugstore 1";
        QTest::newRow("15") << 15 << "Happy Happy Village Drugstore?";
        QTest::newRow("22") << 22 << "Saturn Valley Store 2";
        QTest::newRow("36") << 36 << "Unknown 1";
        QTest::newRow("54") << 54 << "Happy Happy Village Drugstore";
        QTest::newRow("56") << 56 << "Saturn Valley Store";
        QTest::newRow("63") << 63 << "Unknown 4";
        QTest::newRow("64") << 64 << "Dr. Andonut's Caveman Store";
    }
    void storeNamesAtTheirPositions() {
        QFETCH(int, store);
        QFETCH(QString, name);
        QCOMPARE(QString::fromLatin1(kStoreNames[store].data(), kStoreNames[store].size()), name);
        QCOMPARE(std::set<std::string_view>(kStoreNames.begin(), kStoreNames.end()).size(), 65u);
    }

    void fillStoreNumbersCountsInNumericOrder() {
        VectorList list;
        fillStoreNumbers(list);
        QCOMPARE(list.entries.size(), 65u);
        for (int n = 0; n < 65; ++n)
            QCOMPARE(list.entries[n], std::to_string(n));
    }

    void fillProceduresAppendWholeTables_data() {
        QTest::addColumn<int>("fill");
        QTest::addColumn<bool>("items");
        // One procedure fills every slot's item list.
        QTest::newRow("fillItemList") << 0 << true;
        QTest::newRow("fillStoreNames") << 1 << false;
    }
    void fillProceduresAppendWholeTables() {
        QFETCH(int, fill);
        QFETCH(bool, items);
        VectorList list;
        list.entries = {"kept"}; // appends after what is there, clears nothing
        kFills[fill](list);
        const std::vector<std::string> expected = [&] {
            std::vector<std::string> e{"kept"};
            if (items)
                e.insert(e.end(), kItemNames.begin(), kItemNames.end());
            else
                e.insert(e.end(), kStoreNames.begin(), kStoreNames.end());
            return e;
        }();
        QVERIFY(list.entries == expected);
    }

    void failedAppendPropagates() {
        FailingList list;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, fillItemList(list));
        QCOMPARE(list.accepted, 3);
    }
};

QTEST_APPLESS_MAIN(TestCatalog)
#include "test_catalog.moc"
