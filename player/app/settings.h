// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>
#include <QUrl>

// Norplay's persisted user settings. Holds no copy of any value: every read and every write goes
// through a fresh QSettings, so a value stored by anyone else is seen at the next read.
class Settings : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QUrl lastDir READ lastDir WRITE setLastDir NOTIFY lastDirChanged)
    Q_PROPERTY(QUrl libraryRoot READ libraryRoot WRITE setLibraryRoot NOTIFY libraryRootChanged)
    Q_PROPERTY(bool showAtsc3 READ showAtsc3 WRITE setShowAtsc3 NOTIFY showAtsc3Changed)

public:
    explicit Settings(QObject *parent = nullptr);

    QUrl lastDir() const;
    void setLastDir(const QUrl &dir);

    QUrl libraryRoot() const;
    void setLibraryRoot(const QUrl &root);

    bool showAtsc3() const;
    void setShowAtsc3(bool show);

    // The folder the open dialog starts in when nothing (valid) is stored.
    static QUrl defaultLastDir();

signals:
    void lastDirChanged();
    void libraryRootChanged();
    void showAtsc3Changed();
};
