// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "fuzzsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace fuzz {

namespace {

std::atomic<int> g_warnings{0};
QString g_lastWarning;
bool g_verbose = false;

void handler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) {
        ++g_warnings;
        g_lastWarning = message;
    }
    if (g_verbose || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void init()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    g_verbose = qEnvironmentVariableIsSet("NORVALE_FUZZ_VERBOSE");
    qInstallMessageHandler(handler);
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    // Kept for the whole run; the classes under test look for it (plugins, thread pool).
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    Q_UNUSED(app);
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

int warnings()
{
    return g_warnings;
}

void resetWarnings()
{
    g_warnings = 0;
    g_lastWarning.clear();
}

QString lastWarning()
{
    return g_lastWarning;
}

QString scratchDir()
{
    static std::unique_ptr<QTemporaryDir> dir = [] {
        auto d = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                 QStringLiteral("/norvale-fuzz-XXXXXX"));
        if (!d->isValid()) {
            std::fprintf(stderr, "fuzz: cannot create a scratch folder in %s\n",
                         qPrintable(QDir::tempPath()));
            std::abort();
        }
        return d;
    }();
    return dir->path();
}

void fail(const char *file, int line, const char *condition, const QString &detail)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n  %s\n", file, line, condition,
                 qPrintable(detail));
    std::fflush(stderr);
    std::abort();
}

} // namespace fuzz
