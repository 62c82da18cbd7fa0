#include "data/RecordSorter.h"

#include "data/Utf8ToWide.h"

#include "platform/TextOrder.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>
#include <utility>

namespace Data {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A result out of the double's range: huge unless its exponent is negative.
double OutOfRange(const char* begin, const char* end, bool negative) {
    const char* exponent = std::find_if(begin, end, [](char c) { return c == 'e' || c == 'E'; });
    const bool tiny = exponent != end && exponent + 1 != end && exponent[1] == '-';
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

} // namespace

std::optional<double> RecordSorter::LeadingNumber(const char* cell, const char** numberEnd) {
    if (cell == nullptr) {
        return std::nullopt;
    }
    const char* p = cell;
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Only digits or ".5" start a number; from_chars would also take "inf" and "nan".
    if (!IsDigit(p[0]) && !(p[0] == '.' && IsDigit(p[1]))) {
        return std::nullopt;
    }
    const char* end = p + std::strlen(p);
    double value = 0;
    const std::from_chars_result parsed = std::from_chars(p, end, value, std::chars_format::general);
    if (numberEnd != nullptr) {
        *numberEnd = parsed.ptr;
    }
    if (parsed.ec == std::errc::result_out_of_range) {
        return OutOfRange(p, parsed.ptr, negative);
    }
    if (parsed.ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::vector<int> RecordSorter::Order(const ResultTableView& table, int column, Direction direction) {
    std::vector<int> order(static_cast<size_t>(std::max(0, table.rows)));
    std::iota(order.begin(), order.end(), 0);
    if (column < 0 || column >= table.columns) {
        return order;
    }
    const bool descending = direction == Direction::Descending;
    std::vector<std::pair<double, int>> numbers;
    std::vector<int> texts;
    std::vector<int> empties;
    for (int row = 0; row < table.rows; ++row) {
        const char* cell = table.Cell(row, column);
        if (cell == nullptr || *cell == '\0') {
            empties.push_back(row);
        } else if (const std::optional<double> number = LeadingNumber(cell)) {
            numbers.emplace_back(*number, row);
        } else {
            texts.push_back(row);
        }
    }
    std::stable_sort(numbers.begin(), numbers.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first < a.first : a.first < b.first;
    });

    Platform::TextOrder::Sort(
        &texts, [&table, column](int row) { return Utf8ToWide(table.Cell(row, column)); }, descending);

    auto out = order.begin();
    const auto putNumbers = [&] {
        for (const auto& entry : numbers) {
            *out++ = entry.second;
        }
    };
    const auto putTexts = [&] { out = std::copy(texts.begin(), texts.end(), out); };
    if (descending) {
        putTexts();
        putNumbers();
    } else {
        putNumbers();
        putTexts();
    }
    std::copy(empties.begin(), empties.end(), out);
    return order;
}

} // namespace Data
