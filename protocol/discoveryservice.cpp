// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "discoveryservice.h"

#include "deviceidentity.h"
#include "discovery.h"

#include <QtConcurrent/QtConcurrentRun>

DiscoveryService::DiscoveryService(DeviceIdentity *identity, Client client, QObject *parent)
    : QObject(parent)
    , m_identity(identity)
    , m_client(client)
{
    qRegisterMetaType<imgr::ImgrMsg>();
    qRegisterMetaType<QList<imgr::ImgrMsg>>();
    connect(&m_watcher, &QFutureWatcher<QList<imgr::ImgrMsg>>::finished, this,
            &DiscoveryService::onWatcherFinished);
}

DiscoveryService::~DiscoveryService()
{
    // The answer loop looks at the flag at least every 250 ms.
    m_cancel.fetchAndStoreOrdered(1);
    m_watcher.waitForFinished();
}

bool DiscoveryService::scanning() const
{
    return m_watcher.isRunning();
}

void DiscoveryService::refresh()
{
    if (m_watcher.isRunning())
        return;
    m_cancel.fetchAndStoreOrdered(0);

    const QByteArray id =
        m_identity ? m_identity->idBytes() : DeviceIdentity::wireField(DeviceIdentity::ID_TEXT);
    QAtomicInt *cancel = &m_cancel;
    const QHostAddress everywhere(QHostAddress::Broadcast);
    if (m_client == Client::Norremote) {
        m_watcher.setFuture(QtConcurrent::run(svpDiscoverRemote, id, QByteArray("Norremote"),
                                              SVP_DISCOVERY_TIMEOUT_MS, cancel, everywhere));
    } else {
        m_watcher.setFuture(QtConcurrent::run(svpDiscover, id, QByteArray("Norplay"),
                                              SVP_DISCOVERY_TIMEOUT_MS, cancel, everywhere));
    }
    emit scanningChanged();
}

void DiscoveryService::onWatcherFinished()
{
    const QList<imgr::ImgrMsg> devices = m_watcher.future().result();
    emit finished(devices);
    emit scanningChanged();
}
