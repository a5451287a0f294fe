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

    // The scan behind refresh(): every recording folder directly inside root, sorted.
    static QList<LocalRecording> scanLibrary(const QUrl &root);
    // Reads one folder into record; false when the folder is not a recording.
    static bool readRecording(const QString &folder, LocalRecording &record);
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
