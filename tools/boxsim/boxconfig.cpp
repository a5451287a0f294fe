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

struct ApiName
{
    quint16 code;
    const char *name;
    const char *shortName;
};
constexpr ApiName kApiNames[] = {
    {0, "PING", "PING"},
    {1, "DVR_LIST_PLAY", "LIST"},
    {2, "DVR_START", "START"},
    {3, "DVR_STOP", "STOP"},
    {4, "PLAY_POS", "POS"},
    {5, "DVR_DELETE", "DELETE"},
    {18, "FILE_DOWNLOAD", "DOWNLOAD"},
};

// "API:N" pairs of a repeated option.
bool readApiValues(const QStringList &values, qint64 max, QHash<quint16, qint64> *out, QString *bad)
{
    for (const QString &value : values) {
        const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
        quint16 api = 0;
        bool ok = false;
        const qint64 n = colon > 0 ? value.mid(colon + 1).toLongLong(&ok) : 0;
        if (colon <= 0 || !ok || n < 0 || n > max || !parseApiName(value.left(colon), &api)) {
            *bad = value;
            return false;
        }
        out->insert(api, n);
    }
    return true;
}

const char kDescription[] =
    "A stand-in Norvale box: answers discovery, SVP requests, key commands and, with --storage,\n"
    "serves a folder of recording folders (the local library's layout, as mkrecording writes\n"
    "them): DVR_LIST_PLAY, DVR_START (a per-session HLS URL on its own HTTP server), PLAY_POS\n"
    "(UDP and TCP), DVR_STOP and FILE_DOWNLOAD. Play ids count from 1 in the order of the\n"
    "folder names; positions are kept in memory and reported in the next list.\n"
    "\n"
    "Once every socket is bound it prints one line:\n"
    "  boxsim: ready ADDR svp=PORT discovery=ADDR:PORT id=ID key=PORT http=PORT\n"
    "(key=0 with --no-keys, http=0 with --no-svp).\n"
    "\n"
    "HTTP: /s/SESSION/master.m3u8, video.m3u8, audioN.m3u8, the init segments and the media\n"
    "files (Range: bytes=a-b, a- and -n; 206 with Content-Range, 416 past the end);\n"
    "/poster/PLAYID is a recording's poster.png.\n"
    "\n"
    "Journal (--journal): one line per request received, fields separated by one space:\n"
    "  MS tcp|udp API ARG0 ARG1 ARG2 ARG3 STATUS PAYLOAD\n"
    "  MS http METHOD PATH RANGE STATUS\n"
    "MS: milliseconds since the start; API: DVR_LIST_PLAY, DVR_START, DVR_STOP, PLAY_POS,\n"
    "FILE_DOWNLOAD, PING, DVR_DELETE or the number; STATUS: the status answered, or \"none\"\n"
    "when the request is not answered; PAYLOAD: the request's text with '%', spaces and\n"
    "control bytes percent-encoded, \"-\" when empty; RANGE: the Range header the same way, or\n"
    "\"-\". With --journal - the lines go to standard output as \"boxsim: journal LINE\".\n"
    "\n"
    "API names for --refuse, --delay and --silent: the names above, LIST, START, STOP, POS,\n"
    "DOWNLOAD, or the number.";

} // namespace

bool parseApiName(const QString &text, quint16 *api)
{
    for (const ApiName &a : kApiNames) {
        if (text.compare(QLatin1String(a.name), Qt::CaseInsensitive) == 0 ||
            text.compare(QLatin1String(a.shortName), Qt::CaseInsensitive) == 0) {
            *api = a.code;
            return true;
        }
    }
    bool ok = false;
    const uint code = text.toUInt(&ok);
    if (!ok || code > 65535)
        return false;
    *api = quint16(code);
    return true;
}

QString apiName(quint16 api)
{
    for (const ApiName &a : kApiNames) {
        if (a.code == api)
            return QLatin1String(a.name);
    }
    return QString::number(api);
}

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
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
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

    const QCommandLineOption storage(
        QStringLiteral("storage"),
        QStringLiteral("Folder of recording folders the box serves (default: none)."),
        QStringLiteral("dir"));
    const QCommandLineOption httpPort(QStringLiteral("http-port"),
                                      QStringLiteral("HTTP port for playback (0: any free one)."),
                                      QStringLiteral("port"), QString::number(config->httpPort));
    const QCommandLineOption instance(
        QStringLiteral("instance"),
        QStringLiteral("List instance sent in DVR_LIST_PLAY's arg1; DVR_START with another "
                       "arg2 is refused with BAD_INSTANCE (17)."),
        QStringLiteral("n"), QString::number(config->instance));
    const QCommandLineOption listFile(
        QStringLiteral("list-file"),
        QStringLiteral("Send this file's bytes as the DVR_LIST_PLAY payload instead of the "
                       "storage's list (play ids still name the storage's recordings)."),
        QStringLiteral("file"));
    const QCommandLineOption startUrl(
        QStringLiteral("start-url"),
        QStringLiteral("DVR_START answers {\"url\": URL} instead of the session's own URL; "
                       "\"none\" answers {} (success without a url)."),
        QStringLiteral("url"));
    const QCommandLineOption masterFault(
        QStringLiteral("master-fault"),
        QStringLiteral("none, media (a media playlist at the master URL), error (500) or silent "
                       "(never answered)."),
        QStringLiteral("fault"), QStringLiteral("none"));
    const QCommandLineOption chunkBytes(
        QStringLiteral("chunk-bytes"),
        QStringLiteral("Most file bytes per FILE_DOWNLOAD answer (0: as many as asked, up to "
                       "16 MiB)."),
        QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption wrongSize(
        QStringLiteral("wrong-size"),
        QStringLiteral("FILE_DOWNLOAD reports a size one byte too large for files of this name "
                       "(e.g. video1.ts; * for every file)."),
        QStringLiteral("name"));
    const QCommandLineOption refuse(
        QStringLiteral("refuse"),
        QStringLiteral("Answer API with STATUS and nothing else (repeatable), e.g. "
                       "DVR_START:16."),
        QStringLiteral("api:status"));
    const QCommandLineOption delay(
        QStringLiteral("delay"),
        QStringLiteral("Answer API MS milliseconds late (repeatable), e.g. FILE_DOWNLOAD:500."),
        QStringLiteral("api:ms"));
    const QCommandLineOption silent(
        QStringLiteral("silent"),
        QStringLiteral("Never answer API (repeatable); over TCP the connection stays open."),
        QStringLiteral("api"));
    const QCommandLineOption journal(
        QStringLiteral("journal"),
        QStringLiteral("Append one line per request received to FILE (- for standard output)."),
        QStringLiteral("file"));
    parser.addOptions({storage, httpPort, instance, listFile, startUrl, masterFault, chunkBytes,
                       wrongSize, refuse, delay, silent, journal});

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        config->help = true;
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

    c.storage = parser.value(storage);
    if (!readInt(parser.value(httpPort), 0, 65535, &port)) {
        *error = QStringLiteral("bad --http-port");
        return false;
    }
    c.httpPort = quint16(port);
    bool ok = false;
    c.instance = parser.value(instance).toUInt(&ok);
    if (!ok) {
        *error = QStringLiteral("bad --instance");
        return false;
    }
    c.listFile = parser.value(listFile);
    c.startUrl = parser.value(startUrl);
    const QList<QPair<QString, BoxConfig::MasterFault>> masterFaults{
        {QStringLiteral("none"), BoxConfig::MasterFault::None},
        {QStringLiteral("media"), BoxConfig::MasterFault::Media},
        {QStringLiteral("error"), BoxConfig::MasterFault::Error},
        {QStringLiteral("silent"), BoxConfig::MasterFault::Silent},
    };
    if (!pickEnum(parser.value(masterFault), masterFaults, &c.masterFault)) {
        *error = QStringLiteral("unknown --master-fault: %1").arg(parser.value(masterFault));
        return false;
    }
    c.chunkBytes = parser.value(chunkBytes).toLongLong(&ok);
    if (!ok || c.chunkBytes < 0) {
        *error = QStringLiteral("bad --chunk-bytes");
        return false;
    }
    c.wrongSizeFile = parser.value(wrongSize);
    QHash<quint16, qint64> values;
    QString bad;
    if (!readApiValues(parser.values(refuse), 0xFFFFFFFFll, &values, &bad)) {
        *error = QStringLiteral("bad --refuse: %1").arg(bad);
        return false;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        c.refuse.insert(it.key(), quint32(it.value()));
    values.clear();
    if (!readApiValues(parser.values(delay), 600000, &values, &bad)) {
        *error = QStringLiteral("bad --delay: %1").arg(bad);
        return false;
    }
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        c.delayMs.insert(it.key(), int(it.value()));
    const QStringList silentApis = parser.values(silent);
    for (const QString &apiText : silentApis) {
        quint16 api = 0;
        if (!parseApiName(apiText, &api)) {
            *error = QStringLiteral("bad --silent: %1").arg(apiText);
            return false;
        }
        c.silent.insert(api);
    }
    c.journal = parser.value(journal);
    *config = c;
    return true;
}
