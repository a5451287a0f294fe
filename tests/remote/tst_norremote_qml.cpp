// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Runs the scene's tst_*.qml files against the Norremote module the program links. The key sender
// and the settings are the real ones, aimed at a stand-in box on loopback; discovery is a stand-in
// that never broadcasts, and the device list is the real model fed by the test.
#include "boxsimprocess.h"
#include "keysender.h"
#include "remotedevicemodel.h"
#include "scenegraphcleanup.h"
#include "settings.h"
#include "startup.h"

#include <QFontDatabase>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickStyle>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <QtQml/QQmlExtensionPlugin>
#include <QtQuickTest>

#include <memory>

Q_IMPORT_QML_PLUGIN(NorremotePlugin)

// Discovery as the scene sees it: a scanning flag and refresh(). The test ends a "sweep" with
// the devices it wants listed.
class DiscoveryStandIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)
    Q_PROPERTY(int refreshes READ refreshes NOTIFY scanningChanged)

public:
    bool scanning() const { return m_scanning; }
    int refreshes() const { return m_refreshes; }

    Q_INVOKABLE void refresh()
    {
        if (m_scanning)
            return;
        m_scanning = true;
        ++m_refreshes;
        emit scanningChanged();
    }
    void end()
    {
        m_scanning = false;
        emit scanningChanged();
    }

signals:
    void scanningChanged();

private:
    bool m_scanning = false;
    int m_refreshes = 0;
};

// What the QML tests reach besides the scene's own context properties.
class Fixture : public QObject
{
    Q_OBJECT

public:
    Fixture(BoxSimProcess *box, DiscoveryStandIn *discovery, RemoteDeviceModel *devices)
        : m_box(box)
        , m_discovery(discovery)
        , m_devices(devices)
    {}

    // The commands the stand-in box received so far, in order.
    Q_INVOKABLE QStringList receivedKeys()
    {
        QStringList keys;
        const auto received = m_box->keysReceived(0);
        for (const auto &key : received)
            keys << key.keys;
        return keys;
    }

    // A key press and release delivered to `window` (TestCase's own key functions only reach the
    // test's window, and Norremote's window is a window of its own).
    Q_INVOKABLE void keyClick(QObject *window, int key, int modifiers = Qt::NoModifier)
    {
        if (auto *w = qobject_cast<QWindow *>(window))
            QTest::keyClick(w, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    }

    // Ends the running sweep with these boxes: maps with "name", "ip" and "tuners".
    Q_INVOKABLE void endScan(const QVariantList &boxes)
    {
        QList<imgr::ImgrMsg> list;
        int n = 0;
        for (const QVariant &v : boxes) {
            const QVariantMap m = v.toMap();
            imgr::ImgrMsg msg;
            msg.type = 2;
            msg.id = QByteArray::number(0xa1b2c3d4e000LL + n++, 16);
            msg.name = m.value(QStringLiteral("name")).toString().toLatin1();
            msg.ip = m.value(QStringLiteral("ip")).toString().toLatin1();
            msg.numTuners = quint8(m.value(QStringLiteral("tuners")).toInt());
            list << msg;
        }
        m_devices->setDevices(list);
        m_discovery->end();
    }

private:
    BoxSimProcess *m_box;
    DiscoveryStandIn *m_discovery;
    RemoteDeviceModel *m_devices;
};

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Norvale"));
        QCoreApplication::setApplicationName(QStringLiteral("NorremoteQmlTest"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_configDir.path());
        QSettings().clear();
        QQuickStyle::setStyle(QStringLiteral("Basic"));
        if (QFontDatabase::addApplicationFont(
                QStringLiteral(":/qml/fonts/MaterialSymbolsRounded-Regular.ttf")) < 0)
            qWarning("the icon font did not load; glyphs show as boxes");

        m_box = std::make_unique<BoxSimProcess>(QStringList{
            QStringLiteral("--address"), QStringLiteral("127.0.0.1"), QStringLiteral("--no-svp"),
            QStringLiteral("--no-discovery"), QStringLiteral("--key-port"), QStringLiteral("0")});
        QString error;
        if (!m_box->start(&error))
            qFatal("stand-in box: %s", qPrintable(error));

        m_settings = std::make_unique<Settings>();
        m_keySender = std::make_unique<KeySender>();
        m_keySender->setPort(m_box->keyPort());
        // A box is chosen, so the picker stays closed when the window opens.
        restoreDevice(*m_settings, *m_keySender,
                      {QStringLiteral("Norremote"), QStringLiteral("127.0.0.1")});
        m_discovery = std::make_unique<DiscoveryStandIn>();
        m_devices = std::make_unique<RemoteDeviceModel>();
        m_fixture = std::make_unique<Fixture>(m_box.get(), m_discovery.get(), m_devices.get());
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qml"));
        publishScene(engine->rootContext(), m_settings.get(), m_keySender.get(), m_discovery.get(),
                     m_devices.get());
        engine->rootContext()->setContextProperty(QStringLiteral("discoveryStandIn"),
                                                  m_discovery.get());
        engine->rootContext()->setContextProperty(QStringLiteral("fixture"), m_fixture.get());
    }

    void cleanupTestCase()
    {
        quicktestsupport::releaseSceneGraphTextures();
        m_box.reset();
    }

private:
    QTemporaryDir m_configDir;
    std::unique_ptr<BoxSimProcess> m_box;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<KeySender> m_keySender;
    std::unique_ptr<DiscoveryStandIn> m_discovery;
    std::unique_ptr<RemoteDeviceModel> m_devices;
    std::unique_ptr<Fixture> m_fixture;
};

QUICK_TEST_MAIN_WITH_SETUP(tst_norremote_qml, Setup)

#include "tst_norremote_qml.moc"
