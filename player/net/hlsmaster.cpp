// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "hlsmaster.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTimer>

namespace {

const QString &attributePattern()
{
    static const QString pattern = QStringLiteral("%1=\"([^\"]*)\"");
    return pattern;
}

const QRegularExpression &lineBreak()
{
    static const QRegularExpression expression(QStringLiteral("\\r\\n|\\r|\\n"));
    return expression;
}

// A relative URI resolved against base; an absolute one as written.
QString absoluteUri(const QString &uri, const QUrl &base)
{
    const QUrl url(uri, QUrl::TolerantMode);
    return url.isRelative() ? base.resolved(url).toString() : uri;
}

} // namespace

QString hlsAttribute(const QString &line, const QString &name)
{
    const QRegularExpression expression(attributePattern().arg(QRegularExpression::escape(name)));
    const QRegularExpressionMatch match = expression.match(line);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString absolutizeUriAttribute(const QString &line, const QUrl &base)
{
    const QString value = hlsAttribute(line, QStringLiteral("URI"));
    if (value.isEmpty())
        return line;
    const QString resolved = absoluteUri(value, base);
    QString out = line;
    out.replace(QStringLiteral("URI=\"") + value + QLatin1Char('"'),
                QStringLiteral("URI=\"") + resolved + QLatin1Char('"'), Qt::CaseSensitive);
    return out;
}

QString rewriteHlsMaster(const QByteArray &body, const QUrl &base)
{
    const QStringList lines = QString::fromUtf8(body).split(lineBreak());
    const QLatin1String streamInf("#EXT-X-STREAM-INF");
    const QLatin1String media("#EXT-X-MEDIA:");

    bool isMaster = false;
    QSet<QString> audioUris;
    for (const QString &line : lines) {
        if (line.startsWith(streamInf))
            isMaster = true;
        if (line.startsWith(media) && line.contains(QLatin1String("TYPE=AUDIO"))) {
            const QString uri = hlsAttribute(line, QStringLiteral("URI"));
            if (!uri.isEmpty())
                audioUris.insert(uri);
        }
    }
    if (!isMaster)
        return QString();

    QStringList out;
    out.reserve(lines.size());
    for (qsizetype j = 0; j < lines.size(); ++j) {
        const QString &line = lines.at(j);
        if (line.startsWith(streamInf)) {
            qsizetype k = j + 1;
            while (k < lines.size() && lines.at(k).trimmed().isEmpty())
                ++k;
            if (k >= lines.size()) {
                out << line;
                continue;
            }
            const QString uri = lines.at(k).trimmed();
            if (!audioUris.contains(uri)) {
                out << line;
                out << absoluteUri(uri, base);
            }
            j = k;
        } else if (line.startsWith(media) && line.contains(QLatin1String("URI=\""))) {
            out << absolutizeUriAttribute(line, base);
        } else {
            out << line;
        }
    }
    return out.join(QLatin1Char('\n'));
}

HlsMasterFetch fetchHlsMaster(const QUrl &url, int timeoutMs)
{
    HlsMasterFetch result;
    const QString scheme = url.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        result.error = QStringLiteral("master playlist URL is not http or https");
        return result;
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = manager.get(request);

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(timeoutMs);
    if (!reply->isFinished())
        loop.exec();

    if (!reply->isFinished()) {
        reply->abort();
        result.error = QStringLiteral("master playlist fetch timed out after %1ms").arg(timeoutMs);
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = reply->errorString();
    } else {
        const QString text = rewriteHlsMaster(reply->readAll(), url);
        if (text.isEmpty()) {
            result.error = QStringLiteral("response was not an HLS master playlist");
        } else {
            result.ok = true;
            result.text = text;
        }
    }
    return result;
}
