#pragma once

#include <cstdint>

// What a template may hold. A template is a file from outside; each limit is checked before the work
// it bounds, so that a hostile file is refused instead of exhausting time or memory. Real templates
// (a utility's form is a few hundred KB) stay far below every one of them.
namespace Template::Limits {

constexpr std::uint64_t kEntries = 1'000;          // entries in the package
constexpr std::uint64_t kPartBytes = 16ull << 20;  // one XML part, uncompressed (read into memory)
constexpr std::uint64_t kTotalBytes = 64ull << 20; // all entries together, uncompressed
constexpr std::uint64_t kRatioFloor = 1ull << 20;  // entries above this size ...
constexpr std::uint64_t kRatio = 100;              // ... may expand at most this many times
constexpr int kDepth = 256;                        // XML elements nested in one another
// Qt's XML reader compares each attribute with the element's others and looks each prefix up
// through the declarations in scope: both are bounded before the reader sees the XML.
constexpr int kAttributes = 64;    // attributes of one element (namespace declarations aside)
constexpr int kDeclarations = 128; // namespace declarations in scope at one element
constexpr int kUnitItems =
    100'000;                  // elements, attributes, declarations and texts of one paragraph or table row
constexpr int kTags = 10'000; // tags in the whole template
constexpr int kPicturesPerRow = 30; // picture tags in one record row
constexpr int kQuoted = 60;         // characters of the template's text in a message

} // namespace Template::Limits
