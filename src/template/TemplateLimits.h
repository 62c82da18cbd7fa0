#pragma once

#include <cstdint>

// What a template may hold. A template is a file from outside; each limit is checked before the work
// it bounds, so that a hostile file is refused instead of exhausting time or memory. Real templates
// (a utility's form is a few hundred KB) stay far below every one of them.
namespace Template::Limits {

// The package
constexpr std::uint64_t kEntries = 1'000;          // entries
constexpr std::uint64_t kPartBytes = 8ull << 20;   // one XML part, uncompressed (read into memory)
constexpr std::uint64_t kXmlBytes = 16ull << 20;   // all XML parts together, uncompressed (each is parsed)
constexpr std::uint64_t kTotalBytes = 32ull << 20; // all entries together, uncompressed
constexpr std::uint64_t kRatioFloor = 1ull << 20;  // entries above this size ...
constexpr std::uint64_t kRatio = 100;              // ... may expand at most this many times

// The XML. Qt's XML reader compares each attribute with the element's others and looks each prefix
// up through the declarations in scope: both are bounded before the reader sees the XML.
constexpr int kDepth = 256;        // elements nested in one another
constexpr int kAttributes = 64;    // attributes of one element (namespace declarations aside)
constexpr int kDeclarations = 128; // namespace declarations in scope at one element
// Elements, attributes, declarations and texts of one paragraph or table row (buffered whole).
constexpr int kUnitItems = 100'000;

// The tags
constexpr int kTagChars = 256;      // between the braces of one tag
constexpr int kTags = 10'000;       // in the whole template
constexpr int kPicturesPerRow = 30; // picture tags in one record row
// Chart tags in the whole template: each chart goes through the ticked records once and adds three
// parts, so their number bounds the work and the parts a template can ask for.
constexpr int kCharts = 20;
// The points of all charts of a report together: no more than the rows of one workbook's sheet (less
// its header row), and a bound on the memory the charts' parts take until they are written (about
// 150 bytes a point).
constexpr int kChartPoints = 1'048'575;

// Word's largest page side is 22 inches; a bigger picture or chart cannot be shown.
constexpr float kDrawingPoints = 1584.0f;

constexpr int kQuoted = 60; // characters of the template's text a message shows

} // namespace Template::Limits
