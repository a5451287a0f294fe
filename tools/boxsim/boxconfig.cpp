// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "boxconfig.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace {

template<typename Enum>
bool pickEnum(const QString &text, const QList<QPair<QString, Enum>> &names, Enum *out)
{
    for (const auto &pair : names) {
        if (pair.first == text) {
            *out = pair.second;
            return true;
        }
    }
    return false;
}

bool readInt(const QString &text, int min, int max, int *out)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < min || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

bool parseBoxConfig(const QStringList &arguments, BoxConfig *config, QString *error)
{
    using Tcp = BoxConfig::TcpFault;
    using Udp = BoxConfig::UdpFault;
    const QList<QPair<QString, Tcp>> tcpFaults{
        {QStringLiteral("none"), Tcp::None},
        {QStringLiteral("silent"), Tcp::Silent},
        {QStringLiteral("short-header"), Tcp::ShortHeader},
        {QStringLiteral("bad-magic"), Tcp::BadMagic},
        {QStringLiteral("truncated"), Tcp::Truncated},
        {QStringLiteral("oversize"), Tcp::Oversize},
        {QStringLiteral("length-only"), Tcp::LengthOnly},
        {QStringLiteral("huge-inflate"), Tcp::HugeInflate},
        {QStringLiteral("inflate-bomb"), Tcp::InflateBomb},
    };
    using Key = BoxConfig::KeyFault;
    const QList<QPair<QString, Key>> keyFaults{
        {QStringLiteral("none"), Key::None}, {QStringLiteral("silent"), Key::Silent},
        {QStringLiteral("late"), Key::Late}, {QStringLiteral("reverse"), Key::Reverse},
        {QStringLiteral("junk"), Key::Junk},
    };
    const QList<QPair<QString, Udp>> udpFaults{
        {QStringLiteral("none"), Udp::None},
        {QStringLiteral("silent"), Udp::Silent},
        {QStringLiteral("short"), Udp::Short},
        {QStringLiteral("bad-magic"), Udp::BadMagic},
    };

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A stand-in Norvale box: answers discovery, SVP requests and key commands."));
    parser.addHelpOption();
    const QCommandLineOption address(QStringLiteral("address"),
                                     QStringLiteral("Address SVP listens on (TCP and UDP)."),
                                     QStringLiteral("addr"), config->address);
    const QCommandLineOption svpPort(QStringLiteral("svp-port"),
                                     QStringLiteral("SVP port (0: any free one)."),
                                     QStringLiteral("port"), QString::number(config->svpPort));
    const QCommandLineOption noSvp(QStringLiteral("no-svp"), QStringLiteral("Serve no SVP."));
    const QCommandLineOption discAddress(
        QStringLiteral("discovery-address"),
        QStringLiteral("Address the discovery socket binds (0.0.0.0 to hear broadcasts); "
                       "default: --address."),
        QStringLiteral("addr"));
    const QCommandLineOption discPort(
        QStringLiteral("discovery-port"), QStringLiteral("Discovery port (0: any free one)."),
        QStringLiteral("port"), QString::number(config->discoveryPort));
    const QCommandLineOption noDiscovery(QStringLiteral("no-discovery"),
                                         QStringLiteral("Answer no DISCOVER."));
    const QCommandLineOption id(QStringLiteral("id"), QStringLiteral("Box id (12 hex digits)."),
                                QStringLiteral("id"), QString::fromLatin1(config->id));
    const QCommandLineOption name(QStringLiteral("name"), QStringLiteral("Box name."),
                                  QStringLiteral("name"), QString::fromLatin1(config->name));
    const QCommandLineOption model(QStringLiteral("model"), QStringLiteral("Model text."),
                                   QStringLiteral("model"), QString::fromLatin1(config->model));
    const QCommandLineOption ip(QStringLiteral("ip"),
                                QStringLiteral("Address announced in answers; default: --address."),
                                QStringLiteral("addr"));
    const QCommandLineOption tuners(QStringLiteral("tuners"), QStringLiteral("Tuner count."),
                                    QStringLiteral("n"), QString::number(config->numTuners));
    const QCommandLineOption flags(QStringLiteral("flags"),
                                   QStringLiteral("Capability flags (1 library, 2 tuner)."),
                                   QStringLiteral("n"), QString::number(config->flags));
    const QCommandLineOption subscription(QStringLiteral("subscription"),
                                          QStringLiteral("Subscription byte."), QStringLiteral("n"),
                                          QString::number(config->subscription));
    const QCommandLineOption answerType(QStringLiteral("answer-type"),
                                        QStringLiteral("Type byte of discovery answers."),
                                        QStringLiteral("n"), QString::number(config->answerType));
    const QCommandLineOption answerSize(
        QStringLiteral("answer-size"),
        QStringLiteral("Bytes sent per discovery answer (cut or zero-filled)."),
        QStringLiteral("n"), QString::number(config->answerSize));
    const QCommandLineOption answerDelay(
        QStringLiteral("answer-delay-ms"), QStringLiteral("Delay before each discovery answer."),
        QStringLiteral("ms"), QString::number(config->answerDelayMs));
    const QCommandLineOption compress(QStringLiteral("compress"),
                                      QStringLiteral("zlib-compress response payloads."));
    const QCommandLineOption tcpFault(
        QStringLiteral("tcp-fault"),
        QStringLiteral("none, silent, short-header, bad-magic, truncated, oversize, length-only, "
                       "huge-inflate or inflate-bomb."),
        QStringLiteral("fault"), QStringLiteral("none"));
    const QCommandLineOption udpFault(QStringLiteral("udp-fault"),
                                      QStringLiteral("none, silent, short or bad-magic."),
                                      QStringLiteral("fault"), QStringLiteral("none"));
    const QCommandLineOption keyPort(QStringLiteral("key-port"),
                                     QStringLiteral("Key channel port (0: any free one)."),
                                     QStringLiteral("port"), QString::number(config->keyPort));
    const QCommandLineOption noKeys(QStringLiteral("no-keys"),
                                    QStringLiteral("Serve no key channel."));
    const QCommandLineOption keyFault(
        QStringLiteral("key-fault"),
        QStringLiteral("none, silent, late, reverse (two commands answered in reverse order) or "
                       "junk (ignorable datagrams before each answer)."),
        QStringLiteral("fault"), QStringLiteral("none"));
    const QCommandLineOption keyDelay(QStringLiteral("key-delay-ms"),
                                      QStringLiteral("Delay of late key answers."),
                                      QStringLiteral("ms"), QString::number(config->keyDelayMs));
    const QCommandLineOption trace(QStringLiteral("trace"),
                                   QStringLiteral("Print every received packet in hex."));
    parser.addOptions({address,     svpPort,  noSvp,        discAddress, discPort,
                       noDiscovery, id,       name,         model,       ip,
                       tuners,      flags,    subscription, answerType,  answerSize,
                       answerDelay, compress, tcpFault,     udpFault,    trace});
    parser.addOptions({keyPort, noKeys, keyFault, keyDelay});

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *error = parser.helpText();
        return false;
    }

    BoxConfig c = *config;
    c.address = parser.value(address);
    if (QHostAddress(c.address).isNull()) {
        *error = QStringLiteral("not an address: %1").arg(c.address);
        return false;
    }
    int port = 0;
    if (!readInt(parser.value(svpPort), 0, 65535, &port)) {
        *error = QStringLiteral("bad --svp-port");
        return false;
    }
    c.svpPort = quint16(port);
    if (!readInt(parser.value(discPort), 0, 65535, &port)) {
        *error = QStringLiteral("bad --discovery-port");
        return false;
    }
    c.discoveryPort = quint16(port);
    if (!readInt(parser.value(keyPort), 0, 65535, &port)) {
        *error = QStringLiteral("bad --key-port");
        return false;
    }
    c.keyPort = quint16(port);
    c.keys = !parser.isSet(noKeys);
    if (!pickEnum(parser.value(keyFault), keyFaults, &c.keyFault)) {
        *error = QStringLiteral("unknown --key-fault: %1").arg(parser.value(keyFault));
        return false;
    }
    if (!readInt(parser.value(keyDelay), 0, 600000, &c.keyDelayMs)) {
        *error = QStringLiteral("bad --key-delay-ms");
        return false;
    }
    c.svp = !parser.isSet(noSvp);
    c.discovery = !parser.isSet(noDiscovery);
    c.discoveryAddress = parser.value(discAddress);
    if (!c.discoveryAddress.isEmpty() && QHostAddress(c.discoveryAddress).isNull()) {
        *error = QStringLiteral("not an address: %1").arg(c.discoveryAddress);
        return false;
    }
    c.id = parser.value(id).toLatin1();
    c.name = parser.value(name).toLatin1();
    c.model = parser.value(model).toLatin1();
    c.ip = parser.value(ip).toLatin1();
    if (!readInt(parser.value(tuners), 0, 255, &c.numTuners) ||
        !readInt(parser.value(flags), 0, 255, &c.flags) ||
        !readInt(parser.value(subscription), 0, 255, &c.subscription) ||
        !readInt(parser.value(answerType), 0, 255, &c.answerType) ||
        !readInt(parser.value(answerSize), 0, 65000, &c.answerSize) ||
        !readInt(parser.value(answerDelay), 0, 600000, &c.answerDelayMs)) {
        *error = QStringLiteral("a numeric option is out of range");
        return false;
    }
    c.compress = parser.isSet(compress);
    if (!pickEnum(parser.value(tcpFault), tcpFaults, &c.tcpFault)) {
        *error = QStringLiteral("unknown --tcp-fault: %1").arg(parser.value(tcpFault));
        return false;
    }
    if (!pickEnum(parser.value(udpFault), udpFaults, &c.udpFault)) {
        *error = QStringLiteral("unknown --udp-fault: %1").arg(parser.value(udpFault));
        return false;
    }
    c.trace = parser.isSet(trace);
    *config = c;
    return true;
}
