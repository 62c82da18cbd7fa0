#pragma once

#include "data/ResultTable.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <vector>

// The record list: the records of one record table with a tick per row. It keeps the result table
// of the whole-table query ((rows + 1) x columns UTF-8 cells, column names first, SQL NULL as a
// null pointer) and decodes a cell only when it is shown, so that a large table is listed without
// a second copy. The tick of a row (Qt::CheckStateRole on column 0) is the only selection that
// counts; the view's highlighted selection means nothing to the report.
class CRecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CRecordListModel(QObject* parent = nullptr);
    ~CRecordListModel() override;

    CRecordListModel(const CRecordListModel&) = delete;
    CRecordListModel& operator=(const CRecordListModel&) = delete;

    // Takes over a result table (freed with sqlite3_free_table when replaced, cleared or
    // destroyed; a null table is allowed). Columns and captions come from its first row; every
    // row starts unticked.
    void SetResultTable(char** table, int rows, int columns);
    void SetResultTable(Data::ResultTable table);
    // No columns, no rows.
    void Clear();

    bool IsChecked(int row) const;
    // Ticks or unticks every row, announced as one change of the whole range.
    void SetAllChecked(bool checked);
    // Ticks or unticks the given rows, announced as one change from the first to the last of them.
    void SetRowsChecked(const std::vector<int>& rows, bool checked);
    // Ticked rows, top to bottom.
    QList<int> CheckedRows() const;
    // Kept with every tick, so that counting never walks the rows.
    int CheckedCount() const { return m_nChecked; }
    // The result table itself, for sorting and filtering without decoding every cell.
    Data::ResultTableView Table() const { return m_table.View(); }

    // Decoded cell text; empty for a NULL cell and for a row or column the table does not have.
    QString CellText(int row, int column) const;
    QString ColumnCaption(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    bool IsCellIndex(const QModelIndex& index) const;
    const char* Cell(int row, int column) const;
    void ReleaseTable();

    Data::ResultTable m_table;
    int m_nRows = 0;
    int m_nColumns = 0;
    QStringList m_arrCaptions;
    std::vector<bool> m_arrChecked;
    int m_nChecked = 0;
};
