// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "storedsetting.h"

#include <QSettings>

namespace storedsetting {

bool writeIfChanged(const QString &key, const QVariant &current, const QVariant &value)
{
    if (value == current)
        return false;
    QSettings().setValue(key, value);
    return true;
}

QVariant read(const QString &key, const QVariant &fallback)
{
    return QSettings().value(key, fallback);
}

} // namespace storedsetting
