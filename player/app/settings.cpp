// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "settings.h"

#include "storedsetting.h"

#include <QSettings>
#include <QStandardPaths>

namespace {
const QString kLastDir = QStringLiteral("lastDir");
const QString kLibraryRoot = QStringLiteral("libraryRoot");
const QString kShowAtsc3 = QStringLiteral("showAtsc3");
} // namespace

Settings::Settings(QObject *parent)
    : QObject(parent)
{}

QUrl Settings::defaultLastDir()
{
    return QUrl::fromLocalFile(QStandardPaths::writableLocation(QStandardPaths::MoviesLocation));
}

QUrl Settings::lastDir() const
{
    const QVariant stored = QSettings().value(kLastDir);
    return stored.isValid() ? stored.toUrl() : defaultLastDir();
}

void Settings::setLastDir(const QUrl &dir)
{
    if (storedsetting::writeIfChanged(kLastDir, lastDir(), dir))
        emit lastDirChanged();
}

QUrl Settings::libraryRoot() const
{
    return QSettings().value(kLibraryRoot).toUrl();
}

void Settings::setLibraryRoot(const QUrl &root)
{
    if (storedsetting::writeIfChanged(kLibraryRoot, libraryRoot(), root))
        emit libraryRootChanged();
}

bool Settings::showAtsc3() const
{
    return QSettings().value(kShowAtsc3, false).toBool();
}

void Settings::setShowAtsc3(bool show)
{
    if (storedsetting::writeIfChanged(kShowAtsc3, showAtsc3(), show))
        emit showAtsc3Changed();
}
