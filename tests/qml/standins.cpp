// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "standins.h"

#include "recordingmaker.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>

void PlayerStandIn::open(const QUrl &url)
{
    openAt(url, 0);
}

void PlayerStandIn::openAt(const QUrl &url, int startSeconds)
{
    ++m_openCount;
    m_lastOpenUrl = url;
    m_lastOpenStart = startSeconds;
    emit callsChanged();
    m_currentMedia = url;
    emit currentMediaChanged();
}

void PlayerStandIn::stop()
{
    if (m_currentMedia.isEmpty())
        return;
    m_currentMedia.clear();
    emit currentMediaChanged();
}

void PlayerStandIn::toggle()
{
    m_playing = !m_playing;
    emit playingChanged();
}

void PlayerStandIn::seek(double pos)
{
    emit seekRequested(pos);
}

void PlayerStandIn::seekRelative(qlonglong deltaMs)
{
    emit seekRelativeRequested(deltaMs);
}

void PlayerStandIn::reset()
{
    setProperty("playing", false);
    setProperty("currentMedia", QUrl());
    setProperty("time", 0);
    setProperty("length", -1);
    setProperty("position", 0.0);
    m_openCount = 0;
    m_lastOpenUrl.clear();
    m_lastOpenStart = -1;
    emit callsChanged();
}

void MainWindowStandIn::reset()
{
    setProperty("fullScreen", false);
    setProperty("modalOpen", false);
    setProperty("textInputFocused", false);
    setProperty("blankCursor", false);
}

namespace {

struct Recording
{
    QString folder;
    mkrec::RecordingOptions options;
    bool playlist = false;
    bool poster = false;
};

QString writeRecording(const QString &root, const Recording &r)
{
    const QString folder = root + QLatin1Char('/') + r.folder;
    if (!QDir().mkpath(folder))
        return QStringLiteral("mkpath %1").arg(folder);
    const QJsonObject state = mkrec::stateObject(r.options);
    const QString error = mkrec::writeMetadataDb(folder + QStringLiteral("/sv_metadata.db"),
                                                 mkrec::infoObject(r.options),
                                                 r.options.writeState ? &state : nullptr, {});
    if (!error.isEmpty())
        return error;
    if (r.playlist) {
        QFile master(folder + QStringLiteral("/master.m3u8"));
        if (!master.open(QIODevice::WriteOnly) || master.write("#EXTM3U\n") < 0)
            return QStringLiteral("cannot write %1").arg(master.fileName());
    }
    if (r.poster) {
        QImage poster(40, 30, QImage::Format_RGB32);
        poster.fill(Qt::darkCyan);
        if (!poster.save(folder + QStringLiteral("/poster.png")))
            return QStringLiteral("cannot write the poster in %1").arg(folder);
    }
    return QString();
}

} // namespace

LibraryFixtures::LibraryFixtures(QObject *parent)
    : QObject(parent)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    QList<QPair<QString, Recording>> recordings;

    Recording news;
    news.folder = QStringLiteral("rec-b");
    news.options.name = QStringLiteral("Evening News");
    news.options.title = QStringLiteral("Tuesday edition");
    news.options.description = QStringLiteral("Headlines, weather and sport.");
    news.options.season = QStringLiteral("3");
    news.options.episode = QStringLiteral("12");
    news.options.channelId = QStringLiteral("1000000000007005");
    news.options.startTime = QStringLiteral("2023-11-14T20:00:00");
    news.options.durationSeconds = 5400;
    news.playlist = true;
    news.poster = true;
    recordings.append({QStringLiteral("mixed"), news});

    Recording nature;
    nature.folder = QStringLiteral("rec-a");
    nature.options.name = QStringLiteral("Nature Hour");
    nature.options.channelId = QStringLiteral("3000000000019003");
    nature.options.durationSeconds = 2700;
    recordings.append({QStringLiteral("mixed"), nature});

    Recording quiz;
    quiz.folder = QStringLiteral("rec-c");
    quiz.options.name = QStringLiteral("Quiz Night");
    quiz.options.title = QStringLiteral("Finals");
    quiz.options.channelId = QStringLiteral("1000000000004001");
    quiz.options.durationSeconds = 1800;
    quiz.options.statePosition = 120;
    quiz.playlist = true;
    recordings.append({QStringLiteral("mixed"), quiz});

    Recording ocean = nature;
    ocean.folder = QStringLiteral("rec-1");
    ocean.options.name = QStringLiteral("Ocean Deep");
    ocean.playlist = true;
    recordings.append({QStringLiteral("atsc3"), ocean});

    for (const auto &entry : recordings) {
        m_error = writeRecording(root(entry.first), entry.second);
        if (!m_error.isEmpty())
            return;
    }
    // A folder without metadata is no recording.
    if (!QDir().mkpath(root(QStringLiteral("empty")) + QStringLiteral("/not-a-recording")))
        m_error = QStringLiteral("mkpath empty");
}

QString LibraryFixtures::root(const QString &which) const
{
    return m_dir.filePath(which);
}

QUrl LibraryFixtures::rootUrl(const QString &which) const
{
    return QUrl::fromLocalFile(root(which));
}

QString LibraryFixtures::folderPath(const QString &which, const QString &folder) const
{
    return root(which) + QLatin1Char('/') + folder;
}

QUrl LibraryFixtures::masterUrl(const QString &which, const QString &folder) const
{
    return QUrl::fromLocalFile(folderPath(which, folder) + QStringLiteral("/master.m3u8"));
}

QString LibraryFixtures::addRecording(const QString &which, const QString &folder,
                                      const QString &name)
{
    Recording r;
    r.folder = folder;
    r.options.name = name;
    const QString error = writeRecording(root(which), r);
    if (!error.isEmpty()) {
        qWarning() << "LibraryFixtures:" << error;
        return QString();
    }
    return folderPath(which, folder);
}

bool LibraryFixtures::removeFolder(const QString &path)
{
    return QDir(path).removeRecursively();
}
