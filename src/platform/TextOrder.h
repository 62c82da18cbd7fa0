#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace Platform {

// Text in Chinese (China) order as the platform collates it: pinyin, digits inside text by their
// value; the record list's and zolt-report's order of text cells. The platforms differ where their
// collations do: ICU's Chinese puts Chinese characters before Latin letters, Windows puts them after.
// Linux: ICU's collation keys, made once per text, so that a long list costs one collation per cell.
// Windows: CompareStringEx through QCollator, pair by pair: Qt 6.4's sort keys there keep
// LCMapString's byte key in a UTF-16 string and compare it as UTF-16, which is not the collation's
// order (equal texts came out of order).
class TextOrder {
public:
    // Sorts `rows` stably by the text `text` gives for each row.
    static void Sort(std::vector<int>* rows, const std::function<QString(int)>& text, bool descending);
};

} // namespace Platform
