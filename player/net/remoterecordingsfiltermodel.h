// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QSortFilterProxyModel>

// A box's recordings without the ATSC 3.0 ones unless showAtsc3 is on. Never sorts: rows keep
// the box's order.
class RemoteRecordingsFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(bool showAtsc3 READ showAtsc3 WRITE setShowAtsc3 NOTIFY showAtsc3Changed)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit RemoteRecordingsFilterModel(QObject *parent = nullptr);

    bool showAtsc3() const { return m_showAtsc3; }
    void setShowAtsc3(bool show);
    int count() const { return rowCount(); }

signals:
    void showAtsc3Changed();
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool m_showAtsc3 = true;
};
