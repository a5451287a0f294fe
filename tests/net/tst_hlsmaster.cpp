// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

// The box's master playlist: the rewrite for a local copy, and its fetch over HTTP from a small
// server on loopback.
#include "hlsmaster.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

namespace {

// Answers every GET on 127.0.0.1 with one fixed response, or never when it is empty.
class OneAnswerServer : public QObject
{
public:
    explicit OneAnswerServer(QByteArray response)
        : m_response(std::move(response))
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    m_request += socket->readAll();
                    if (!m_request.contains("\r\n\r\n") || m_response.isEmpty())
                        return;
                    m_paths << m_request.split(' ').value(1);
                    m_request.clear();
                    socket->write(m_response);
                    socket->disconnectFromHost();
                });
            }
        });
    }

    bool listen() { return m_server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0); }
    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    void setResponse(const QByteArray &response) { m_response = response; }
    QByteArrayList paths() const { return m_paths; }

private:
    QTcpServer m_server;
    QByteArray m_response;
    QByteArray m_request;
    QByteArrayList m_paths;
};

QByteArray httpResponse(const QByteArray &status, const QByteArray &body,
                        const QByteArray &extraHeaders = QByteArray())
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: application/vnd.apple.mpegurl\r\n" +
           extraHeaders + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

const QByteArray MasterBody = "#EXTM3U\n"
                              "#EXT-X-STREAM-INF:BANDWIDTH=800000\n"
                              "video.m3u8\n";

} // namespace

class TestHlsMaster : public QObject
{
    Q_OBJECT

private slots:
    void rewrite_data();
    void rewrite();
    void attribute_data();
    void attribute();
    void absolutize_data();
    void absolutize();

    void fetchRewritesAgainstRequestedUrl();
    void fetchFailures_data();
    void fetchFailures();
    void fetchTimesOut();
    void fetchRefusesOtherSchemes_data();
    void fetchRefusesOtherSchemes();
};

void TestHlsMaster::rewrite_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("expected");

    QTest::newRow("relative variant made absolute")
        << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nvideo.m3u8\n")
        << QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n"
                          "http://box:8080/rec/7/video.m3u8\n");
    QTest::newRow("rooted and parent paths")
        << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n/hls/v.m3u8\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=2\n../other/v.m3u8")
        << QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://box:8080/hls/v.m3u8\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=2\nhttp://box:8080/rec/other/v.m3u8");
    QTest::newRow("absolute variant unchanged")
        << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://cdn.invalid/x.m3u8\n")
        << QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://cdn.invalid/x.m3u8\n");
    QTest::newRow("audio variant dropped, rendition kept and absolute")
        << QByteArray("#EXTM3U\n"
                      "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"a1\",URI=\"audio1.m3u8\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=900000,AUDIO=\"aud\"\n"
                      "video1.m3u8\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=64000,AUDIO=\"aud\"\n"
                      "audio1.m3u8\n")
        << QStringLiteral("#EXTM3U\n"
                          "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aud\",NAME=\"a1\","
                          "URI=\"http://box:8080/rec/7/audio1.m3u8\"\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=900000,AUDIO=\"aud\"\n"
                          "http://box:8080/rec/7/video1.m3u8\n");
    QTest::newRow("audio variant compared as written, after trimming")
        << QByteArray("#EXT-X-MEDIA:TYPE=AUDIO,URI=\"a.m3u8\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=1\n"
                      "  a.m3u8  \n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=2\n"
                      "./a.m3u8\n")
        << QStringLiteral("#EXT-X-MEDIA:TYPE=AUDIO,URI=\"http://box:8080/rec/7/a.m3u8\"\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=2\n"
                          "http://box:8080/rec/7/a.m3u8\n");
    QTest::newRow("CRLF gives LF")
        << QByteArray("#EXTM3U\r\n#EXT-X-VERSION:6\r\n#EXT-X-STREAM-INF:BANDWIDTH=1\r\nv.m3u8\r\n")
        << QStringLiteral("#EXTM3U\n#EXT-X-VERSION:6\n#EXT-X-STREAM-INF:BANDWIDTH=1\n"
                          "http://box:8080/rec/7/v.m3u8\n");
    QTest::newRow("lone CR lines") << QByteArray("#EXTM3U\r#EXT-X-STREAM-INF:BANDWIDTH=1\rv.m3u8")
                                   << QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n"
                                                     "http://box:8080/rec/7/v.m3u8");
    QTest::newRow("blank lines between tag and URI dropped, others kept")
        << QByteArray("#EXTM3U\n\n#EXT-X-STREAM-INF:BANDWIDTH=1\n\n   \n\t\nv.m3u8\n\n")
        << QStringLiteral("#EXTM3U\n\n#EXT-X-STREAM-INF:BANDWIDTH=1\n"
                          "http://box:8080/rec/7/v.m3u8\n\n");
    QTest::newRow("tag at the end keeps its trailing blank lines")
        << QByteArray("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n\n\n")
        << QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\n\n\n");
    QTest::newRow("media without URI copied, subtitles made absolute")
        << QByteArray("#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"main\"\n"
                      "#EXT-X-MEDIA:TYPE=SUBTITLES,URI=\"subs/en.m3u8\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8")
        << QStringLiteral("#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"main\"\n"
                          "#EXT-X-MEDIA:TYPE=SUBTITLES,URI=\"http://box:8080/rec/7/subs/en.m3u8\"\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://box:8080/rec/7/v.m3u8");
    QTest::newRow("I-frame variant's URI left alone")
        << QByteArray("#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=1,URI=\"iframe.m3u8\"\n"
                      "#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8")
        << QStringLiteral("#EXT-X-I-FRAME-STREAM-INF:BANDWIDTH=1,URI=\"iframe.m3u8\"\n"
                          "#EXT-X-STREAM-INF:BANDWIDTH=1\nhttp://box:8080/rec/7/v.m3u8");
    QTest::newRow("media playlist refused")
        << QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\nseg0.ts\n"
                      "#EXT-X-ENDLIST\n")
        << QString();
    QTest::newRow("lower-case tag is not a variant")
        << QByteArray("#extm3u\n#ext-x-stream-inf:BANDWIDTH=1\nv.m3u8\n") << QString();
    QTest::newRow("empty body") << QByteArray() << QString();
    QTest::newRow("error page") << QByteArray("<html><body>Not found</body></html>") << QString();
}

void TestHlsMaster::rewrite()
{
    QFETCH(QByteArray, body);
    QTEST(rewriteHlsMaster(body, QUrl(QStringLiteral("http://box:8080/rec/7/master.m3u8"))),
          "expected");
}

void TestHlsMaster::attribute_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("present") << "#EXT-X-MEDIA:TYPE=AUDIO,URI=\"a.m3u8\""
                             << "URI"
                             << "a.m3u8";
    QTest::newRow("first match") << "#X:URI=\"one\",URI=\"two\""
                                 << "URI"
                                 << "one";
    QTest::newRow("missing") << "#EXT-X-MEDIA:TYPE=AUDIO"
                             << "URI"
                             << "";
    QTest::newRow("case-sensitive") << "#X:uri=\"a\""
                                    << "URI"
                                    << "";
    QTest::newRow("unquoted value") << "#X:BANDWIDTH=100"
                                    << "BANDWIDTH"
                                    << "";
    QTest::newRow("empty value") << "#X:URI=\"\""
                                 << "URI"
                                 << "";
    QTest::newRow("name with pattern characters") << "#X:A.B=\"no\",A+B=\"yes\""
                                                  << "A+B"
                                                  << "yes";
    QTest::newRow("suffix of a longer name matches anywhere") << "#X:GROUP-ID=\"g\""
                                                              << "ID"
                                                              << "g";
}

void TestHlsMaster::attribute()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QTEST(hlsAttribute(line, name), "value");
}

void TestHlsMaster::absolutize_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("expected");

    QTest::newRow("relative") << "#EXT-X-MEDIA:TYPE=AUDIO,URI=\"a/b.m3u8\",NAME=\"x\""
                              << "#EXT-X-MEDIA:TYPE=AUDIO,URI=\"http://box:8080/rec/7/a/b.m3u8\","
                                 "NAME=\"x\"";
    QTest::newRow("absolute unchanged") << "#EXT-X-MEDIA:URI=\"https://other:1/a.m3u8\""
                                        << "#EXT-X-MEDIA:URI=\"https://other:1/a.m3u8\"";
    QTest::newRow("no URI") << "#EXT-X-MEDIA:TYPE=AUDIO"
                            << "#EXT-X-MEDIA:TYPE=AUDIO";
    QTest::newRow("every occurrence of the same attribute text")
        << "#X:URI=\"a.m3u8\",ALT-URI=\"a.m3u8\""
        << "#X:URI=\"http://box:8080/rec/7/a.m3u8\",ALT-URI=\"http://box:8080/rec/7/a.m3u8\"";
}

void TestHlsMaster::absolutize()
{
    QFETCH(QString, line);
    QTEST(absolutizeUriAttribute(line, QUrl(QStringLiteral("http://box:8080/rec/7/master.m3u8"))),
          "expected");
}

// The base is the URL asked for, also when the server redirected elsewhere.
void TestHlsMaster::fetchRewritesAgainstRequestedUrl()
{
    OneAnswerServer target(httpResponse("200 OK", MasterBody));
    QVERIFY(target.listen());
    OneAnswerServer redirect(httpResponse(
        "302 Found", QByteArray(),
        "Location: " + target.url(QStringLiteral("/moved/master.m3u8")).toEncoded() + "\r\n"));
    QVERIFY(redirect.listen());

    const QUrl asked = redirect.url(QStringLiteral("/rec/7/master.m3u8"));
    const HlsMasterFetch fetch = fetchHlsMaster(asked, 5000);
    QVERIFY2(fetch.ok, qPrintable(fetch.error));
    QCOMPARE(fetch.error, QString());
    QCOMPARE(fetch.text, QStringLiteral("#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=800000\n") +
                             asked.resolved(QUrl(QStringLiteral("video.m3u8"))).toString() +
                             QLatin1Char('\n'));
    QCOMPARE(target.paths(), QByteArrayList{"/moved/master.m3u8"});
}

void TestHlsMaster::fetchFailures_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("errorPart");

    QTest::newRow("not found") << httpResponse("404 Not Found", "nope") << "Not Found";
    QTest::newRow("server error") << httpResponse("500 Internal Server Error", "x")
                                  << "Internal Server Error";
    QTest::newRow("media playlist") << httpResponse("200 OK", "#EXTM3U\n#EXTINF:2.0,\nseg0.ts\n")
                                    << "response was not an HLS master playlist";
    QTest::newRow("empty body") << httpResponse("200 OK", QByteArray())
                                << "response was not an HLS master playlist";
}

void TestHlsMaster::fetchFailures()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, errorPart);
    OneAnswerServer server(response);
    QVERIFY(server.listen());
    const HlsMasterFetch fetch = fetchHlsMaster(server.url(QStringLiteral("/master.m3u8")), 5000);
    QVERIFY(!fetch.ok);
    QVERIFY2(fetch.error.contains(errorPart), qPrintable(fetch.error));
    QCOMPARE(fetch.text, QString());
}

void TestHlsMaster::fetchTimesOut()
{
    OneAnswerServer silent{QByteArray()};
    QVERIFY(silent.listen());
    const HlsMasterFetch fetch = fetchHlsMaster(silent.url(QStringLiteral("/master.m3u8")), 300);
    QVERIFY(!fetch.ok);
    QCOMPARE(fetch.error, QStringLiteral("master playlist fetch timed out after 300ms"));
}

// Only the box's web server is ever asked: a file or other URL is refused before any request.
void TestHlsMaster::fetchRefusesOtherSchemes_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::newRow("file") << QUrl(QStringLiteral("file:///etc/hostname"));
    QTest::newRow("data") << QUrl(QStringLiteral("data:,%23EXT-X-STREAM-INF%0Av.m3u8"));
    QTest::newRow("ftp") << QUrl(QStringLiteral("ftp://127.0.0.1/master.m3u8"));
    QTest::newRow("relative") << QUrl(QStringLiteral("master.m3u8"));
}

void TestHlsMaster::fetchRefusesOtherSchemes()
{
    QFETCH(QUrl, url);
    const HlsMasterFetch fetch = fetchHlsMaster(url, 1000);
    QVERIFY(!fetch.ok);
    QCOMPARE(fetch.error, QStringLiteral("master playlist URL is not http or https"));
}

QTEST_GUILESS_MAIN(TestHlsMaster)
#include "tst_hlsmaster.moc"
