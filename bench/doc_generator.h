#pragma once
// Synthetic Markdown documents for the render benchmark: a realistic mix of the block and inline
// kinds the editor sees in practice, so that no single code path dominates the timings.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavrel::win::bench {

// Small, fully specified generator: the same seed gives the same document on every platform and
// standard library, which std::*_distribution does not promise.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next();

  // Uniform in [0, bound); bound 0 gives 0.
  std::size_t below(std::size_t bound);

  // True with probability percent / 100.
  bool chance(unsigned percent);

 private:
  std::uint64_t state_;
};

constexpr std::uint64_t kDefaultSeed = 20240611;

// A document of at least `target_bytes` bytes (it ends on a block boundary, so it overshoots by at
// most one block): front matter, "[TOC]", headings with repeated titles, nested and numbered
// lists, task lists, tables, fenced code, quotes, rules, links, images, emphasis, colour spans,
// entities, Vietnamese text and emoji. LF line ends, valid UTF-8.
std::string generate_document(std::size_t target_bytes, std::uint64_t seed = kDefaultSeed);

// Inputs that make a careless renderer slow (deep nesting, unmatched markers, long lines, many
// headings or tables of contents): `make(n)` grows with n, `base` is the size the rendering tests
// start from. Rendering must cost time in proportion to the size.
struct HostileDocument {
  const char* name;
  std::size_t base;
  std::function<std::string(std::size_t)> make;
};
const std::vector<HostileDocument>& hostile_documents();

}  // namespace tavrel::win::bench
