// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "deviceidentity.h"

DeviceIdentity::DeviceIdentity(QObject *parent)
    : QObject(parent)
{}

QString DeviceIdentity::deviceId() const
{
    return groupId(QString::fromLatin1(ID_TEXT));
}

QByteArray DeviceIdentity::idBytes() const
{
    return wireField(QByteArray(ID_TEXT));
}

QString DeviceIdentity::groupId(const QString &text)
{
    if (text.size() < 12)
        return text;
    return text.mid(0, 4) + QLatin1Char('-') + text.mid(4, 4) + QLatin1Char('-') + text.mid(8, 4);
}

QByteArray DeviceIdentity::wireField(const QByteArray &text)
{
    QByteArray field = text.left(WIRE_SIZE);
    field.append(WIRE_SIZE - field.size(), '\0');
    return field;
}
