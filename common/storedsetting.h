// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The write rule both programs' settings follow: a value is stored only when it differs from
// what a read gives now, defaults included, and only a stored value is announced.
#pragma once

#include <QString>
#include <QVariant>

namespace storedsetting {

// Stores `value` under `key` through a fresh QSettings when it differs from `current` (the
// value a read of the key gives now). Returns whether it stored; the caller then emits its
// notify signal.
bool writeIfChanged(const QString &key, const QVariant &current, const QVariant &value);

// Reads `key` through a fresh QSettings; `fallback` when nothing is stored.
QVariant read(const QString &key, const QVariant &fallback = QVariant());

} // namespace storedsetting
