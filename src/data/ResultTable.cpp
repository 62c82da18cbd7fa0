#include "data/ResultTable.h"

#include <sqlite3.h>

#include <utility>

namespace Data {

ResultTable::ResultTable(std::vector<char*> cells, std::vector<std::unique_ptr<char[]>> blocks, int rows,
                         int columns)
    : m_rows(rows), m_columns(columns), m_fromSqlite(false), m_cells(std::move(cells)),
      m_blocks(std::move(blocks)) {
    m_table = m_cells.empty() ? nullptr : m_cells.data();
}

ResultTable::~ResultTable() {
    Release();
}

void ResultTable::Release() {
    if (m_fromSqlite) {
        sqlite3_free_table(m_table);
    }
    m_table = nullptr;
    m_cells.clear();
    m_blocks.clear();
}

ResultTable::ResultTable(ResultTable&& other) noexcept {
    *this = std::move(other);
}

ResultTable& ResultTable::operator=(ResultTable&& other) noexcept {
    if (this != &other) {
        Release();
        // A moved vector keeps its buffer, so m_table stays valid for cells read by TableReader.
        m_table = std::exchange(other.m_table, nullptr);
        m_rows = std::exchange(other.m_rows, 0);
        m_columns = std::exchange(other.m_columns, 0);
        m_fromSqlite = std::exchange(other.m_fromSqlite, true);
        m_cells = std::move(other.m_cells);
        m_blocks = std::move(other.m_blocks);
        other.m_cells.clear();
        other.m_blocks.clear();
    }
    return *this;
}

const char* ResultTable::Cell(int row, int column) const {
    return View().Cell(row, column);
}

} // namespace Data
