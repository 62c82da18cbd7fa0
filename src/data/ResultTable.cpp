#include "data/ResultTable.h"

#include <sqlite3.h>

#include <utility>

ResultTable::~ResultTable() {
    sqlite3_free_table(m_table);
}

ResultTable::ResultTable(ResultTable&& other) noexcept
    : m_table(std::exchange(other.m_table, nullptr)), m_rows(std::exchange(other.m_rows, 0)),
      m_columns(std::exchange(other.m_columns, 0)) {}

ResultTable& ResultTable::operator=(ResultTable&& other) noexcept {
    if (this != &other) {
        sqlite3_free_table(m_table);
        m_table = std::exchange(other.m_table, nullptr);
        m_rows = std::exchange(other.m_rows, 0);
        m_columns = std::exchange(other.m_columns, 0);
    }
    return *this;
}

const char* ResultTable::Cell(int row, int column) const {
    if (m_table == nullptr || row < 0 || row >= m_rows || column < 0 || column >= m_columns) {
        return nullptr;
    }
    return m_table[(static_cast<long long>(row) + 1) * m_columns + column];
}
