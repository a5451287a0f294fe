// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remoterecordingsmodel.h"
#include "netlog.h"

#include "deviceidentity.h"
#include "recordinglist.h"
#include "svp.h"
#include "svptransport.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int ListTimeoutMs = 5000;
constexpr int FirstRole = RemoteRecordingsModel::NameRole;
constexpr int LastRole = RemoteRecordingsModel::NumBytesRole;

} // namespace

RemoteRecordingsModel::RemoteRecordingsModel(DeviceIdentity *identity, QObject *parent)
    : QAbstractListModel(parent)
    , m_identity(identity)
    , m_svpPort(SVP_PORT)
{
    connect(&m_watcher, &QFutureWatcher<Result>::finished, this,
            &RemoteRecordingsModel::onWatcherFinished);
}

RemoteRecordingsModel::~RemoteRecordingsModel()
{
    m_watcher.waitForFinished();
}

void RemoteRecordingsModel::load(const QString &host, int listType)
{
    if (m_loading)
        return;
    if (host != m_host) {
        m_host = host;
        emit hostChanged();
    }
    m_loading = true;
    emit loadingChanged();
    const QByteArray id =
        m_identity ? m_identity->idBytes() : DeviceIdentity::wireField(DeviceIdentity::ID_TEXT);
    m_watcher.setFuture(
        QtConcurrent::run(&RemoteRecordingsModel::fetchDvrList, host, id, listType, m_svpPort));
}

RemoteRecordingsModel::Result RemoteRecordingsModel::fetchDvrList(const QString &host,
                                                                  const QByteArray &deviceId,
                                                                  int listType, quint16 port)
{
    Result result;
    const SvpHeader header(SVP_API_DVR_LIST_PLAY, deviceId, quint32(listType), 0, 0, 0, 1);
    const SvpResponse response = svpRequestTcp(host, port, header, QByteArray(), ListTimeoutMs);
    if (!response.error.isEmpty()) {
        result.error = response.error;
        return result;
    }
    if (response.arg0 != SVP_STATUS_SUCCESS) {
        qCWarning(lcNet) << "RemoteRecordingsModel: DVR_LIST error" << svpStatusName(response.arg0);
        result.error = svpStatusMessage(response.arg0);
        return result;
    }
    result.instance = int(response.arg1);
    result.recordings = parseRecordingList(response.payload);
    result.ok = true;
    return result;
}

void RemoteRecordingsModel::onWatcherFinished()
{
    const Result result = m_watcher.future().result();
    m_loading = false;
    if (result.ok) {
        beginResetModel();
        m_rows = result.recordings;
        endResetModel();
        emit countChanged();
        if (result.instance != m_instance) {
            m_instance = result.instance;
            emit instanceChanged();
        }
    }
    emit loadFinished(result.ok, result.error);
    emit loadingChanged();
}

int RemoteRecordingsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant RemoteRecordingsModel::roleValue(const RemoteRecording &r, int role)
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
    case AtscVersionRole:
        return r.atscVersion;
    case DescriptionRole:
        return r.description;
    case RecordedAtRole:
        return r.recordedAt.isValid() ? QVariant(r.recordedAt) : QVariant();
    case DurationRole:
        return r.duration;
    case PlayIdRole:
        return uint(r.playId);
    case EntryIdRole:
        return uint(r.entryId);
    case PositionRole:
        return r.position;
    case ThumbNameRole:
        return r.thumbName;
    case PosterUrlRole:
        return r.posterUrl;
    case DriveBasenameRole:
        return r.driveBasename;
    case NumBytesRole:
        return qlonglong(r.numBytes);
    default:
        return QVariant();
    }
}

QVariant RemoteRecordingsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.model() != this || index.row() < 0 ||
        index.row() >= m_rows.size() || index.column() < 0 || role < FirstRole || role > LastRole)
        return QVariant();
    return roleValue(m_rows.at(index.row()), role);
}

QHash<int, QByteArray> RemoteRecordingsModel::roleNames() const
{
    return {
        {NameRole, "name"},
        {TitleRole, "title"},
        {SeasonEpisodeRole, "seasonEpisode"},
        {ChannelRole, "channel"},
        {AtscVersionRole, "atscVersion"},
        {DescriptionRole, "description"},
        {RecordedAtRole, "recordedAt"},
        {DurationRole, "duration"},
        {PlayIdRole, "playId"},
        {EntryIdRole, "entryId"},
        {PositionRole, "position"},
        {ThumbNameRole, "thumbName"},
        {PosterUrlRole, "posterUrl"},
        {DriveBasenameRole, "driveBasename"},
        {NumBytesRole, "numBytes"},
    };
}

QVariantMap RemoteRecordingsModel::recordingAt(int row) const
{
    QVariantMap map;
    if (row < 0 || row >= m_rows.size())
        return map;
    const RemoteRecording &r = m_rows.at(row);
    const QHash<int, QByteArray> names = roleNames();
    for (int role = FirstRole; role <= LastRole; ++role)
        map.insert(QString::fromLatin1(names.value(role)), roleValue(r, role));
    return map;
}

QVariantMap RemoteRecordingsModel::recordingForPlayId(uint playId) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).playId == playId)
            return recordingAt(row);
    }
    return QVariantMap();
}

void RemoteRecordingsModel::updatePosition(uint playId, int pos)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        RemoteRecording &r = m_rows[row];
        if (r.playId != playId)
            continue;
        if (r.position == pos)
            return;
        r.position = pos;
        const QModelIndex i = index(row, 0);
        emit dataChanged(i, i, {PositionRole});
        return;
    }
}
