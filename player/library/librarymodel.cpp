// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "librarymodel.h"
#include "librarylog.h"

#include "recordingfolder.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// A JSON value as a whole number of seconds: numbers are truncated, numeric text is read as a
// number, anything else gives 0.
int secondsValue(const QJsonValue &v)
{
    double d = 0;
    if (v.isDouble()) {
        d = v.toDouble();
    } else if (v.isString()) {
        bool ok = false;
        d = v.toString().toDouble(&ok);
        if (!ok)
            return 0;
    } else {
        return 0;
    }
    if (!std::isfinite(d) || d >= double(std::numeric_limits<int>::max()) + 1.0 ||
        d <= double(std::numeric_limits<int>::min()) - 1.0)
        return 0;
    return int(d);
}

} // namespace

LibraryModel::LibraryModel(QObject *parent)
    : QAbstractListModel(parent)
{}

void LibraryModel::setLibraryRoot(const QUrl &url)
{
    if (url == m_root)
        return;
    m_root = url;
    emit libraryRootChanged();
    refresh();
}

void LibraryModel::refresh()
{
    beginResetModel();
    m_rows = scanLibrary(m_root, m_rows);
    endResetModel();
    emit countChanged();
    qCDebug(lcLibrary) << "LibraryModel::refresh() loaded" << m_rows.size() << "records from"
                       << m_root.toLocalFile();
}

QList<LocalRecording> LibraryModel::scanLibrary(const QUrl &root,
                                                const QList<LocalRecording> &previous)
{
    QList<LocalRecording> rows;
    if (!root.isValid() || !root.isLocalFile())
        return rows;
    const QString rootPath = root.toLocalFile();
    QDir dir(rootPath);
    if (!dir.exists()) {
        qCWarning(lcLibrary) << "LibraryModel: library root does not exist:" << rootPath;
        return rows;
    }
    QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
    std::sort(names.begin(), names.end()); // plain case-sensitive order
    QDeadlineTimer budget(ScanBusyBudgetMs);
    for (const QString &name : std::as_const(names)) {
        const QString folder = dir.absoluteFilePath(name);
        LocalRecording r;
        const int wait = int(std::clamp<qint64>(budget.remainingTime(), 0, PerFolderBusyMs));
        switch (readRecording(folder, r, wait)) {
        case ReadResult::Recording:
            rows.append(r);
            break;
        case ReadResult::NotRecording:
            break;
        case ReadResult::Busy: {
            const auto known =
                std::find_if(previous.cbegin(), previous.cend(),
                             [&](const LocalRecording &p) { return p.path == folder; });
            if (known != previous.cend()) {
                qCWarning(lcLibrary)
                    << "LibraryModel: database locked, keeping the last listing of" << folder;
                rows.append(*known);
            } else {
                qCWarning(lcLibrary)
                    << "LibraryModel: database locked, not listed until the next refresh:"
                    << folder;
            }
            break;
        }
        }
    }
    std::stable_sort(rows.begin(), rows.end(), lessThan);
    return rows;
}

bool LibraryModel::lessThan(const LocalRecording &a, const LocalRecording &b)
{
    const int byName = QString::compare(a.name, b.name, Qt::CaseInsensitive);
    if (byName != 0)
        return byName < 0;
    if (a.season != b.season)
        return a.season < b.season;
    return a.episode < b.episode;
}

bool LibraryModel::readRecording(const QString &folder, LocalRecording &record)
{
    return readRecording(folder, record, PerFolderBusyMs) == ReadResult::Recording;
}

LibraryModel::ReadResult LibraryModel::readRecording(const QString &folder, LocalRecording &record,
                                                     int busyTimeoutMs)
{
    const QString db = recfolder::metadataPath(folder);
    if (!QFileInfo(db).isFile())
        return ReadResult::NotRecording;
    if (const QString link = recfolder::linkedCompanionFile(db); !link.isEmpty()) {
        qCWarning(lcLibrary) << "LibraryModel: not opening" << db << ": its companion file" << link
                             << "is a symbolic link";
        return ReadResult::NotRecording;
    }

    QByteArray infoBytes;
    QByteArray stateBytes;
    {
        recfolder::ReadConnection conn(QStringLiteral("libscan-"), db, busyTimeoutMs);
        if (!conn.open()) {
            qCWarning(lcLibrary) << "LibraryModel: cannot open" << db << ":" << conn.errorText();
        } else {
            QSqlQuery q(conn.database());
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT Json FROM info WHERE ID=1"))) {
                if (recfolder::isBusyError(q.lastError()))
                    return ReadResult::Busy;
                qCWarning(lcLibrary)
                    << "LibraryModel: query failed for" << db << ":" << q.lastError().text();
            } else if (q.next()) {
                infoBytes = q.value(0).toByteArray();
            }
            // Without info the folder is skipped anyway; a locked file would only make the
            // scan wait a second time.
            if (!infoBytes.isEmpty()) {
                if (q.exec(QStringLiteral("SELECT Json FROM state WHERE ID=1"))) {
                    if (q.next())
                        stateBytes = q.value(0).toByteArray();
                } else if (recfolder::isBusyError(q.lastError())) {
                    // Without state the length would silently fall back to the programme's.
                    return ReadResult::Busy;
                }
            }
        }
    }
    if (infoBytes.isEmpty())
        return ReadResult::NotRecording;

    bool ok = false;
    QString parseError;
    const QJsonObject info = recfolder::parseJsonObject(infoBytes, &ok, &parseError);
    if (!ok) {
        qCWarning(lcLibrary) << "LibraryModel: JSON parse failed for" << db << ":" << parseError;
        return ReadResult::NotRecording;
    }
    const QJsonObject program = info.value(QStringLiteral("program")).toObject();
    const QJsonObject channel = info.value(QStringLiteral("channel")).toObject();
    record.name = program.value(QStringLiteral("name")).toString();
    record.title = program.value(QStringLiteral("title")).toString();
    record.description = program.value(QStringLiteral("description")).toString();

    const QJsonObject state = recfolder::parseJsonObject(stateBytes);
    const QJsonValue numSeconds = state.value(QStringLiteral("num_seconds"));
    record.duration = secondsValue(!numSeconds.isUndefined() && !numSeconds.isNull()
                                       ? numSeconds
                                       : program.value(QStringLiteral("duration")));

    const QString season = program.value(QStringLiteral("season_num")).toVariant().toString();
    const QString episode = program.value(QStringLiteral("episode_num")).toVariant().toString();
    if (!season.isEmpty() && !episode.isEmpty())
        record.seasonEpisode = QStringLiteral("S%1E%2").arg(season, episode);
    bool isInt = false;
    if (const int s = season.toInt(&isInt, 10); isInt)
        record.season = s;
    if (const int e = episode.toInt(&isInt, 10); isInt)
        record.episode = e;

    record.recordedAt = recfolder::parseStartTime(program.value(QStringLiteral("start_time")));

    const recfolder::ChannelId id =
        recfolder::parseChannelId(channel.value(QStringLiteral("id")).toString());
    if (id.valid) {
        record.channel =
            QStringLiteral("%1.%2 (ATSC-%3)").arg(id.major).arg(id.minor).arg(id.atscVersion);
        record.atscVersion = id.atscVersion;
    }

    const QString master = folder + QLatin1Char('/') + recfolder::MasterPlaylistName;
    record.masterUrl = QUrl::fromLocalFile(master);
    record.path = folder;
    record.hasPlaylist = QFileInfo::exists(master);
    const QString poster = folder + QLatin1Char('/') + recfolder::PosterFileName;
    if (QFileInfo::exists(poster))
        record.posterUrl = QUrl::fromLocalFile(poster);
    return ReadResult::Recording;
}

int LibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant LibraryModel::roleValue(const LocalRecording &r, int role)
{
    switch (role) {
    case NameRole:
        return r.name;
    case TitleRole:
        return r.title;
    case SeasonEpisodeRole:
        return r.seasonEpisode;
    case ChannelRole:
        return r.channel;
    case DescriptionRole:
        return r.description;
    case MasterUrlRole:
        return r.masterUrl;
    case PathRole:
        return r.path;
    case HasPlaylistRole:
        return r.hasPlaylist;
    case AtscVersionRole:
        return r.atscVersion;
    case RecordedAtRole:
        return r.recordedAt.isValid() ? QVariant(r.recordedAt) : QVariant();
    case DurationRole:
        return r.duration;
    case PosterUrlRole:
        return r.posterUrl;
    default:
        return {};
    }
}

QVariant LibraryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return {};
    return roleValue(m_rows.at(index.row()), role);
}

QHash<int, QByteArray> LibraryModel::roleNames() const
{
    return {
        {NameRole, "name"},
        {TitleRole, "title"},
        {SeasonEpisodeRole, "seasonEpisode"},
        {ChannelRole, "channel"},
        {DescriptionRole, "description"},
        {MasterUrlRole, "masterUrl"},
        {PathRole, "path"},
        {HasPlaylistRole, "hasPlaylist"},
        {AtscVersionRole, "atscVersion"},
        {RecordedAtRole, "recordedAt"},
        {DurationRole, "duration"},
        {PosterUrlRole, "posterUrl"},
    };
}

QVariantMap LibraryModel::recordingForUrl(const QUrl &url) const
{
    for (const LocalRecording &r : m_rows) {
        if (r.masterUrl != url)
            continue;
        QVariantMap map;
        for (int role :
             {NameRole, TitleRole, SeasonEpisodeRole, ChannelRole, DescriptionRole, MasterUrlRole,
              PathRole, HasPlaylistRole, DurationRole, RecordedAtRole, PosterUrlRole})
            map.insert(QString::fromLatin1(roleNames().value(role)), roleValue(r, role));
        return map;
    }
    return {};
}

void LibraryModel::markPlaylistGenerated(const QString &path)
{
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows.at(i).path != path)
            continue;
        m_rows[i].hasPlaylist = true;
        const QModelIndex idx = index(i);
        emit dataChanged(idx, idx, {HasPlaylistRole});
        return;
    }
    qCWarning(lcLibrary) << "LibraryModel::markPlaylistGenerated: no row matches" << path;
}
