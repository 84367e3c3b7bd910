// Developer benchmark of find and replace (not shipped): Replace all as the find bar runs it,
// next to plain Boost.Regex over the same UTF-16 text with the same flags, and the time a
// runaway expression takes to give up.
//
//   tavrel_find_bench [--runs N] [--match-case] [--pattern P]... [FILE.md]...
//
// Without files it reads a release-notes file of about 1 MB from /usr/share/doc. The default
// patterns are everyday expressions; the runaway ones are timed once each, for their outcome.
#define BOOST_REGEX_STANDALONE
#include <boost/regex.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "ui/find_replace.h"

namespace tavrel::win::bench {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kEveryday{".*.*.*=", "(\\w+)\\s+\\1", "[^\\s]+@", "."};
const std::vector<std::string> kRunaway{"(.*)*z", "(a|aa)*b", "(x+x+)+y"};
const std::vector<fs::path> kDefaultInputs{"/usr/share/doc/nodejs/changelogs/CHANGELOG_V12.md"};

struct Options {
  unsigned runs = 3;
  bool match_case = false;
  std::vector<std::string> patterns;
  std::vector<fs::path> inputs;
};

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Best of `runs` wall times, in milliseconds.
double best_ms(unsigned runs, const std::function<void()>& work) {
  double best = 1e300;
  for (unsigned run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

struct Outcome {
  std::string result;
  std::uint64_t count = 0;
  bool gave_up = false;
};

// What a straightforward implementation would do: the wide engine with the standard traits over
// the UTF-16 text, every match replaced by the literal replacement.
Outcome plain_boost(const std::string& text, const std::string& pattern, bool match_case) {
  auto flags = boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_s;
  if (!match_case) flags |= boost::regex_constants::icase;
  const boost::wregex expression(to_wide(pattern), flags);
  const std::wstring wide = to_wide(text);
  Outcome outcome;
  std::wstring out;
  auto copied = wide.cbegin();
  try {
    for (boost::wsregex_iterator it(wide.cbegin(), wide.cend(), expression), end; it != end; ++it) {
      out.append(copied, (*it)[0].first);
      out += L'X';
      copied = (*it)[0].second;
      ++outcome.count;
    }
  } catch (const std::runtime_error&) {
    outcome.gave_up = true;
    return outcome;
  }
  out.append(copied, wide.cend());
  outcome.result = to_utf8(out);
  return outcome;
}

Outcome ours(const std::string& text, const std::string& pattern, bool match_case) {
  const ReplaceOutcome replaced = replace_in_document(text, {pattern, "X", true, match_case});
  return {replaced.text, replaced.count, replaced.status == FindStatus::too_complex};
}

std::string describe(const Outcome& outcome) {
  return outcome.gave_up ? "too complex" : std::to_string(outcome.count) + " matches";
}

// The text with an emoji (one of 256 different ones above U+FFFF) at the start of every line, so
// that searches must keep surrogate pairs whole.
std::string with_emoji(const std::string& text) {
  std::wstring wide;
  unsigned next = 0;
  for (const wchar_t unit : to_wide(text)) {
    wide += unit;
    if (unit != L'\n') continue;
    const char32_t emoji = 0x1F300 + (next++ % 256) - 0x10000;
    wide += static_cast<wchar_t>(0xD800 + (emoji >> 10));
    wide += static_cast<wchar_t>(0xDC00 + (emoji & 0x3FF));
  }
  return to_utf8(wide);
}

void bench_text(const std::string& name, const std::string& text, const Options& options) {
  std::printf("%s: %zu bytes, %s\n", name.c_str(), text.size(),
              options.match_case ? "match case" : "ignoring case");
  std::printf("  %-14s %16s %16s %10s %10s %7s\n", "pattern", "ours", "plain", "ours ms",
              "plain ms", "ratio");
  const auto row = [&](const std::string& pattern, unsigned runs) {
    Outcome mine;
    Outcome plain;
    const double our_ms = best_ms(runs, [&] { mine = ours(text, pattern, options.match_case); });
    const double plain_ms =
        best_ms(runs, [&] { plain = plain_boost(text, pattern, options.match_case); });
    std::printf("  %-14s %16s %16s %10.1f %10.1f %7.2f\n", pattern.c_str(), describe(mine).c_str(),
                describe(plain).c_str(), our_ms, plain_ms, our_ms / plain_ms);
  };
  for (const std::string& pattern : options.patterns.empty() ? kEveryday : options.patterns) {
    row(pattern, options.runs);
  }
  if (options.patterns.empty()) {
    for (const std::string& pattern : kRunaway) row(pattern, 1);
  }
}

void bench_file(const fs::path& path, const Options& options) {
  std::string text = read_file(path);
  if (text.size() > kRegexReplaceLimit) text.resize(kRegexReplaceLimit);
  while (!text.empty() && !is_valid_utf8(text)) text.pop_back();  // cut inside a character
  bench_text(path.filename().string(), text, options);
  bench_text(path.filename().string() + " with emoji", with_emoji(text), options);
}

Options parse_options(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&] {
      if (i + 1 >= argc) throw std::invalid_argument("missing value after " + arg);
      return std::string(argv[++i]);
    };
    if (arg == "--runs") {
      options.runs = static_cast<unsigned>(std::max(1, std::stoi(value())));
    } else if (arg == "--match-case") {
      options.match_case = true;
    } else if (arg == "--pattern") {
      options.patterns.push_back(value());
    } else if (arg.starts_with("--")) {
      throw std::invalid_argument(
          "usage: tavrel_find_bench [--runs N] [--match-case] [--pattern P]... [FILE.md]...");
    } else {
      options.inputs.emplace_back(arg);
    }
  }
  if (options.inputs.empty()) options.inputs = kDefaultInputs;
  return options;
}

}  // namespace
}  // namespace tavrel::win::bench

int main(int argc, char** argv) {
  try {
    const auto options = tavrel::win::bench::parse_options(argc, argv);
    for (const auto& path : options.inputs) tavrel::win::bench::bench_file(path, options);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavrel_find_bench: %s\n", e.what());
    return 1;
  }
}
