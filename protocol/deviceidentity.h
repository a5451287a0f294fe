// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// This client's device id: a constant of the system, the same in both programs.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class DeviceIdentity : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString deviceId READ deviceId CONSTANT)

public:
    // The id as text, and the size of its wire field.
    static constexpr char ID_TEXT[] = "6e6f74616e76";
    static constexpr int WIRE_SIZE = 16;

    explicit DeviceIdentity(QObject *parent = nullptr);

    // Display form: xxxx-xxxx-xxxx.
    QString deviceId() const;

    // Wire form: the id's Latin-1 bytes cut or zero-filled to exactly 16 bytes.
    QByteArray idBytes() const;

    // Groups an id text as xxxx-xxxx-xxxx; shorter texts are returned unchanged and characters
    // after the twelfth are dropped.
    static QString groupId(const QString &text);

    // Cuts or zero-fills bytes to a 16-byte id field.
    static QByteArray wireField(const QByteArray &text);
};
