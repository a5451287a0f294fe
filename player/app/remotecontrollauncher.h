// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QPointer>
#include <QProcess>
#include <QString>

// Starts the remote-control program that ships next to Norplay, at most one instance at a time.
class RemoteControlLauncher
{
public:
    // programPath is looked at once, here: the menu item exists only when the file does.
    explicit RemoteControlLauncher(QString programPath);

    // The remote-control program in Norplay's own folder, with the platform's executable name.
    static QString defaultProgramPath();

    QString programPath() const { return m_programPath; }
    bool isAvailable() const { return m_available; }

    // Starts the program with the device address as its only argument (none when empty), unless
    // the instance started last is still running.
    void launch(const QString &deviceHost);

    // The process started last, while its object lives.
    QProcess *lastProcess() const { return m_last.data(); }

private:
    QString m_programPath;
    bool m_available = false;
    QPointer<QProcess> m_last;
};
