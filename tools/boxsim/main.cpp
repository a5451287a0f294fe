// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// boxsim: a stand-in Norvale box for tests, benchmarks and the demo.
#include "boxdvr.h"
#include "boxhttp.h"
#include "boxjournal.h"
#include "boxserver.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BoxConfig config;
    QString error;
    if (!parseBoxConfig(app.arguments(), &config, &error)) {
        if (config.help) {
            std::printf("%s", qPrintable(error));
            return 0;
        }
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    BoxJournal journal;
    if (!journal.open(config.journal, &error)) {
        std::fprintf(stderr, "boxsim: %s\n", qPrintable(error));
        return 1;
    }
    BoxDvr dvr(config);
    if (!dvr.start(&error)) {
        std::fprintf(stderr, "boxsim: %s\n", qPrintable(error));
        return 1;
    }
    BoxServer box(config);
    dvr.install(&box);
    QObject::connect(&box, &BoxServer::requestReceived,
                     [&journal](const BoxRequest &request, quint32 status, bool answered) {
                         journal.svp(request, status, answered);
                     });
    if (BoxHttp *http = dvr.http()) {
        QObject::connect(http, &BoxHttp::requested,
                         [&journal](const QString &method, const QString &path,
                                    const QByteArray &range,
                                    int status) { journal.http(method, path, range, status); });
    }
    QObject::connect(&box, &BoxServer::traced, [](const QString &line) {
        std::printf("boxsim: %s\n", qPrintable(line));
        std::fflush(stdout);
    });
    // Every key command received, for the tests and for the person watching the demo.
    QObject::connect(
        &box, &BoxServer::keyReceived,
        [](const QHostAddress &peer, quint8 sequence, const QByteArray &keys, quint8 result) {
            // Only spaces, percent signs, controls and non-ASCII are escaped.
            const QByteArray shown = keys.toPercentEncoding("!\"#$&'()*+,/:;<=>?@[\\]^`{|}");
            std::printf("boxsim: key from %s seq=%u result=%u %s\n", qPrintable(peer.toString()),
                        unsigned(sequence), unsigned(result), shown.constData());
            std::fflush(stdout);
        });
    if (!box.start(&error)) {
        std::fprintf(stderr, "boxsim: %s\n", qPrintable(error));
        return 1;
    }
    // Tests wait for this line and read the ports from it.
    const BoxConfig &bound = box.config();
    std::printf("boxsim: ready %s svp=%u discovery=%s:%u id=%s key=%u http=%u\n",
                qPrintable(bound.address), unsigned(bound.svpPort),
                qPrintable(bound.effectiveDiscoveryAddress()), unsigned(bound.discoveryPort),
                bound.id.constData(), bound.keys ? unsigned(bound.keyPort) : 0u,
                dvr.http() ? unsigned(dvr.http()->port()) : 0u);
    std::fflush(stdout);
    return app.exec();
}
