#pragma once

#include "data/ResultTableView.h"

#include <optional>
#include <vector>

namespace Data {

// The order of records by one column, shared by the record list and zolt-report.
// A cell that starts with a number (after blanks; a sign, digits, a fraction, an exponent) sorts
// by that number, whatever follows it ("12.5dB" before "100dB"); other cells sort as text by
// Chinese collation (pinyin, digits in text by value); NULL and empty cells come last in either
// direction. Ascending puts numbers before text, descending reverses both, and records that
// compare equal keep their table order.
class RecordSorter {
public:
    enum class Direction { Ascending, Descending };

    // Record indexes of the whole table in sorted order; table order for a column it does not have.
    static std::vector<int> Order(const ResultTableView& table, int column, Direction direction);

    // The number a cell starts with, or nullopt when it does not start with one. A number too
    // large for a double is +-infinity, one too small is 0. `numberEnd`, when given, is set to
    // where the number ends in `cell` (the unit, if any, follows).
    static std::optional<double> LeadingNumber(const char* cell, const char** numberEnd = nullptr);
};

} // namespace Data
