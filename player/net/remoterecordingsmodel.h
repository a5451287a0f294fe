// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include "remoterecording.h"

#include <QAbstractListModel>
#include <QByteArray>
#include <QFutureWatcher>
#include <QList>
#include <QString>
#include <QVariantMap>

class DeviceIdentity;

// The recordings stored on one box, fetched with one DVR_LIST_PLAY request on the thread pool
// and served in the box's order. Rows, properties and signals change on the GUI thread only;
// the worker gets everything by value and returns a Result.
class RemoteRecordingsModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QString host READ host NOTIFY hostChanged)
    Q_PROPERTY(int instance READ instance NOTIFY instanceChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1, // 257
        TitleRole,
        SeasonEpisodeRole,
        ChannelRole,
        AtscVersionRole, // 261
        DescriptionRole,
        RecordedAtRole,
        DurationRole,
        PlayIdRole, // 265
        EntryIdRole,
        PositionRole, // 267
        ThumbNameRole,
        PosterUrlRole,
        DriveBasenameRole, // 270
        NumBytesRole,      // 271
    };

    // What the list worker returns.
    struct Result
    {
        bool ok = false;
        QString error;
        int instance = 0;
        QList<RemoteRecording> recordings;
    };

    explicit RemoteRecordingsModel(DeviceIdentity *identity, QObject *parent = nullptr);
    ~RemoteRecordingsModel() override;

    int count() const { return int(m_rows.size()); }
    bool loading() const { return m_loading; }
    QString host() const { return m_host; }
    int instance() const { return m_instance; }
    const QList<RemoteRecording> &recordings() const { return m_rows; }

    // The box's SVP port; SVP_PORT unless a test or tool points elsewhere.
    quint16 svpPort() const { return m_svpPort; }
    void setSvpPort(quint16 port) { m_svpPort = port; }

    Q_INVOKABLE void load(const QString &host, int listType = 1);
    Q_INVOKABLE QVariantMap recordingAt(int row) const;
    Q_INVOKABLE QVariantMap recordingForPlayId(uint playId) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The worker: one list request and its parse. Blocks; never on the GUI thread.
    static Result fetchDvrList(const QString &host, const QByteArray &deviceId, int listType,
                               quint16 port);

signals:
    void countChanged();
    void loadingChanged();
    void hostChanged();
    void instanceChanged();
    void loadFinished(bool ok, const QString &error);

public slots:
    void updatePosition(uint playId, int pos);

private slots:
    void onWatcherFinished();

private:
    static QVariant roleValue(const RemoteRecording &r, int role);

    DeviceIdentity *m_identity;
    QList<RemoteRecording> m_rows;
    QString m_host;
    bool m_loading = false;
    int m_instance = 0;
    quint16 m_svpPort;
    QFutureWatcher<Result> m_watcher;
};
