// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "remoterecordingsfiltermodel.h"

#include "remoterecordingsmodel.h"

RemoteRecordingsFilterModel::RemoteRecordingsFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    connect(this, &QSortFilterProxyModel::rowsInserted, this,
            &RemoteRecordingsFilterModel::countChanged);
    connect(this, &QSortFilterProxyModel::rowsRemoved, this,
            &RemoteRecordingsFilterModel::countChanged);
    connect(this, &QSortFilterProxyModel::modelReset, this,
            &RemoteRecordingsFilterModel::countChanged);
}

void RemoteRecordingsFilterModel::setShowAtsc3(bool show)
{
    if (show == m_showAtsc3)
        return;
    m_showAtsc3 = show;
    invalidateFilter();
    emit showAtsc3Changed();
}

bool RemoteRecordingsFilterModel::filterAcceptsRow(int sourceRow,
                                                   const QModelIndex &sourceParent) const
{
    if (m_showAtsc3 || !sourceModel())
        return true;
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return sourceModel()->data(index, RemoteRecordingsModel::AtscVersionRole).toInt() != 3;
}
