// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "settings.h"

#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void freshUserGetsDefaults();
    void writesEmitOnlyOnRealChange_data();
    void writesEmitOnlyOnRealChange();
    void writingTheDefaultStoresNothing();
    void invalidStoredLastDirReadsAsMoviesFolder();
    void valuesWrittenBehindItsBackAreSeenWithoutSignal();

private:
    QTemporaryDir m_configDir;
};

void TestSettings::initTestCase()
{
    QVERIFY(m_configDir.isValid());
    QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
    QCoreApplication::setApplicationName(QStringLiteral("Norplay"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configDir.path());
}

void TestSettings::init()
{
    QSettings().clear();
}

void TestSettings::freshUserGetsDefaults()
{
    Settings s;
    const QUrl movies =
        QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
    QCOMPARE(s.lastDir(), movies);
    QVERIFY(s.libraryRoot().isEmpty());
    QCOMPARE(s.showAtsc3(), false);
}

void TestSettings::writesEmitOnlyOnRealChange_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("lastDir") << QByteArray("lastDir")
                             << QVariant(QUrl::fromLocalFile(QStringLiteral("/srv/videos")));
    QTest::newRow("libraryRoot") << QByteArray("libraryRoot")
                                 << QVariant(QUrl::fromLocalFile(QStringLiteral("/srv/library")));
    QTest::newRow("showAtsc3") << QByteArray("showAtsc3") << QVariant(true);
}

void TestSettings::writesEmitOnlyOnRealChange()
{
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);

    Settings s;
    const QMetaProperty prop = s.metaObject()->property(s.metaObject()->indexOfProperty(property));
    QVERIFY(prop.isValid());
    QSignalSpy changed(&s, prop.notifySignal());

    QVERIFY(prop.write(&s, value));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(prop.read(&s), value);

    // The same value again: no write, no signal.
    QVERIFY(prop.write(&s, value));
    QCOMPARE(changed.count(), 1);

    // A second object sees the stored value at once: nothing is cached.
    Settings other;
    QCOMPARE(prop.read(&other), value);
}

void TestSettings::writingTheDefaultStoresNothing()
{
    Settings s;
    QSignalSpy lastDirSpy(&s, &Settings::lastDirChanged);
    QSignalSpy rootSpy(&s, &Settings::libraryRootChanged);
    QSignalSpy atscSpy(&s, &Settings::showAtsc3Changed);

    s.setLastDir(Settings::defaultLastDir());
    s.setLibraryRoot(QUrl());
    s.setShowAtsc3(false);

    QCOMPARE(lastDirSpy.count(), 0);
    QCOMPARE(rootSpy.count(), 0);
    QCOMPARE(atscSpy.count(), 0);
    QVERIFY(QSettings().allKeys().isEmpty());
}

void TestSettings::invalidStoredLastDirReadsAsMoviesFolder()
{
    QSettings().setValue(QStringLiteral("lastDir"), QVariant());
    QCOMPARE(Settings().lastDir(), Settings::defaultLastDir());
}

void TestSettings::valuesWrittenBehindItsBackAreSeenWithoutSignal()
{
    Settings s;
    QSignalSpy rootSpy(&s, &Settings::libraryRootChanged);
    const QUrl root = QUrl::fromLocalFile(QStringLiteral("/media/recordings"));

    QSettings().setValue(QStringLiteral("libraryRoot"), root);
    QCOMPARE(s.libraryRoot(), root);
    QCOMPARE(rootSpy.count(), 0);

    // Writing what is already stored stays silent, as for any other unchanged value.
    s.setLibraryRoot(root);
    QCOMPARE(rootSpy.count(), 0);
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
