// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "recordingmaker.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList lines;
};

Run run(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(GENPLAYLISTS_BIN), args);
    Run r;
    if (!p.waitForFinished(60000))
        return r;
    r.exitCode = p.exitCode();
    r.lines = QString::fromLocal8Bit(p.readAllStandardOutput())
                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
}

QString makeSmall(const QString &folder)
{
    mkrec::RecordingOptions o;
    o.folder = folder;
    o.durationSeconds = 3;
    o.width = 160;
    o.height = 90;
    return mkrec::makeRecording(o);
}

} // namespace

class TestGenPlaylists : public QObject
{
    Q_OBJECT

private slots:
    void libraryRoot();
    void singleFolders();
};

void TestGenPlaylists::libraryRoot()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir root(tmp.path());
    QCOMPARE(makeSmall(root.filePath(QStringLiteral("a-good"))), QString());
    QCOMPARE(makeSmall(root.filePath(QStringLiteral("b-broken"))), QString());
    QVERIFY(QFile::remove(root.filePath(QStringLiteral("b-broken/audio1.ts"))));
    QVERIFY(root.mkdir(QStringLiteral("c-not-a-recording")));

    // A missing root is reported and counted, and the roots after it are still worked through.
    const QString noRoot = tmp.filePath(QStringLiteral("no-such-root"));
    const Run r = run({QStringLiteral("--root"), noRoot, tmp.path()});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.lines,
             (QStringList{QStringLiteral("failed %1: library root does not exist").arg(noRoot),
                          QStringLiteral("ok ") + root.filePath(QStringLiteral("a-good")),
                          QStringLiteral("failed %1: no audio<N> files in %1")
                              .arg(root.filePath(QStringLiteral("b-broken")))}));
    QVERIFY(QFile::exists(root.filePath(QStringLiteral("a-good/master.m3u8"))));
    QVERIFY(!QFile::exists(root.filePath(QStringLiteral("b-broken/master.m3u8"))));

    // Repaired, and with --missing-only the finished folder is left alone.
    QVERIFY(QFile::copy(root.filePath(QStringLiteral("a-good/audio1.ts")),
                        root.filePath(QStringLiteral("b-broken/audio1.ts"))));
    const Run again = run({QStringLiteral("--missing-only"), QStringLiteral("--root"), tmp.path()});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.lines,
             (QStringList{QStringLiteral("skipped ") + root.filePath(QStringLiteral("a-good")),
                          QStringLiteral("ok ") + root.filePath(QStringLiteral("b-broken"))}));
}

void TestGenPlaylists::singleFolders()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString good = tmp.filePath(QStringLiteral("good"));
    QCOMPARE(makeSmall(good), QString());
    const QString missing = tmp.filePath(QStringLiteral("missing"));

    const Run ok = run({good});
    QCOMPARE(ok.exitCode, 0);
    QCOMPARE(ok.lines, QStringList{QStringLiteral("ok ") + good});

    const Run mixed = run({missing, good});
    QCOMPARE(mixed.exitCode, 1);
    QCOMPARE(mixed.lines,
             (QStringList{QStringLiteral("failed %1: no video1 file in %1").arg(missing),
                          QStringLiteral("ok ") + good}));
    QVERIFY(!QFile::exists(missing)); // nothing is created for a missing folder

    QCOMPARE(run({}).exitCode, 2);
}

QTEST_GUILESS_MAIN(TestGenPlaylists)
#include "tst_genplaylists.moc"
