// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remotecontrollauncher.h"
#include "applog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

RemoteControlLauncher::RemoteControlLauncher(QString programPath)
    : m_programPath(std::move(programPath))
    , m_available(QFileInfo::exists(m_programPath))
{}

QString RemoteControlLauncher::defaultProgramPath()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("/Norremote.exe");
#else
    const QString name = QStringLiteral("/Norremote");
#endif
    return QCoreApplication::applicationDirPath() + name;
}

void RemoteControlLauncher::launch(const QString &deviceHost)
{
    if (m_last && m_last->state() != QProcess::NotRunning)
        return;

    QStringList arguments;
    if (!deviceHost.isEmpty())
        arguments << deviceHost;

    auto *process = new QProcess;
    m_last = process;
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process](QProcess::ProcessError error) {
                         qCWarning(lcApp) << "Norremote launch failed:" << error;
                         process->deleteLater();
                     });
    // Norplay never reads the child's output; sharing our channels keeps a chatty child from
    // blocking on a full pipe, or from dying on a broken one once Norplay has exited.
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(m_programPath, arguments, QIODevice::ReadWrite);
}
