// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// What a simulated box is and how it (mis)behaves, from its command line.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

struct BoxConfig
{
    // How the SVP TCP side answers a complete request.
    enum class TcpFault {
        None,
        Silent,      // accept, read, never answer
        ShortHeader, // 40 bytes of the response header, then close
        BadMagic,    // a whole header with a wrong magic
        Truncated,   // announce 40 payload bytes more than are sent, then close
        Oversize,    // announce an absurd wireLength, send a little, keep the connection
        LengthOnly,  // announce a payloadLength but send no payload, keep the connection
        HugeInflate, // compressed, announcing an absurd payloadLength
        InflateBomb, // compressed, a small stream that inflates to 80 MiB
    };
    // How the SVP UDP side answers a datagram.
    enum class UdpFault {
        None,
        Silent,   // never answer
        Short,    // answer with 40 bytes
        BadMagic, // answer with 64 bytes and a wrong magic
    };

    // How the key channel answers a key command.
    enum class KeyFault {
        None,
        Silent,  // never answer
        Late,    // answer after keyDelayMs
        Reverse, // hold each odd command's answer until the next command is answered
        Junk,    // before each answer, datagrams a sender must ignore
    };

    QString address = QStringLiteral("127.0.0.2"); // SVP and the key channel listen here
    quint16 svpPort = 31065;
    bool svp = true;

    QString discoveryAddress; // empty: the SVP address
    quint16 discoveryPort = 31064;
    bool discovery = true;

    // Identity announced in discovery answers and response headers.
    QByteArray id = "001122334455";
    QByteArray name = "Norvale Box";
    QByteArray model = "NV-1000";
    QByteArray ip; // empty: the SVP address
    int numTuners = 2;
    int flags = 3;
    int subscription = 1;

    // Discovery answer shape, for tests of the client's filters.
    int answerType = 2;
    int answerSize = 92;
    int answerDelayMs = 0;

    quint16 keyPort = 31063;
    bool keys = true;
    KeyFault keyFault = KeyFault::None;
    int keyDelayMs = 2500;

    // What the HTTP side serves at a session's master playlist URL.
    enum class MasterFault {
        None,
        Media,  // the video media playlist instead of a master playlist
        Error,  // 500 with an empty body
        Silent, // accept the request, never answer
    };

    // The recording storage and the HTTP side of playback.
    QString storage;      // folder of recording folders; empty: no recordings
    quint16 httpPort = 0; // 0: any free one
    quint32 instance = 7; // the list instance, in DVR_LIST_PLAY's arg1
    QString listFile;     // when set, its bytes are the list payload
    QString startUrl;     // when set, DVR_START answers with this "url"; "none": no url
    MasterFault masterFault = MasterFault::None;
    qint64 chunkBytes = 0; // most file bytes per FILE_DOWNLOAD answer; 0: as asked
    QString wrongSizeFile; // file name (or "*") whose reported size is one byte too large

    // Per API code: answer with this status instead of handling the request.
    QHash<quint16, quint32> refuse;
    // Per API code: answer this many milliseconds late.
    QHash<quint16, int> delayMs;
    // API codes that are never answered (TCP: the connection stays open).
    QSet<quint16> silent;

    QString journal; // file that gets one line per request; "-": standard output

    bool compress = false;
    TcpFault tcpFault = TcpFault::None;
    UdpFault udpFault = UdpFault::None;
    bool trace = false;
    bool help = false; // --help: the text is in the parser's error

    QString effectiveDiscoveryAddress() const
    {
        return discoveryAddress.isEmpty() ? address : discoveryAddress;
    }
    QByteArray effectiveIp() const { return ip.isEmpty() ? address.toLatin1() : ip; }
};

// "DVR_START", "START" or "2" to the API code; false when unknown.
bool parseApiName(const QString &text, quint16 *api);
// The journal's name of an API code ("DVR_START"), or its number.
QString apiName(quint16 api);

// Parses the arguments (program name first). On failure returns false with a message.
bool parseBoxConfig(const QStringList &arguments, BoxConfig *config, QString *error);
