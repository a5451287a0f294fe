// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// Starts discovery sweeps on the thread pool and hands their results to the GUI thread.
#pragma once

#include "imgr.h"

#include <QAtomicInt>
#include <QFutureWatcher>
#include <QList>
#include <QObject>

class DeviceIdentity;

class DiscoveryService : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool scanning READ scanning NOTIFY scanningChanged)

public:
    // Which program sweeps: the player (logged, per-network broadcasts, name "Norplay") or the
    // remote control (one DISCOVER to every broadcast address, name "Norremote").
    enum class Client { Norplay, Norremote };

    explicit DiscoveryService(DeviceIdentity *identity, Client client = Client::Norplay,
                              QObject *parent = nullptr);
    ~DiscoveryService() override;

    bool scanning() const;

    // Starts a sweep unless one is running.
    Q_INVOKABLE void refresh();

signals:
    void scanningChanged();
    void finished(QList<imgr::ImgrMsg> devices);

private slots:
    void onWatcherFinished();

private:
    DeviceIdentity *m_identity;
    Client m_client;
    QFutureWatcher<QList<imgr::ImgrMsg>> m_watcher;
    QAtomicInt m_cancel;
};
