#pragma once

#include "data/ResultTableView.h"

#include <memory>
#include <vector>

namespace Data {

// Owns the result table of one whole-table query (sqlite3_get_table's layout: (rows + 1) x columns
// UTF-8 cells, the column names first, SQL NULL as a null pointer) and frees it once, so that no
// holder of that memory frees it by hand. The cells come either from sqlite3_get_table or from
// TableReader, which keeps them in a few large blocks.
class ResultTable {
public:
    ResultTable() = default;
    // Takes over `table` from sqlite3_get_table (may be null).
    ResultTable(char** table, int rows, int columns) : m_table(table), m_rows(rows), m_columns(columns) {}
    // Takes over `cells` ((rows + 1) x columns, or empty), which point into `blocks` or are null.
    ResultTable(std::vector<char*> cells, std::vector<std::unique_ptr<char[]>> blocks, int rows, int columns);
    ~ResultTable();

    ResultTable(ResultTable&& other) noexcept;
    ResultTable& operator=(ResultTable&& other) noexcept;
    ResultTable(const ResultTable&) = delete;
    ResultTable& operator=(const ResultTable&) = delete;

    char** Data() const { return m_table; }
    int Rows() const { return m_rows; }
    int Columns() const { return m_columns; }
    // A record's cell (row counted from 0, below the names); null for NULL and outside the table.
    const char* Cell(int row, int column) const;
    ResultTableView View() const { return {m_table, m_rows, m_columns}; }

private:
    void Release();

    char** m_table = nullptr;
    int m_rows = 0;
    int m_columns = 0;
    bool m_fromSqlite = true; // m_table is sqlite3_get_table's; otherwise m_cells' data
    std::vector<char*> m_cells;
    std::vector<std::unique_ptr<char[]>> m_blocks;
};

} // namespace Data
