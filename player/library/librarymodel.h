// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include "localrecording.h"

#include <QAbstractListModel>
#include <QList>
#include <QUrl>
#include <QVariantMap>

// The recordings of the library root: one row per subfolder that holds a readable
// sv_metadata.db, sorted by name (ignoring case), then season, then episode.
class LibraryModel : public QAbstractListModel
{
    Q_OBJECT
    Q_PROPERTY(QUrl libraryRoot READ libraryRoot WRITE setLibraryRoot NOTIFY libraryRootChanged)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        NameRole = Qt::UserRole + 1, // 257
        TitleRole,
        SeasonEpisodeRole,
        ChannelRole,
        DescriptionRole,
        MasterUrlRole,
        PathRole,
        HasPlaylistRole, // 264
        AtscVersionRole,
        RecordedAtRole, // 266
        DurationRole,   // 267
        PosterUrlRole,  // 268
    };

    explicit LibraryModel(QObject *parent = nullptr);

    QUrl libraryRoot() const { return m_root; }
    void setLibraryRoot(const QUrl &url);
    int count() const { return int(m_rows.size()); }
    const QList<LocalRecording> &recordings() const { return m_rows; }

    Q_INVOKABLE void refresh();
    Q_INVOKABLE QVariantMap recordingForUrl(const QUrl &url) const;
    Q_INVOKABLE void markPlaylistGenerated(const QString &path);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // How long the scan waits for a database that another program (the box, a download) holds
    // locked: at most PerFolderBusyMs for one folder and ScanBusyBudgetMs for the whole scan,
    // after which locked folders are tried once without waiting.
    static constexpr int PerFolderBusyMs = 250;
    static constexpr int ScanBusyBudgetMs = 1000;

    enum class ReadResult { Recording, NotRecording, Busy };

    // The scan behind refresh(): every recording folder directly inside root, sorted. A folder
    // whose database was locked throughout keeps its row from previous, if it had one there;
    // either way it is logged and read again by the next scan.
    static QList<LocalRecording> scanLibrary(const QUrl &root,
                                             const QList<LocalRecording> &previous = {});
    // Reads one folder into record; false when the folder is not a recording (or was locked).
    static bool readRecording(const QString &folder, LocalRecording &record);
    static ReadResult readRecording(const QString &folder, LocalRecording &record,
                                    int busyTimeoutMs);
    // Row order: name ignoring case, then season, then episode.
    static bool lessThan(const LocalRecording &a, const LocalRecording &b);

signals:
    void libraryRootChanged();
    void countChanged();

private:
    static QVariant roleValue(const LocalRecording &r, int role);

    QUrl m_root;
    QList<LocalRecording> m_rows;
};
