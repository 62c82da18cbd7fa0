#include "app/CRecordListModel.h"

#include "data/Utf8ToWide.h"

#include <algorithm>
#include <utility>

CRecordListModel::CRecordListModel(QObject* parent) : QAbstractTableModel(parent) {}

CRecordListModel::~CRecordListModel() {
    ReleaseTable();
}

void CRecordListModel::SetResultTable(char** table, int rows, int columns) {
    SetResultTable(Data::ResultTable(table, rows, columns));
}

void CRecordListModel::SetResultTable(Data::ResultTable table) {
    beginResetModel();
    ReleaseTable();
    m_table = std::move(table);
    if (m_table.Data() != nullptr && m_table.Rows() >= 0 && m_table.Columns() > 0) {
        m_nRows = m_table.Rows();
        m_nColumns = m_table.Columns();
    }
    m_arrCaptions.reserve(m_nColumns);
    for (int column = 0; column < m_nColumns; ++column) {
        m_arrCaptions.append(Utf8ToWide(m_table.View().Caption(column)));
    }
    m_arrChecked.assign(static_cast<size_t>(m_nRows), false);
    m_nChecked = 0;
    endResetModel();
}

void CRecordListModel::Clear() {
    SetResultTable(nullptr, 0, 0);
}

void CRecordListModel::ReleaseTable() {
    m_table = Data::ResultTable();
    m_nRows = 0;
    m_nColumns = 0;
    m_arrCaptions.clear();
    m_arrChecked.clear();
    m_nChecked = 0;
}

bool CRecordListModel::IsChecked(int row) const {
    return row >= 0 && row < m_nRows && m_arrChecked[static_cast<size_t>(row)];
}

void CRecordListModel::SetAllChecked(bool checked) {
    if (m_nRows == 0) {
        return;
    }
    std::fill(m_arrChecked.begin(), m_arrChecked.end(), checked);
    m_nChecked = checked ? m_nRows : 0;
    emit dataChanged(index(0, 0), index(m_nRows - 1, 0), {Qt::CheckStateRole});
}

void CRecordListModel::SetRowsChecked(const std::vector<int>& rows, bool checked) {
    int first = m_nRows;
    int last = -1;
    for (int row : rows) {
        if (row < 0 || row >= m_nRows) {
            continue;
        }
        auto tick = m_arrChecked[static_cast<size_t>(row)];
        if (tick != checked) {
            tick = checked;
            m_nChecked += checked ? 1 : -1;
        }
        first = std::min(first, row);
        last = std::max(last, row);
    }
    if (last >= 0) {
        emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
    }
}

QList<int> CRecordListModel::CheckedRows() const {
    QList<int> rows;
    for (int row = 0; row < m_nRows; ++row) {
        if (m_arrChecked[static_cast<size_t>(row)]) {
            rows.append(row);
        }
    }
    return rows;
}

bool CRecordListModel::IsCellIndex(const QModelIndex& index) const {
    return index.isValid() && index.model() == this && index.row() < m_nRows && index.column() < m_nColumns;
}

const char* CRecordListModel::Cell(int row, int column) const {
    if (row < 0 || row >= m_nRows || column < 0 || column >= m_nColumns) {
        return nullptr;
    }
    // Row 0 of the result table holds the column names.
    return m_table.Data()[static_cast<qsizetype>(row + 1) * m_nColumns + column];
}

QString CRecordListModel::CellText(int row, int column) const {
    return Utf8ToWide(Cell(row, column));
}

QString CRecordListModel::ColumnCaption(int column) const {
    return column >= 0 && column < m_arrCaptions.size() ? m_arrCaptions.at(column) : QString();
}

int CRecordListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nRows;
}

int CRecordListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nColumns;
}

QVariant CRecordListModel::data(const QModelIndex& index, int role) const {
    if (!IsCellIndex(index)) {
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0) {
            return IsChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
        }
        return QVariant();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return QVariant();
    }
}

QVariant CRecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section < 0 || section >= m_nColumns) {
        return QVariant();
    }
    switch (role) {
    case Qt::DisplayRole:
        return m_arrCaptions.at(section);
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return QVariant();
    }
}

Qt::ItemFlags CRecordListModel::flags(const QModelIndex& index) const {
    if (!IsCellIndex(index)) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags itemFlags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) {
        itemFlags |= Qt::ItemIsUserCheckable;
    }
    return itemFlags;
}

bool CRecordListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != 0 || !IsCellIndex(index)) {
        return false;
    }
    bool isNumber = false;
    const int state = value.toInt(&isNumber);
    if (!isNumber || (state != Qt::Checked && state != Qt::Unchecked)) {
        return false;
    }
    auto tick = m_arrChecked[static_cast<size_t>(index.row())];
    if (tick != (state == Qt::Checked)) {
        m_nChecked += state == Qt::Checked ? 1 : -1;
        tick = state == Qt::Checked;
    }
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}
