// SPDX-FileCopyrightText: 2026 The Norvale player developers
// SPDX-License-Identifier: MIT

#pragma once

#include <QSortFilterProxyModel>

// Search and ATSC 3.0 switch over the library list. Rows keep the source order.
class LibraryFilterModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(QString filterText READ filterText WRITE setFilterText NOTIFY filterTextChanged)
    Q_PROPERTY(bool showAtsc3 READ showAtsc3 WRITE setShowAtsc3 NOTIFY showAtsc3Changed)
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    explicit LibraryFilterModel(QObject *parent = nullptr);

    QString filterText() const { return m_filterText; }
    void setFilterText(const QString &text);
    bool showAtsc3() const { return m_showAtsc3; }
    void setShowAtsc3(bool show);
    int count() const { return rowCount(QModelIndex()); }

signals:
    void filterTextChanged();
    void showAtsc3Changed();
    void countChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_filterText;
    bool m_showAtsc3 = true;
};
