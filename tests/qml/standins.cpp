// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "standins.h"

#include "recordingmaker.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonObject>

#include <iterator>

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

void DiscoveryStandIn::refresh()
{
    ++m_refreshCount;
    emit callsChanged();
    if (m_scanning)
        return;
    m_scanning = true;
    emit scanningChanged();
}

void DiscoveryStandIn::finish(const QVariantList &boxes)
{
    QList<imgr::ImgrMsg> devices;
    for (const QVariant &box : boxes) {
        const QVariantMap m = box.toMap();
        imgr::ImgrMsg msg;
        msg.type = 2;
        msg.name = m.value(QStringLiteral("name")).toString().toUtf8();
        msg.ip = m.value(QStringLiteral("ip")).toString().toLatin1();
        msg.id = m.value(QStringLiteral("id")).toString().toLatin1();
        msg.numTuners = quint8(m.value(QStringLiteral("tuners")).toInt());
        msg.flags = m.value(QStringLiteral("library")).toBool() ? imgr::IMGR_FLAG_LIBRARY : 0;
        devices.append(msg);
    }
    m_scanning = false;
    emit finished(devices);
    emit scanningChanged();
}

void DiscoveryStandIn::reset()
{
    m_refreshCount = 0;
    emit callsChanged();
    setProperty("scanning", false);
}

namespace {

enum class RoleType { Text, Int, Version, Id, Bytes, Date };

struct RoleSpec
{
    const char *name;
    RoleType type;
};

// The real model's roles in id order (257 on).
const RoleSpec kRemoteRoles[] = {
    {"name", RoleType::Text},           {"title", RoleType::Text},
    {"seasonEpisode", RoleType::Text},  {"channel", RoleType::Text},
    {"atscVersion", RoleType::Version}, {"description", RoleType::Text},
    {"recordedAt", RoleType::Date},     {"duration", RoleType::Int},
    {"playId", RoleType::Id},           {"entryId", RoleType::Id},
    {"position", RoleType::Int},        {"thumbName", RoleType::Text},
    {"posterUrl", RoleType::Text},      {"driveBasename", RoleType::Text},
    {"numBytes", RoleType::Bytes},
};

constexpr int kFirstRemoteRole = Qt::UserRole + 1;

// A row value as the real model types it; a missing value is the role's empty one.
QVariant typed(const QVariant &value, RoleType type)
{
    switch (type) {
    case RoleType::Text:
        return value.isValid() ? value.toString() : QString();
    case RoleType::Int:
        return value.toInt();
    case RoleType::Version:
        return value.isValid() ? value.toInt() : -1;
    case RoleType::Id:
        return value.toUInt();
    case RoleType::Bytes:
        return value.toLongLong();
    case RoleType::Date: {
        const QDateTime when = value.toDateTime();
        return when.isValid() ? QVariant(when) : QVariant();
    }
    }
    return QVariant();
}

QVariantMap typedRow(const QVariantMap &row)
{
    QVariantMap out;
    for (const RoleSpec &role : kRemoteRoles) {
        const QString key = QLatin1String(role.name);
        out.insert(key, typed(row.value(key), role.type));
    }
    return out;
}

} // namespace

QList<QByteArray> RemoteRecordingsStandIn::roleList()
{
    QList<QByteArray> names;
    for (const RoleSpec &role : kRemoteRoles)
        names.append(role.name);
    return names;
}

void RemoteRecordingsStandIn::load(const QString &host, int listType)
{
    Q_UNUSED(listType);
    ++m_loadCount;
    m_lastLoadHost = host;
    emit callsChanged();
    if (m_loading)
        return;
    setProperty("host", host);
    setProperty("loading", true);
}

QVariantMap RemoteRecordingsStandIn::recordingAt(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return {};
    return m_rows.at(row);
}

QVariantMap RemoteRecordingsStandIn::recordingForPlayId(uint playId) const
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).value(QStringLiteral("playId")).toUInt() == playId)
            return recordingAt(i);
    }
    return {};
}

void RemoteRecordingsStandIn::setRows(const QVariantList &rows)
{
    beginResetModel();
    m_rows.clear();
    for (const QVariant &row : rows)
        m_rows.append(typedRow(row.toMap()));
    endResetModel();
    emit countChanged();
}

void RemoteRecordingsStandIn::finishLoad(bool ok, const QString &error, const QVariantList &rows)
{
    m_loading = false;
    if (ok)
        setRows(rows);
    emit loadFinished(ok, error);
    emit loadingChanged();
}

void RemoteRecordingsStandIn::reset()
{
    setRows({});
    setProperty("loading", false);
    setProperty("host", QString());
    setProperty("instance", 0);
    m_loadCount = 0;
    m_lastLoadHost.clear();
    emit callsChanged();
}

int RemoteRecordingsStandIn::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant RemoteRecordingsStandIn::data(const QModelIndex &index, int role) const
{
    const int first = kFirstRemoteRole;
    const int last = first + int(std::size(kRemoteRoles)) - 1;
    if (!index.isValid() || index.row() >= m_rows.size() || role < first || role > last)
        return QVariant();
    return m_rows.at(index.row()).value(QLatin1String(kRemoteRoles[role - first].name));
}

QHash<int, QByteArray> RemoteRecordingsStandIn::roleNames() const
{
    QHash<int, QByteArray> names;
    for (int i = 0; i < int(std::size(kRemoteRoles)); ++i)
        names.insert(kFirstRemoteRole + i, kRemoteRoles[i].name);
    return names;
}

void RemoteRecordingsStandIn::updatePosition(uint playId, int pos)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        QVariantMap &row = m_rows[i];
        if (row.value(QStringLiteral("playId")).toUInt() != playId)
            continue;
        if (row.value(QStringLiteral("position")).toInt() == pos)
            return;
        row.insert(QStringLiteral("position"), pos);
        const QModelIndex at = index(i);
        emit dataChanged(at, at, {kFirstRemoteRole + 10});
        return;
    }
}

void RemotePlaybackStandIn::play(const QString &host, uint playId, uint instance, int savedPos,
                                 const QString &name, const QString &title)
{
    ++m_playCount;
    m_lastPlay = {{QStringLiteral("host"), host},         {QStringLiteral("playId"), playId},
                  {QStringLiteral("instance"), instance}, {QStringLiteral("savedPos"), savedPos},
                  {QStringLiteral("name"), name},         {QStringLiteral("title"), title}};
    emit callsChanged();
}

void RemotePlaybackStandIn::confirmResume()
{
    ++m_confirms;
    emit callsChanged();
}

void RemotePlaybackStandIn::startOver()
{
    ++m_startOvers;
    emit callsChanged();
}

void RemotePlaybackStandIn::cancelResume()
{
    ++m_cancels;
    emit callsChanged();
}

void RemotePlaybackStandIn::reset()
{
    m_playCount = 0;
    m_lastPlay.clear();
    m_confirms = 0;
    m_startOvers = 0;
    m_cancels = 0;
    emit callsChanged();
    setProperty("activePlayId", 0u);
    setProperty("active", false);
}

void RemoteDownloadStandIn::download(const QString &host, const QString &basename,
                                     qlonglong numBytes, const QString &name)
{
    ++m_downloadCount;
    m_lastDownload = {{QStringLiteral("host"), host},
                      {QStringLiteral("basename"), basename},
                      {QStringLiteral("numBytes"), numBytes},
                      {QStringLiteral("name"), name}};
    emit callsChanged();
}

void RemoteDownloadStandIn::cancel()
{
    ++m_cancelCount;
    emit callsChanged();
}

void RemoteDownloadStandIn::reset()
{
    m_downloadCount = 0;
    m_lastDownload.clear();
    m_cancelCount = 0;
    emit callsChanged();
    setProperty("active", false);
    setProperty("activeBasename", QString());
    setProperty("progress", 0);
    setProperty("statusText", QString());
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
