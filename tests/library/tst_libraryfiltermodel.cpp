// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfiltermodel.h"
#include "librarymodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

namespace {

struct Rec
{
    QString name;
    QString title;
    int atsc;
};

// A source with the library roles the filter reads.
void fill(QStandardItemModel &m, const QList<Rec> &recs)
{
    m.clear();
    for (const Rec &r : recs) {
        auto *item = new QStandardItem;
        item->setData(r.name, LibraryModel::NameRole);
        item->setData(r.title, LibraryModel::TitleRole);
        item->setData(r.atsc, LibraryModel::AtscVersionRole);
        m.appendRow(item);
    }
}

QStringList visibleNames(const QAbstractItemModel &m)
{
    QStringList out;
    for (int i = 0; i < m.rowCount(); ++i)
        out.append(m.index(i, 0).data(LibraryModel::NameRole).toString());
    return out;
}

const QList<Rec> kRecs{
    {QStringLiteral("Zulu Evening News"), QStringLiteral("Late"), 1},
    {QStringLiteral("Evening News"), QString(), 3},
    {QStringLiteral("Cooking"), QStringLiteral("The news of bread"), 3},
    {QStringLiteral("Alpha"), QStringLiteral("Pilot"), -1},
    {QStringLiteral("Sports"), QStringLiteral("Final"), 1},
};

} // namespace

class TestLibraryFilterModel : public QObject
{
    Q_OBJECT

private slots:
    void filters_data();
    void filters();
    void notifications();
    void followsSource();
};

void TestLibraryFilterModel::filters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("showAtsc3");
    QTest::addColumn<QStringList>("visible");

    const QString zulu = QStringLiteral("Zulu Evening News");
    const QString evening = QStringLiteral("Evening News");
    const QString cooking = QStringLiteral("Cooking");
    const QString alpha = QStringLiteral("Alpha");
    const QString sports = QStringLiteral("Sports");
    QTest::newRow("everything, source order kept")
        << QString() << true << QStringList{zulu, evening, cooking, alpha, sports};
    QTest::newRow("ATSC 3.0 hidden; unknown version stays")
        << QString() << false << QStringList{zulu, alpha, sports};
    QTest::newRow("NEWS matches name and title, any case")
        << QStringLiteral("NEWS") << true << QStringList{zulu, evening, cooking};
    QTest::newRow("NEWS without ATSC 3.0") << QStringLiteral("NEWS") << false << QStringList{zulu};
    QTest::newRow("title only") << QStringLiteral("pilot") << true << QStringList{alpha};
    QTest::newRow("trailing space is part of the text")
        << QStringLiteral("news ") << true << QStringList{cooking};
    QTest::newRow("leading spaces are part of the text")
        << QStringLiteral("  news") << true << QStringList{};
    QTest::newRow("no word splitting") << QStringLiteral("evening sports") << true << QStringList{};
    QTest::newRow("nothing") << QStringLiteral("weather") << true << QStringList{};
}

void TestLibraryFilterModel::filters()
{
    QFETCH(QString, text);
    QFETCH(bool, showAtsc3);
    QFETCH(QStringList, visible);
    QStandardItemModel source;
    fill(source, kRecs);
    LibraryFilterModel f;
    QAbstractItemModelTester tester(&f, QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.setSourceModel(&source);
    f.setFilterText(text);
    f.setShowAtsc3(showAtsc3);
    QCOMPARE(visibleNames(f), visible);
    QCOMPARE(f.count(), visible.size());
}

void TestLibraryFilterModel::notifications()
{
    QStandardItemModel source;
    fill(source, kRecs);
    LibraryFilterModel f;
    QAbstractItemModelTester tester(&f, QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.setSourceModel(&source);
    QVERIFY(f.showAtsc3());
    QVERIFY(f.filterText().isEmpty());

    QSignalSpy text(&f, &LibraryFilterModel::filterTextChanged);
    QSignalSpy atsc(&f, &LibraryFilterModel::showAtsc3Changed);
    QSignalSpy count(&f, &LibraryFilterModel::countChanged);
    QList<int> countsSeen;
    connect(&f, &LibraryFilterModel::countChanged, this, [&] { countsSeen.append(f.count()); });

    f.setFilterText(QStringLiteral("news"));
    QCOMPARE(text.size(), 1);
    QVERIFY(count.size() >= 1);
    QCOMPARE(countsSeen.last(), 3);

    const int before = int(count.size());
    f.setFilterText(QStringLiteral("news")); // same text: nothing
    f.setShowAtsc3(true);                    // same value: nothing
    QCOMPARE(text.size(), 1);
    QCOMPARE(atsc.size(), 0);
    QCOMPARE(count.size(), before);

    f.setShowAtsc3(false);
    QCOMPARE(atsc.size(), 1);
    QCOMPARE(countsSeen.last(), 1);

    f.setFilterText(QString());
    QCOMPARE(countsSeen.last(), 3);
}

void TestLibraryFilterModel::followsSource()
{
    QStandardItemModel source;
    fill(source, kRecs);
    LibraryFilterModel f;
    QAbstractItemModelTester tester(&f, QAbstractItemModelTester::FailureReportingMode::QtTest);
    f.setSourceModel(&source);
    f.setShowAtsc3(false);
    QSignalSpy count(&f, &LibraryFilterModel::countChanged);

    // A reset of the source (as a library refresh does) notifies the count.
    fill(source,
         {{QStringLiteral("Only ATSC 3"), QString(), 3}, {QStringLiteral("Kept"), QString(), 1}});
    QVERIFY(count.size() >= 1);
    QCOMPARE(f.count(), 1);
    QCOMPARE(visibleNames(f), QStringList{QStringLiteral("Kept")});

    const int before = int(count.size());
    auto *item = new QStandardItem;
    item->setData(QStringLiteral("New"), LibraryModel::NameRole);
    item->setData(-1, LibraryModel::AtscVersionRole);
    source.appendRow(item);
    QCOMPARE(count.size(), before + 1);
    QCOMPARE(f.count(), 2);
}

QTEST_GUILESS_MAIN(TestLibraryFilterModel)
#include "tst_libraryfiltermodel.moc"
