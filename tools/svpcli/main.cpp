// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// svpcli: talks to Norvale boxes from the command line.
//   svpcli discover [--target ADDR] [--timeout MS] [--remote]
//   svpcli request HOST --api N [--arg0..--arg3 N] [--request-id N] [--payload TEXT |
//                  --payload-file FILE] [--udp] [--port N] [--timeout MS] [--out FILE]
//   svpcli key HOST KEY... [--port N]
#include <deviceidentity.h>
#include <discovery.h>
#include <keysender.h>
#include <svp.h>
#include <svptransport.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

bool readNumber(const QCommandLineParser &parser, const QString &option, quint64 max,
                quint64 *value)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const QString text = parser.value(option);
    const quint64 v = text.startsWith(QLatin1String("0x")) ? text.mid(2).toULongLong(&ok, 16)
                                                           : text.toULongLong(&ok, 10);
    if (!ok || v > max) {
        err() << "svpcli: bad --" << option << ": " << text << Qt::endl;
        return false;
    }
    *value = v;
    return true;
}

int runDiscover(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("target"),
                      QStringLiteral("Address to send DISCOVER to (default: every network)."),
                      QStringLiteral("addr"), QStringLiteral("255.255.255.255")});
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("Listening time in ms."),
                      QStringLiteral("ms"), QString::number(SVP_DISCOVERY_TIMEOUT_MS)});
    parser.addOption(
        {QStringLiteral("remote"), QStringLiteral("Sweep as the remote-control program does.")});
    if (!parser.parse(arguments)) {
        err() << "svpcli: " << parser.errorText() << Qt::endl;
        return 2;
    }
    const QHostAddress target(parser.value(QStringLiteral("target")));
    if (target.isNull()) {
        err() << "svpcli: not an address: " << parser.value(QStringLiteral("target")) << Qt::endl;
        return 2;
    }
    bool ok = false;
    const int timeout = parser.value(QStringLiteral("timeout")).toInt(&ok);
    if (!ok || timeout < 0) {
        err() << "svpcli: bad --timeout" << Qt::endl;
        return 2;
    }

    const QByteArray id = DeviceIdentity().idBytes();
    const bool remote = parser.isSet(QStringLiteral("remote"));
    const QList<imgr::ImgrMsg> devices =
        remote ? svpDiscoverRemote(id, "Norremote", timeout, nullptr, target)
               : svpDiscover(id, "svpcli", timeout, nullptr, target);

    out() << devices.size() << " device(s)" << Qt::endl;
    for (const imgr::ImgrMsg &d : devices) {
        out() << DeviceIdentity::groupId(fixedText(d.id)) << "  " << fixedText(d.ip) << "  \""
              << fixedText(d.name) << "\"  model=" << fixedText(d.model)
              << "  tuners=" << d.numTuners << "  library=" << ((d.flags & 1) ? "yes" : "no")
              << "  tuner=" << ((d.flags & 2) ? "yes" : "no")
              << "  subscription=" << (d.subscription ? "yes" : "no") << "  type=" << d.type
              << Qt::endl;
    }
    return 0;
}

int runRequest(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("host"), QStringLiteral("Box address."));
    const QStringList numeric{QStringLiteral("api"),  QStringLiteral("arg0"),
                              QStringLiteral("arg1"), QStringLiteral("arg2"),
                              QStringLiteral("arg3"), QStringLiteral("request-id")};
    for (const QString &name : numeric)
        parser.addOption({name, QStringLiteral("Header field %1.").arg(name), QStringLiteral("n")});
    parser.addOption({QStringLiteral("port"), QStringLiteral("SVP port."), QStringLiteral("n"),
                      QString::number(SVP_PORT)});
    parser.addOption({QStringLiteral("payload"), QStringLiteral("Request payload text."),
                      QStringLiteral("text")});
    parser.addOption({QStringLiteral("payload-file"),
                      QStringLiteral("Read the request payload from a file."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("udp"), QStringLiteral("Send over UDP (no payload).")});
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("Time limit in ms."),
                      QStringLiteral("ms"), QStringLiteral("5000")});
    parser.addOption({QStringLiteral("out"),
                      QStringLiteral("Write the response payload to a file."),
                      QStringLiteral("file")});
    if (!parser.parse(arguments)) {
        err() << "svpcli: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.positionalArguments().size() != 1 || !parser.isSet(QStringLiteral("api"))) {
        err() << "svpcli: request needs a host and --api" << Qt::endl;
        return 2;
    }
    const QString host = parser.positionalArguments().constFirst();

    quint64 api = 0, a0 = 0, a1 = 0, a2 = 0, a3 = 0, requestId = 1, port = SVP_PORT;
    quint64 timeout = 5000;
    if (!readNumber(parser, QStringLiteral("api"), 0xffff, &api) ||
        !readNumber(parser, QStringLiteral("arg0"), 0xffffffffu, &a0) ||
        !readNumber(parser, QStringLiteral("arg1"), 0xffffffffu, &a1) ||
        !readNumber(parser, QStringLiteral("arg2"), 0xffffffffu, &a2) ||
        !readNumber(parser, QStringLiteral("arg3"), 0xffffffffu, &a3) ||
        !readNumber(parser, QStringLiteral("request-id"), 0xffff, &requestId) ||
        !readNumber(parser, QStringLiteral("port"), 0xffff, &port) ||
        !readNumber(parser, QStringLiteral("timeout"), 3600000, &timeout))
        return 2;

    QByteArray payload = parser.value(QStringLiteral("payload")).toUtf8();
    if (parser.isSet(QStringLiteral("payload-file"))) {
        QFile file(parser.value(QStringLiteral("payload-file")));
        if (!file.open(QIODevice::ReadOnly)) {
            err() << "svpcli: " << file.fileName() << ": " << file.errorString() << Qt::endl;
            return 2;
        }
        payload = file.readAll();
    }

    const SvpHeader header(quint16(api), DeviceIdentity().idBytes(), quint32(a0), quint32(a1),
                           quint32(a2), quint32(a3), quint16(requestId));
    const bool udp = parser.isSet(QStringLiteral("udp"));
    if (udp && !payload.isEmpty()) {
        err() << "svpcli: a UDP request carries no payload" << Qt::endl;
        return 2;
    }
    const SvpResponse r = udp ? svpRequestUdp(host, quint16(port), header, int(timeout))
                              : svpRequestTcp(host, quint16(port), header, payload, int(timeout));
    if (!r.error.isEmpty()) {
        out() << "error: " << r.error << Qt::endl;
        return 1;
    }
    out() << "requestId=" << r.requestId << " api=" << r.api << " flags=" << r.flags
          << " deviceId=" << fixedText(r.deviceId) << Qt::endl;
    out() << "status=" << r.arg0 << " " << svpStatusName(r.arg0) << ": " << svpStatusMessage(r.arg0)
          << Qt::endl;
    out() << "arg1=" << r.arg1 << " arg2=" << r.arg2 << " arg3=" << r.arg3
          << " payloadLength=" << r.payloadLength << " wireLength=" << r.wireLength << Qt::endl;
    if (parser.isSet(QStringLiteral("out"))) {
        QFile file(parser.value(QStringLiteral("out")));
        if (!file.open(QIODevice::WriteOnly) || file.write(r.payload) != r.payload.size()) {
            err() << "svpcli: " << file.fileName() << ": " << file.errorString() << Qt::endl;
            return 1;
        }
        out() << "payload: " << r.payload.size() << " bytes written to " << file.fileName()
              << Qt::endl;
    } else if (!r.payload.isEmpty()) {
        out() << "payload (" << r.payload.size() << " bytes):" << Qt::endl;
        out() << QString::fromUtf8(r.payload) << Qt::endl;
    }
    return r.arg0 == SVP_STATUS_SUCCESS ? 0 : 3;
}

// Sends each key through the remote control's own sender, one after another, and prints how
// each ended. Non-zero when any was rejected or got no answer.
int runKey(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("host"), QStringLiteral("Box address."));
    parser.addPositionalArgument(QStringLiteral("key"), QStringLiteral("Key commands."));
    parser.addOption({QStringLiteral("port"), QStringLiteral("Key port."), QStringLiteral("n"),
                      QString::number(keyproto::KEY_PORT)});
    if (!parser.parse(arguments)) {
        err() << "svpcli: " << parser.errorText() << Qt::endl;
        return 2;
    }
    QStringList positional = parser.positionalArguments();
    if (positional.size() < 2) {
        err() << "svpcli: key needs a host and at least one key" << Qt::endl;
        return 2;
    }
    quint64 port = keyproto::KEY_PORT;
    if (!readNumber(parser, QStringLiteral("port"), 0xffff, &port))
        return 2;

    KeySender sender;
    sender.setHost(positional.takeFirst());
    sender.setPort(quint16(port));
    int failed = 0;
    bool ended = false;
    QObject::connect(&sender, &KeySender::keyAcknowledged, [&](const QString &keys) {
        out() << keys << ": acknowledged" << Qt::endl;
        ended = true;
    });
    QObject::connect(&sender, &KeySender::keyFailed, [&](const QString &keys, const QString &why) {
        const bool silent = why.startsWith(QLatin1String("no response from"));
        const bool rejected = why == QLatin1String("device could not parse the key string");
        out() << keys << ": "
              << (silent     ? "no response"
                  : rejected ? "rejected"
                             : "not sent")
              << " (" << why << ")" << Qt::endl;
        ++failed;
        ended = true;
    });
    for (const QString &keys : positional) {
        ended = false;
        sender.sendKey(keys);
        while (!ended)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    const QString command = args.size() > 1 ? args.at(1) : QString();
    if (command == QLatin1String("key")) {
        args.removeAt(1);
        return runKey(args);
    }
    if (command == QLatin1String("discover") || command == QLatin1String("request")) {
        args.removeAt(1);
        return command == QLatin1String("discover") ? runDiscover(args) : runRequest(args);
    }
    err() << "usage: svpcli discover [--target ADDR] [--timeout MS] [--remote]\n"
             "       svpcli request HOST --api N [--arg0 N] [--arg1 N] [--arg2 N] [--arg3 N]\n"
             "              [--request-id N] [--payload TEXT | --payload-file FILE] [--udp]\n"
             "              [--port N] [--timeout MS] [--out FILE]\n"
             "       svpcli key HOST KEY... [--port N]"
          << Qt::endl;
    return 2;
}
