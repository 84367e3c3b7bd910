// Benchmark input: block and inline kinds are drawn with fixed weights, roughly the mix of a
// long technical note written in Vietnamese and English.
#include "bench/doc_generator.h"

#include <array>
#include <string_view>

namespace tavrel::win::bench {

std::uint64_t SplitMix64::next() {
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

std::size_t SplitMix64::below(std::size_t bound) {
  return bound == 0 ? 0 : static_cast<std::size_t>(next() % bound);
}

bool SplitMix64::chance(unsigned percent) { return below(100) < percent; }

namespace {

constexpr std::array<std::string_view, 48> kVietnameseWords{
    "tiếng", "Việt", "người", "được", "những", "không", "trong", "của",  "và",      "các",
    "có",    "một",  "cho",   "đã",   "với",   "này",   "để",    "khi",  "nhiều",   "phần",
    "mềm",   "tài",  "liệu",  "soạn", "thảo",  "văn",   "bản",   "đoạn", "tiêu",    "đề",
    "bảng",  "hình", "ảnh",   "liên", "kết",   "nguồn", "chữ",   "đậm",  "nghiêng", "xem",
    "trước", "lưu",  "mở",    "tệp",  "Hà",    "Nội",   "Đà",    "Nẵng"};

constexpr std::array<std::string_view, 40> kEnglishWords{
    "the",      "editor",  "renders",  "document", "preview",  "while",   "you",     "type",
    "and",      "export",  "each",     "section",  "to",       "Word",    "files",   "with",
    "headings", "tables",  "lists",    "code",     "notes",    "project", "release", "build",
    "test",     "update",  "window",   "theme",    "dark",     "light",   "outline", "search",
    "replace",  "history", "snapshot", "profile",  "settings", "image",   "link",    "quote"};

constexpr std::array<std::string_view, 10> kEmoji{"🙂",        "🚀", "✅",      "📄", "🇻🇳",
                                                  "👩‍💻", "🎉", "⚠️", "🔥", "📌"};

constexpr std::array<std::string_view, 8> kEntities{"&copy;",  "&mdash;",   "&ndash;", "&amp;",
                                                    "&#7871;", "&#x1F600;", "&nbsp;",  "&hellip;"};

constexpr std::array<std::string_view, 14> kHeadingTitles{
    "Tổng quan",          "Cài đặt",       "Hướng dẫn sử dụng", "Ví dụ",        "Ghi chú",
    "Câu hỏi thường gặp", "Overview",      "Getting started",   "Examples",     "Notes",
    "Kết quả đo",         "Release notes", "Định dạng bảng",    "Xuất tệp Word"};

constexpr std::array<std::string_view, 6> kLanguages{"cpp", "python", "json", "bash", "", "rust"};

constexpr std::array<std::string_view, 5> kColors{"#E06C75", "#98C379", "#61AFEF", "#C678DD",
                                                  "#d19a66"};

constexpr std::array<std::string_view, 6> kIdentifiers{"total",   "values", "count",
                                                       "tên_tệp", "buffer", "offset"};

template <typename Array>
std::string_view pick(SplitMix64& rng, const Array& items) {
  return items[rng.below(items.size())];
}

// Appends Markdown to one string; every block ends with a blank line.
class Writer {
 public:
  Writer(SplitMix64& rng, std::string& out) : rng_(rng), out_(out) {}

  void front_matter();
  void block();

 private:
  void word();
  void inline_piece();
  void words(std::size_t min, std::size_t max);
  void sentence();
  void paragraph_text(std::string_view continuation);
  void paragraph();
  void heading();
  void bullet_list(unsigned depth, const std::string& indent);
  void ordered_list();
  void task_list();
  void table();
  void code_block();
  void quote();
  void image_paragraph();

  SplitMix64& rng_;
  std::string& out_;
  std::size_t counter_ = 0;
};

void Writer::word() {
  out_ += rng_.chance(55) ? pick(rng_, kVietnameseWords) : pick(rng_, kEnglishWords);
}

void Writer::inline_piece() {
  std::size_t const roll = rng_.below(1000);
  std::size_t const id = ++counter_;
  if (roll < 30) {
    out_ += "**";
    words(1, 3);
    out_ += "**";
  } else if (roll < 60) {
    out_ += '*';
    words(1, 3);
    out_ += '*';
  } else if (roll < 70) {
    out_ += "***";
    word();
    out_ += "***";
  } else if (roll < 80) {
    out_ += "~~";
    words(1, 2);
    out_ += "~~";
  } else if (roll < 100) {
    out_ += '`';
    out_ += pick(rng_, kIdentifiers);
    out_ += "[i] < 0x";
    out_ += std::to_string(id % 256);
    out_ += '`';
  } else if (roll < 120) {
    out_ += '[';
    words(1, 3);
    out_ += "](https://example.com/docs/" + std::to_string(id) + "#phan-" + std::to_string(id % 7) +
            ")";
  } else if (roll < 125) {
    out_ += "![";
    words(1, 2);
    out_ += "](images/hinh-" + std::to_string(id % 40) + ".png \"Hình " + std::to_string(id % 40) +
            "\")";
  } else if (roll < 130) {
    out_ += "<u>";
    words(1, 2);
    out_ += "</u>";
  } else if (roll < 135) {
    out_ += "<span style=\"color:";
    out_ += pick(rng_, kColors);
    out_ += "\">";
    words(1, 3);
    out_ += "</span>";
  } else if (roll < 140) {
    out_ += pick(rng_, kEntities);
  } else if (roll < 150) {
    out_ += pick(rng_, kEmoji);
  } else if (roll < 153) {
    out_ += "https://www.example.org/bai-viet/" + std::to_string(id);
  } else {
    word();
  }
}

void Writer::words(std::size_t min, std::size_t max) {
  std::size_t const n = min + rng_.below(max - min + 1);
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) {
      out_ += ' ';
    }
    word();
  }
}

void Writer::sentence() {
  std::size_t const n = 6 + rng_.below(13);
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) {
      out_ += ' ';
    }
    inline_piece();
  }
  out_ += rng_.chance(10) ? "?" : ".";
}

// Sentences of one paragraph; soft line breaks continue with `continuation` (the indent or quote
// marker of the enclosing container).
void Writer::paragraph_text(std::string_view continuation) {
  std::size_t const n = 1 + rng_.below(4);
  for (std::size_t i = 0; i < n; ++i) {
    if (i != 0) {
      if (rng_.chance(35)) {
        out_ += '\n';
        out_ += continuation;
      } else {
        out_ += ' ';
      }
    }
    sentence();
  }
  out_ += '\n';
}

void Writer::paragraph() {
  paragraph_text("");
  out_ += '\n';
}

void Writer::heading() {
  std::size_t const roll = rng_.below(100);
  std::size_t const level = roll < 5    ? 1
                            : roll < 40 ? 2
                            : roll < 80 ? 3
                            : roll < 95 ? 4
                            : roll < 98 ? 5
                                        : 6;
  out_.append(level, '#');
  out_ += ' ';
  out_ += pick(rng_, kHeadingTitles);
  // Repeated titles exercise the numbering of duplicate anchor ids.
  if (rng_.chance(40)) {
    out_ += ' ';
    out_ += std::to_string(counter_++ % 500);
  }
  if (rng_.chance(10)) {
    out_ += ' ';
    out_ += pick(rng_, kEmoji);
  }
  out_ += "\n\n";
}

void Writer::bullet_list(unsigned depth, const std::string& indent) {
  std::size_t const items = 2 + rng_.below(5);
  const char marker = depth % 2 == 0 ? '-' : '*';
  std::string const child_indent = indent + "  ";
  for (std::size_t i = 0; i < items; ++i) {
    out_ += indent;
    out_ += marker;
    out_ += ' ';
    paragraph_text(child_indent);
    if (rng_.chance(10)) {
      // A second paragraph inside the same item.
      out_ += '\n';
      out_ += child_indent;
      paragraph_text(child_indent);
    }
    if (depth < 3 && rng_.chance(25)) {
      bullet_list(depth + 1, child_indent);
    }
  }
  if (depth == 0) {
    out_ += '\n';
  }
}

void Writer::ordered_list() {
  std::size_t number = rng_.chance(70) ? 1 : 2 + rng_.below(40);
  std::size_t const items = 2 + rng_.below(6);
  for (std::size_t i = 0; i < items; ++i, ++number) {
    std::string const marker = std::to_string(number) + ". ";
    out_ += marker;
    std::string const indent(marker.size(), ' ');
    paragraph_text(indent);
    if (rng_.chance(20)) {
      bullet_list(1, indent);
    }
  }
  out_ += '\n';
}

void Writer::task_list() {
  std::size_t const items = 2 + rng_.below(5);
  for (std::size_t i = 0; i < items; ++i) {
    out_ += rng_.chance(40) ? "- [x] " : "- [ ] ";
    sentence();
    out_ += '\n';
  }
  out_ += '\n';
}

void Writer::table() {
  std::size_t const columns = 2 + rng_.below(4);
  std::size_t const rows = 2 + rng_.below(9);
  constexpr std::array<std::string_view, 4> aligns{"---", ":---", ":---:", "---:"};
  out_ += '|';
  for (std::size_t c = 0; c < columns; ++c) {
    out_ += ' ';
    words(1, 2);
    out_ += " |";
  }
  out_ += "\n|";
  for (std::size_t c = 0; c < columns; ++c) {
    out_ += ' ';
    out_ += pick(rng_, aligns);
    out_ += " |";
  }
  out_ += '\n';
  for (std::size_t r = 0; r < rows; ++r) {
    out_ += '|';
    for (std::size_t c = 0; c < columns; ++c) {
      out_ += ' ';
      std::size_t const n = 1 + rng_.below(4);
      for (std::size_t i = 0; i < n; ++i) {
        if (i != 0) {
          out_ += ' ';
        }
        inline_piece();
      }
      out_ += " |";
    }
    out_ += '\n';
  }
  out_ += '\n';
}

void Writer::code_block() {
  out_ += "```";
  out_ += pick(rng_, kLanguages);
  out_ += '\n';
  std::size_t const lines = 3 + rng_.below(14);
  for (std::size_t i = 0; i < lines; ++i) {
    out_.append(4 * rng_.below(3), ' ');
    std::string_view const name = pick(rng_, kIdentifiers);
    switch (rng_.below(4)) {
      case 0:
        out_ += "for (std::size_t i = 0; i < " + std::string(name) + ".size(); ++i) {";
        break;
      case 1:
        out_ += "// ";
        words(3, 8);
        break;
      case 2:
        out_ += std::string(name) + " = " + std::string(name) + " * 31 + (x & 0xFF) >> 2;";
        break;
      default:
        out_ += "print(\"" + std::string(name) + ": <" + std::to_string(++counter_) + ">\")";
        break;
    }
    out_ += '\n';
  }
  out_ += "```\n\n";
}

void Writer::quote() {
  const bool nested = rng_.chance(20);
  out_ += "> ";
  paragraph_text("> ");
  if (nested) {
    out_ += ">\n> > ";
    paragraph_text("> > ");
  }
  out_ += '\n';
}

void Writer::image_paragraph() {
  out_ += "![";
  words(2, 4);
  std::size_t const id = ++counter_;
  out_ += "](assets/anh-" + std::to_string(id % 97) + ".jpg)\n\n";
}

void Writer::front_matter() {
  out_ +=
      "---\ntitle: Tài liệu mẫu cho đo tốc độ\nauthor: Nhóm phát triển\ntags: [bench, "
      "markdown]\n---\n\n";
  out_ += "# Tài liệu mẫu 📄\n\n[TOC]\n\n";
}

void Writer::block() {
  std::size_t const roll = rng_.below(100);
  if (roll < 38) {
    paragraph();
  } else if (roll < 48) {
    heading();
  } else if (roll < 59) {
    bullet_list(0, "");
  } else if (roll < 64) {
    ordered_list();
  } else if (roll < 67) {
    task_list();
  } else if (roll < 74) {
    table();
  } else if (roll < 83) {
    code_block();
  } else if (roll < 94) {
    quote();
  } else if (roll < 96) {
    out_ += "---\n\n";
  } else {
    image_paragraph();
  }
}

}  // namespace

std::string generate_document(std::size_t target_bytes, std::uint64_t seed) {
  SplitMix64 rng(seed);
  std::string out;
  out.reserve(target_bytes + 4096);
  Writer writer(rng, out);
  writer.front_matter();
  while (out.size() < target_bytes) {
    writer.block();
  }
  return out;
}

namespace {

std::string repeat(std::string_view piece, std::size_t count) {
  std::string out;
  out.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) {
    out += piece;
  }
  return out;
}

}  // namespace

const std::vector<HostileDocument>& hostile_documents() {
  static const std::vector<HostileDocument> documents{
      {"nested quotes", 20000, [](std::size_t n) { return repeat("> ", n) + "a\n"; }},
      {"nested lists on one line", 5000, [](std::size_t n) { return repeat("- ", n) + "a\n"; }},
      {"nested emphasis", 12500,
       [](std::size_t n) { return repeat("*", n) + "a" + repeat("*", n) + "\n"; }},
      {"unmatched emphasis", 12500, [](std::size_t n) { return repeat("*a _b ", n / 2) + "\n"; }},
      {"strong and emphasis", 12500, [](std::size_t n) { return repeat("**a* ", n / 3) + "\n"; }},
      {"verbatim headings", 5000,
       [](std::size_t n) { return repeat("# Chapter\n\nSome text in between.\n\n", n); }},
      {"headings with entities", 5000,
       [](std::size_t n) { return repeat("# a&#98;c *d*\n\npara\n\n", n); }},
      {"empty headings", 5000, [](std::size_t n) { return repeat("#\n", n); }},
      {"long paragraph line", 5000,
       [](std::size_t n) { return repeat("word *em* `code` [l](u) ", n) + "\n"; }},
      {"long heading line", 50000,
       [](std::size_t n) { return "> > # " + repeat("ab", n) + "\n\n" + repeat("ab", n) + "\n"; }},
      {"long link, many pieces", 5000,
       [](std::size_t n) {
         return "[" + repeat("&amp;<u></u>", n) + "](" + repeat("x", n) + ")\n";
       }},
      {"inline tags on one line", 5000,
       [](std::size_t n) {
         return repeat("<u>a</u><span style=\"color:#aabbcc\">b</span>", n) + "\n";
       }},
      {"table rows", 5000,
       [](std::size_t n) { return "| a | b |\n|---|---|\n" + repeat("| x | *y* |\n", n); }},
      {"tables of contents", 2000,
       [](std::size_t n) { return repeat("[TOC]\n\n", n) + repeat("# h\n", n); }},
      {"open brackets", 5000,
       [](std::size_t n) { return repeat("[", n) + "a" + repeat("]", n) + "\n"; }},
  };
  return documents;
}

}  // namespace tavrel::win::bench
