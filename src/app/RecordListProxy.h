#pragma once

#include "data/RecordMatcher.h"

#include <QAbstractProxyModel>

#include <vector>

class CRecordListModel;

namespace App {

// What the record list shows of its model: the records that match the filter, in the order of the
// sort column. It holds the shown rows as a vector of model rows, so mapping an index is a lookup.
// A sort computes one key per record once; a filter that extends the previous text searches only
// the records still shown. Ticks live in the model, so they stay with their records.
class RecordListProxy : public QAbstractProxyModel {
    Q_OBJECT
public:
    explicit RecordListProxy(CRecordListModel* model, QObject* parent = nullptr);

    CRecordListModel* Records() const { return m_records; }

    // A header click: ascending, then descending, then the table's order again.
    void CycleSort(int column);
    void SortBy(int column, Qt::SortOrder order);
    void ClearSort();
    // -1 when the list is in table order.
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }

    void SetFilterText(const QString& text);
    QString FilterText() const { return m_matcher.Text(); }
    bool IsFiltered() const { return !m_matcher.IsEmpty(); }

    int ShownCount() const { return static_cast<int>(m_shown.size()); }
    int TotalCount() const;
    int CheckedCount() const;
    // "显示 x / 共 y 条，已选 z 条"
    QString CountLine() const;

    int SourceRow(int proxyRow) const;
    int ProxyRow(int sourceRow) const; // -1 when the record is not shown
    // Every ticked record, shown or not, in the sorted order (table order when unsorted).
    std::vector<int> CheckedRowsInOrder() const;
    // Ticks or unticks the shown records: all of them without a filter.
    void SetShownChecked(bool checked);

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The shown, total or ticked count may have changed.
    void CountsChanged();

private:
    void OnSourceReset();
    void OnSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                             const QList<int>& roles);
    void ComputeOrder();
    void RebuildShown();
    void ApplySortChange();

    CRecordListModel* m_records;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    Data::RecordMatcher m_matcher;
    std::vector<int> m_order;      // every model row in sorted order
    std::vector<char> m_matches;   // per model row: matches the filter
    std::vector<int> m_shown;      // proxy row -> model row
    std::vector<int> m_proxyRowOf; // model row -> proxy row, -1 when hidden
};

} // namespace App
