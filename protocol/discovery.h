// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// One discovery sweep: DISCOVER broadcasts to port 31064, then the answers of the boxes.
#pragma once

#include "imgr.h"

#include <QAtomicInt>
#include <QHostAddress>
#include <QList>
#include <QNetworkAddressEntry>
#include <QString>

// Boxes listen for DISCOVER here; clients bind it too and hear the answers on it.
constexpr quint16 SVP_DISCOVERY_PORT = 31064;
// How long a sweep listens for answers.
constexpr int SVP_DISCOVERY_TIMEOUT_MS = 8000;

// The address a DISCOVER for this interface entry goes to: its broadcast address, or else the
// one its netmask gives. Null when the entry has neither a broadcast address nor a netmask.
QHostAddress discoveryBroadcastFor(const QNetworkAddressEntry &entry);

// The player's sweep. With `target` 255.255.255.255 it broadcasts on every IPv4 network of every
// interface that is up, running and not loopback; otherwise it sends to `target` only. Listens
// for `timeoutMs`, or until `*cancelFlag` is set, and returns one answer per box id.
QList<imgr::ImgrMsg> svpDiscover(const QByteArray &clientId, const QByteArray &clientName,
                                 int timeoutMs, QAtomicInt *cancelFlag, const QHostAddress &target);

// The remote-control program's sweep: one DISCOVER, sent to `target` and to the broadcast
// address of every interface that is up; quiet (no log lines).
QList<imgr::ImgrMsg> svpDiscoverRemote(const QByteArray &clientId, const QByteArray &clientName,
                                       int timeoutMs, QAtomicInt *cancelFlag,
                                       const QHostAddress &target);
