// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#include "libraryfiltermodel.h"

#include "librarymodel.h"

LibraryFilterModel::LibraryFilterModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
    connect(this, &QAbstractItemModel::rowsInserted, this, &LibraryFilterModel::countChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &LibraryFilterModel::countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &LibraryFilterModel::countChanged);
}

void LibraryFilterModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    invalidateFilter();
    emit filterTextChanged();
}

void LibraryFilterModel::setShowAtsc3(bool show)
{
    if (show == m_showAtsc3)
        return;
    m_showAtsc3 = show;
    invalidateFilter();
    emit showAtsc3Changed();
}

bool LibraryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *src = sourceModel();
    if (!src)
        return true;
    const QModelIndex idx = src->index(sourceRow, 0, sourceParent);
    if (!m_showAtsc3 && idx.data(LibraryModel::AtscVersionRole).toInt() == 3)
        return false;
    if (m_filterText.isEmpty())
        return true;
    return idx.data(LibraryModel::NameRole)
               .toString()
               .contains(m_filterText, Qt::CaseInsensitive) ||
           idx.data(LibraryModel::TitleRole).toString().contains(m_filterText, Qt::CaseInsensitive);
}
