// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remotecontrollauncher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// Drives the launcher with a small shell program that records its arguments and waits for a
// "release" file, so the test decides how long the "remote control" runs.
class TestRemoteControlLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void missingProgramIsNotAvailable();
    void passesTheDeviceAddressAndStartsOneInstanceAtATime();
    void noArgumentBeforeAnyDeviceWasLoaded();
    void failedStartIsLoggedAndAllowsTheNextAttempt();

private:
    QString writeProgram();
    QStringList recordedRuns() const;

    QTemporaryDir m_dir;
};

void TestRemoteControlLauncher::initTestCase()
{
#ifdef Q_OS_WIN
    QSKIP("uses a POSIX shell script as the stand-in program");
#endif
    QVERIFY(m_dir.isValid());
}

QString TestRemoteControlLauncher::writeProgram()
{
    const QString path = m_dir.filePath(QStringLiteral("Norremote"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    f.write("#!/bin/sh\n"
            "echo \"run:$#:$*\" >> \"$(dirname \"$0\")/runs.txt\"\n"
            "while [ ! -e \"$(dirname \"$0\")/release\" ]; do sleep 0.05; done\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(m_dir.filePath(QStringLiteral("runs.txt")));
    QFile::remove(m_dir.filePath(QStringLiteral("release")));
    return path;
}

QStringList TestRemoteControlLauncher::recordedRuns() const
{
    QFile f(m_dir.filePath(QStringLiteral("runs.txt")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void TestRemoteControlLauncher::missingProgramIsNotAvailable()
{
    RemoteControlLauncher launcher(m_dir.filePath(QStringLiteral("absent/Norremote")));
    QVERIFY(!launcher.isAvailable());
}

void TestRemoteControlLauncher::passesTheDeviceAddressAndStartsOneInstanceAtATime()
{
    RemoteControlLauncher launcher(writeProgram());
    QVERIFY(launcher.isAvailable());

    launcher.launch(QStringLiteral("127.0.0.2"));
    QPointer<QProcess> first = launcher.lastProcess();
    QVERIFY(first);
    QVERIFY(first->waitForStarted(5000));
    QTRY_COMPARE(recordedRuns(), QStringList{QStringLiteral("run:1:127.0.0.2")});

    // Still running: the second trigger starts nothing.
    launcher.launch(QStringLiteral("127.0.0.3"));
    QCOMPARE(launcher.lastProcess(), first.data());
    QTest::qWait(300);
    QCOMPARE(recordedRuns().size(), 1);

    // Once it has ended its object goes away and a new launch is allowed.
    QFile release(m_dir.filePath(QStringLiteral("release")));
    QVERIFY(release.open(QIODevice::WriteOnly));
    release.close();
    QTRY_VERIFY_WITH_TIMEOUT(first.isNull(), 5000);
    QFile::remove(m_dir.filePath(QStringLiteral("release")));

    launcher.launch(QStringLiteral("127.0.0.3"));
    QTRY_COMPARE(recordedRuns().size(), 2);
    QCOMPARE(recordedRuns().at(1), QStringLiteral("run:1:127.0.0.3"));
    QVERIFY(release.open(QIODevice::WriteOnly));
    release.close();
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.lastProcess(), 5000);
}

void TestRemoteControlLauncher::noArgumentBeforeAnyDeviceWasLoaded()
{
    RemoteControlLauncher launcher(writeProgram());
    launcher.launch(QString());
    QTRY_COMPARE(recordedRuns(), QStringList{QStringLiteral("run:0:")});
    QFile release(m_dir.filePath(QStringLiteral("release")));
    QVERIFY(release.open(QIODevice::WriteOnly));
    release.close();
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.lastProcess(), 5000);
}

void TestRemoteControlLauncher::failedStartIsLoggedAndAllowsTheNextAttempt()
{
    const QString program = writeProgram();
    RemoteControlLauncher launcher(program);
    QVERIFY(launcher.isAvailable());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner); // no longer executable

    QTest::ignoreMessage(QtWarningMsg, "Norremote launch failed: QProcess::FailedToStart");
    launcher.launch(QString());
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.lastProcess(), 5000);

    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    launcher.launch(QStringLiteral("::1"));
    QTRY_COMPARE(recordedRuns(), QStringList{QStringLiteral("run:1:::1")});
    QFile release(m_dir.filePath(QStringLiteral("release")));
    QVERIFY(release.open(QIODevice::WriteOnly));
    release.close();
    QTRY_VERIFY_WITH_TIMEOUT(!launcher.lastProcess(), 5000);
}

QTEST_GUILESS_MAIN(TestRemoteControlLauncher)
#include "tst_remotecontrollauncher.moc"
