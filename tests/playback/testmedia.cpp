// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "testmedia.h"

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QtDebug>

namespace testmedia {

QString make(const QString &dir, const QString &name, const StreamOptions &stream)
{
    const QString path = QDir(dir).filePath(name);
    QString video = QStringLiteral("testsrc2=size=%1x%2:rate=%3:duration=%4")
                        .arg(stream.width)
                        .arg(stream.height)
                        .arg(stream.fps)
                        .arg(stream.seconds);
    if (!stream.sar.isEmpty())
        video += QStringLiteral(",setsar=") + stream.sar;

    QStringList args{QStringLiteral("-v"),
                     QStringLiteral("error"),
                     QStringLiteral("-y"),
                     QStringLiteral("-f"),
                     QStringLiteral("lavfi"),
                     QStringLiteral("-i"),
                     video};
    for (int i = 0; i < stream.audioTracks; ++i) {
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("sine=frequency=%1:sample_rate=48000:duration=%2")
                    .arg(440 * (i + 1))
                    .arg(stream.seconds);
    }
    args << QStringLiteral("-map") << QStringLiteral("0:v");
    for (int i = 0; i < stream.audioTracks; ++i)
        args << QStringLiteral("-map") << QStringLiteral("%1:a").arg(i + 1);
    args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
         << QStringLiteral("ultrafast") << QStringLiteral("-g") << QString::number(stream.fps)
         << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    if (stream.audioTracks > 0)
        args << QStringLiteral("-c:a") << QStringLiteral("ac3") << QStringLiteral("-b:a")
             << QStringLiteral("64k");
    args << QStringLiteral("-threads") << QStringLiteral("1") << QStringLiteral("-f")
         << QStringLiteral("mpegts") << path;

    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.start(QStringLiteral("ffmpeg"), args);
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit ||
        ffmpeg.exitCode() != 0) {
        qWarning() << "ffmpeg failed:" << ffmpeg.errorString() << ffmpeg.readAll();
        return {};
    }
    return path;
}

} // namespace testmedia
