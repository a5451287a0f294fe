// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// boxsim: a stand-in Norvale box for tests, benchmarks and the demo.
#include "boxserver.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    BoxConfig config;
    QString error;
    if (!parseBoxConfig(app.arguments(), &config, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }

    BoxServer box(config);
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
    std::printf("boxsim: ready %s svp=%u discovery=%s:%u id=%s key=%u\n", qPrintable(bound.address),
                unsigned(bound.svpPort), qPrintable(bound.effectiveDiscoveryAddress()),
                unsigned(bound.discoveryPort), bound.id.constData(),
                bound.keys ? unsigned(bound.keyPort) : 0u);
    std::fflush(stdout);
    return app.exec();
}
