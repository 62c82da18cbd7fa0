#include "platform/TextOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace Platform {

void TextOrder::Sort(std::vector<int>* rows, const std::function<QString(int)>& text, bool descending) {
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setNumericMode(true);
    // Comparing keys is a byte comparison, where comparing strings would collate again per pair.
    std::vector<std::pair<QCollatorSortKey, int>> keyed;
    keyed.reserve(rows->size());
    for (int row : *rows) {
        keyed.emplace_back(collator.sortKey(text(row)), row);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
        return descending ? b.first.compare(a.first) < 0 : a.first.compare(b.first) < 0;
    });
    std::transform(keyed.begin(), keyed.end(), rows->begin(), [](const auto& entry) { return entry.second; });
}

} // namespace Platform
