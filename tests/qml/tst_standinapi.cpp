// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The scene tests run against stand-ins of the player, the main window, discovery and the
// network objects (standins.h). Every
// member the scene can reach on the real class (properties with their types, writability and
// notify signals; signals; public invokables and slots) must be on its stand-in with the same
// signature, so a renamed or retyped member of the real class fails here instead of leaving the
// scene tests green against an interface the program no longer has. Stand-ins may have more:
// writable properties and test-control members.
#include "discoveryservice.h"
#include "mainwindow.h"
#include "remotedownload.h"
#include "remoteplayback.h"
#include "remoterecordingsmodel.h"
#include "standins.h"
#include "vlcplayer.h"

#include <QMetaMethod>
#include <QMetaObject>
#include <QMetaProperty>
#include <QTest>
#include <iterator>

namespace {

struct Pair
{
    const char *name;
    const QMetaObject *real;
    const QMetaObject *standIn;
};

const Pair kPairs[] = {
    {"player", &VlcPlayer::staticMetaObject, &PlayerStandIn::staticMetaObject},
    {"main window", &MainWindow::staticMetaObject, &MainWindowStandIn::staticMetaObject},
    {"discovery", &DiscoveryService::staticMetaObject, &DiscoveryStandIn::staticMetaObject},
    {"recording list", &RemoteRecordingsModel::staticMetaObject,
     &RemoteRecordingsStandIn::staticMetaObject},
    {"network playback", &RemotePlayback::staticMetaObject,
     &RemotePlaybackStandIn::staticMetaObject},
    {"download", &RemoteDownload::staticMetaObject, &RemoteDownloadStandIn::staticMetaObject},
};

enum class Kind { Property, Method };

// Signals, and methods QML can call: public invokables and slots.
bool sceneVisible(const QMetaMethod &method)
{
    if (method.methodType() == QMetaMethod::Signal)
        return true;
    return method.access() == QMetaMethod::Public &&
           (method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot);
}

QString propertyProblem(const QMetaProperty &real, const QMetaObject &standIn)
{
    const int index = standIn.indexOfProperty(real.name());
    if (index < 0)
        return QStringLiteral("missing");
    const QMetaProperty own = standIn.property(index);
    if (own.metaType() != real.metaType())
        return QStringLiteral("type %1 instead of %2")
            .arg(QLatin1String(own.typeName()), QLatin1String(real.typeName()));
    if (!own.isReadable())
        return QStringLiteral("not readable");
    if (real.isWritable() && !own.isWritable())
        return QStringLiteral("not writable, the scene writes it");
    // A constant of the real class may change on the stand-in (a test sets it); a notifying
    // property must notify with the same signal, which the scene's handlers are named after.
    if (real.hasNotifySignal()) {
        if (!own.hasNotifySignal())
            return QStringLiteral("no notify signal, expected %1")
                .arg(QLatin1String(real.notifySignal().methodSignature()));
        if (own.notifySignal().methodSignature() != real.notifySignal().methodSignature())
            return QStringLiteral("notifies %1 instead of %2")
                .arg(QLatin1String(own.notifySignal().methodSignature()),
                     QLatin1String(real.notifySignal().methodSignature()));
    }
    return QString();
}

QString methodProblem(const QMetaMethod &real, const QMetaObject &standIn)
{
    const int index = standIn.indexOfMethod(real.methodSignature().constData());
    if (index < 0)
        return QStringLiteral("missing");
    const QMetaMethod own = standIn.method(index);
    if (real.methodType() == QMetaMethod::Signal) {
        if (own.methodType() != QMetaMethod::Signal)
            return QStringLiteral("not a signal");
    } else if (!sceneVisible(own) || own.methodType() == QMetaMethod::Signal) {
        return QStringLiteral("not a public invokable or slot");
    }
    if (own.returnMetaType() != real.returnMetaType())
        return QStringLiteral("returns %1 instead of %2")
            .arg(QLatin1String(own.typeName()), QLatin1String(real.typeName()));
    return QString();
}

} // namespace

class TestStandInApi : public QObject
{
    Q_OBJECT

private slots:
    void standInHasTheRealApi_data();
    void standInHasTheRealApi();
    void recordingListHasTheRealRoles();
};

void TestStandInApi::standInHasTheRealApi_data()
{
    QTest::addColumn<int>("pair");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("index");

    for (int p = 0; p < int(std::size(kPairs)); ++p) {
        const QMetaObject &real = *kPairs[p].real;
        int rows = 0;
        // The class's own members only: what it inherits from QObject or QMainWindow is not
        // part of what the scene is written against.
        for (int i = real.propertyOffset(); i < real.propertyCount(); ++i) {
            QTest::addRow("%s: property %s", kPairs[p].name, real.property(i).name())
                << p << int(Kind::Property) << i;
            ++rows;
        }
        for (int i = real.methodOffset(); i < real.methodCount(); ++i) {
            const QMetaMethod method = real.method(i);
            if (!sceneVisible(method))
                continue;
            QTest::addRow("%s: %s %s", kPairs[p].name,
                          method.methodType() == QMetaMethod::Signal ? "signal" : "method",
                          method.methodSignature().constData())
                << p << int(Kind::Method) << i;
            ++rows;
        }
        QVERIFY2(rows > 0, kPairs[p].name);
    }
}

void TestStandInApi::standInHasTheRealApi()
{
    QFETCH(int, pair);
    QFETCH(int, kind);
    QFETCH(int, index);

    const QMetaObject &real = *kPairs[pair].real;
    const QMetaObject &standIn = *kPairs[pair].standIn;
    const QString problem = Kind(kind) == Kind::Property
                                ? propertyProblem(real.property(index), standIn)
                                : methodProblem(real.method(index), standIn);
    QVERIFY2(problem.isEmpty(),
             qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(standIn.className()), problem)));
}

// The list's delegates bind to the role names: the stand-in serves the same names under the same
// ids.
void TestStandInApi::recordingListHasTheRealRoles()
{
    const RemoteRecordingsModel real(nullptr);
    const RemoteRecordingsStandIn standIn;
    QCOMPARE(standIn.roleNames(), real.roleNames());
}

QTEST_GUILESS_MAIN(TestStandInApi)
#include "tst_standinapi.moc"
