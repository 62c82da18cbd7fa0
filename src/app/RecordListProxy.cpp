#include "app/RecordListProxy.h"

#include "app/CRecordListModel.h"
#include "data/RecordSorter.h"

#include <numeric>

namespace App {

RecordListProxy::RecordListProxy(CRecordListModel* model, QObject* parent)
    : QAbstractProxyModel(parent), m_records(model) {
    setObjectName(QStringLiteral("recordListProxy"));
    QAbstractProxyModel::setSourceModel(model);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(model, &QAbstractItemModel::modelReset, this, &RecordListProxy::OnSourceReset);
    connect(model, &QAbstractItemModel::dataChanged, this, &RecordListProxy::OnSourceDataChanged);
    beginResetModel();
    OnSourceReset();
}

void RecordListProxy::OnSourceReset() {
    // A reload keeps the filter and, when its column still exists, the sort.
    if (m_sortColumn >= m_records->columnCount()) {
        m_sortColumn = -1;
    }
    ComputeOrder();
    const Data::ResultTableView table = m_records->Table();
    m_matches.assign(static_cast<size_t>(table.rows), 1);
    if (!m_matcher.IsEmpty()) {
        for (int row = 0; row < table.rows; ++row) {
            m_matches[static_cast<size_t>(row)] = m_matcher.MatchesRecord(table, row);
        }
    }
    RebuildShown();
    endResetModel();
    emit CountsChanged();
}

void RecordListProxy::ComputeOrder() {
    const Data::ResultTableView table = m_records->Table();
    if (m_sortColumn < 0) {
        m_order.resize(static_cast<size_t>(table.rows));
        std::iota(m_order.begin(), m_order.end(), 0);
        return;
    }
    m_order = Data::RecordSorter::Order(table, m_sortColumn,
                                        m_sortOrder == Qt::AscendingOrder
                                            ? Data::RecordSorter::Direction::Ascending
                                            : Data::RecordSorter::Direction::Descending);
}

void RecordListProxy::RebuildShown() {
    m_shown.clear();
    m_proxyRowOf.assign(m_order.size(), -1);
    for (int row : m_order) {
        if (m_matches[static_cast<size_t>(row)]) {
            m_proxyRowOf[static_cast<size_t>(row)] = static_cast<int>(m_shown.size());
            m_shown.push_back(row);
        }
    }
}

void RecordListProxy::CycleSort(int column) {
    if (column != m_sortColumn) {
        SortBy(column, Qt::AscendingOrder);
    } else if (m_sortOrder == Qt::AscendingOrder) {
        SortBy(column, Qt::DescendingOrder);
    } else {
        ClearSort();
    }
}

void RecordListProxy::SortBy(int column, Qt::SortOrder order) {
    if (column < 0 || column >= m_records->columnCount()) {
        ClearSort();
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    ApplySortChange();
}

void RecordListProxy::ClearSort() {
    m_sortColumn = -1;
    m_sortOrder = Qt::AscendingOrder;
    ApplySortChange();
}

void RecordListProxy::sort(int column, Qt::SortOrder order) {
    SortBy(column, order);
}

void RecordListProxy::ApplySortChange() {
    // The same records in a new order: the view's current row and selection follow their records.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> sourceRows;
    sourceRows.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) {
        sourceRows.push_back(SourceRow(index.row()));
    }
    ComputeOrder();
    RebuildShown();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = ProxyRow(sourceRows[static_cast<size_t>(i)]);
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void RecordListProxy::SetFilterText(const QString& text) {
    const Data::RecordMatcher matcher(text);
    if (matcher.Text() == m_matcher.Text()) {
        return;
    }
    const Data::ResultTableView table = m_records->Table();
    const bool narrows = matcher.Narrows(m_matcher);
    beginResetModel();
    for (int row = 0; row < table.rows; ++row) {
        char& match = m_matches[static_cast<size_t>(row)];
        // A longer text can only hide records: the hidden ones need no search.
        if (!narrows || match) {
            match = matcher.MatchesRecord(table, row);
        }
    }
    m_matcher = matcher;
    RebuildShown();
    endResetModel();
    emit CountsChanged();
}

int RecordListProxy::TotalCount() const {
    return m_records->rowCount();
}

int RecordListProxy::CheckedCount() const {
    return m_records->CheckedCount();
}

QString RecordListProxy::CountLine() const {
    return QStringLiteral("显示 %1 / 共 %2 条，已选 %3 条")
        .arg(ShownCount())
        .arg(TotalCount())
        .arg(CheckedCount());
}

int RecordListProxy::SourceRow(int proxyRow) const {
    return proxyRow >= 0 && proxyRow < ShownCount() ? m_shown[static_cast<size_t>(proxyRow)] : -1;
}

int RecordListProxy::ProxyRow(int sourceRow) const {
    return sourceRow >= 0 && static_cast<size_t>(sourceRow) < m_proxyRowOf.size()
               ? m_proxyRowOf[static_cast<size_t>(sourceRow)]
               : -1;
}

std::vector<int> RecordListProxy::CheckedRowsInOrder() const {
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(CheckedCount()));
    for (int row : m_order) {
        if (m_records->IsChecked(row)) {
            rows.push_back(row);
        }
    }
    return rows;
}

void RecordListProxy::SetShownChecked(bool checked) {
    if (IsFiltered()) {
        m_records->SetRowsChecked(m_shown, checked);
    } else {
        m_records->SetAllChecked(checked);
    }
}

void RecordListProxy::OnSourceDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                          const QList<int>& roles) {
    if (topLeft.row() == bottomRight.row()) {
        const int row = ProxyRow(topLeft.row());
        if (row >= 0) {
            emit dataChanged(index(row, topLeft.column()), index(row, bottomRight.column()), roles);
        }
    } else if (!m_shown.empty()) {
        // A range of records lands anywhere in a sorted list: announce the shown range whole.
        emit dataChanged(index(0, topLeft.column()), index(ShownCount() - 1, bottomRight.column()), roles);
    }
    if (roles.isEmpty() || roles.contains(Qt::CheckStateRole)) {
        emit CountsChanged();
    }
}

QModelIndex RecordListProxy::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= ShownCount() || column < 0 || column >= columnCount()) {
        return QModelIndex();
    }
    return createIndex(row, column);
}

QModelIndex RecordListProxy::parent(const QModelIndex&) const {
    return QModelIndex();
}

int RecordListProxy::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ShownCount();
}

int RecordListProxy::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_records->columnCount();
}

bool RecordListProxy::hasChildren(const QModelIndex& parent) const {
    return !parent.isValid() && ShownCount() > 0 && columnCount() > 0;
}

QModelIndex RecordListProxy::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || proxyIndex.model() != this) {
        return QModelIndex();
    }
    return m_records->index(SourceRow(proxyIndex.row()), proxyIndex.column());
}

QModelIndex RecordListProxy::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid() || sourceIndex.model() != m_records) {
        return QModelIndex();
    }
    return index(ProxyRow(sourceIndex.row()), sourceIndex.column());
}

QVariant RecordListProxy::headerData(int section, Qt::Orientation orientation, int role) const {
    // Columns are the model's own; a row's number is its record's place in the table.
    if (orientation == Qt::Vertical && role == Qt::DisplayRole) {
        const int row = SourceRow(section);
        return row < 0 ? QVariant() : QVariant(row + 1);
    }
    return m_records->headerData(section, orientation, role);
}

} // namespace App
