#include "platform/TextOrder.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace Platform {

void TextOrder::Sort(std::vector<int>* rows, const std::function<QString(int)>& text, bool descending) {
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setNumericMode(true); // SORT_DIGITSASNUMBERS
    std::vector<std::pair<QString, int>> texts;
    texts.reserve(rows->size());
    for (int row : *rows) {
        texts.emplace_back(text(row), row);
    }
    std::stable_sort(texts.begin(), texts.end(), [&collator, descending](const auto& a, const auto& b) {
        return descending ? collator.compare(b.first, a.first) < 0 : collator.compare(a.first, b.first) < 0;
    });
    std::transform(texts.begin(), texts.end(), rows->begin(), [](const auto& entry) { return entry.second; });
}

} // namespace Platform
