#include "settings.h"

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
    if (dir == lastDir())
        return;
    QSettings().setValue(kLastDir, dir);
    emit lastDirChanged();
}

QUrl Settings::libraryRoot() const
{
    return QSettings().value(kLibraryRoot).toUrl();
}

void Settings::setLibraryRoot(const QUrl &root)
{
    if (root == libraryRoot())
        return;
    QSettings().setValue(kLibraryRoot, root);
    emit libraryRootChanged();
}

bool Settings::showAtsc3() const
{
    return QSettings().value(kShowAtsc3, false).toBool();
}

void Settings::setShowAtsc3(bool show)
{
    if (show == showAtsc3())
        return;
    QSettings().setValue(kShowAtsc3, show);
    emit showAtsc3Changed();
}
