#pragma once

namespace Data {

// A view of a whole-table query result as sqlite3_get_table gives it: (rows + 1) x columns UTF-8 cells,
// column names in row 0, SQL NULL as a null pointer. Rows here count records from 0.
struct ResultTableView {
    char** cells = nullptr;
    int rows = 0;
    int columns = 0;

    // Null for a NULL cell and for a row or column the table does not have.
    const char* Cell(int row, int column) const {
        if (cells == nullptr || row < 0 || row >= rows || column < 0 || column >= columns) {
            return nullptr;
        }
        return cells[static_cast<long long>(row + 1) * columns + column];
    }
    const char* Caption(int column) const {
        return cells == nullptr || column < 0 || column >= columns ? nullptr : cells[column];
    }
};

} // namespace Data
