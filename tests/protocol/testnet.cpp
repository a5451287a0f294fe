// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "testnet.h"

#include <QFile>
#include <QProcess>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace testnet {

namespace {

bool g_createdHere = false;
#ifdef Q_OS_LINUX
int g_lockFd = -1;
#endif

int runScript(const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(TESTNET_SCRIPT), args);
    if (!p.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

bool enterClient(QString *reason)
{
#ifdef Q_OS_LINUX
    if (geteuid() != 0) {
        *reason = QStringLiteral("the test network needs root");
        return false;
    }
    // One test process at a time on the network, also across build trees and checkouts: a second
    // run would hear the first one's boxes and could take the network down under it.
    g_lockFd = ::open("/run/lock/norvale-testnet.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (g_lockFd >= 0)
        ::flock(g_lockFd, LOCK_EX);
    QString output;
    const bool wasUp = runScript({QStringLiteral("status")}) == 0;
    if (!wasUp && runScript({QStringLiteral("up")}, &output) != 0) {
        *reason = QStringLiteral("ip netns is unavailable: %1").arg(output);
        return false;
    }
    g_createdHere = !wasUp;
    const int fd = ::open("/var/run/netns/norvale-client", O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
        *reason = QStringLiteral("cannot enter the client namespace");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
#else
    *reason = QStringLiteral("network namespaces exist on Linux only");
    return false;
#endif
}

void leave()
{
    if (g_createdHere)
        runScript({QStringLiteral("down")});
    g_createdHere = false;
#ifdef Q_OS_LINUX
    if (g_lockFd >= 0)
        ::close(g_lockFd); // releases the lock
    g_lockFd = -1;
#endif
}

} // namespace testnet
