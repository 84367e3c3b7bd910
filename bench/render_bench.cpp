// Developer benchmark of the render path (not shipped): times each stage that a preview update or
// an export runs, next to md4c's own md2html on the same input, and can leave the outputs behind
// for outside validators.
//
//   tavrel_render_bench [--runs N] [--out DIR] [--md2html PATH] [--seed N] [--hostile]
//                       [--generate SIZE_MB OUT.md]... [FILE.md]...
//
// The pipeline figure is the render job itself (statistics, model, HTML and RTF, with the HTML
// pass on its second worker), timed as wall time; the stage rows run each step alone.
// --hostile also times the inputs that make a careless renderer slow, at their base size and at
// eight times that, and prints how the time grows.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/doc_generator.h"
#include "render/docx_writer.h"
#include "render/markdown_model.h"
#include "render/render_job.h"
#include "render/rtf_writer.h"
#include "render/text_stats.h"

extern char** environ;

namespace tavrel::win::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kBytesPerMb = 1024.0 * 1024.0;
constexpr std::uint32_t kPreviewFontPoints = 11;  // what the background render job asks for

// md2html gets the parser dialect of the HTML path of render_markdown, so both parse alike.
const std::vector<std::string> kMd2htmlFlags{"--ftables",
                                             "--fstrikethrough",
                                             "--ftasklists",
                                             "--flatex-math",
                                             "--fpermissive-url-autolinks",
                                             "--fpermissive-www-autolinks",
                                             "--fpermissive-email-autolinks",
                                             "--fno-html"};

struct Options {
  unsigned runs = 7;
  bool hostile = false;
  std::uint64_t seed = kDefaultSeed;
  std::optional<fs::path> out_dir;
  std::optional<fs::path> md2html;  // empty: next to this program, skipped when missing
  std::vector<std::pair<double, fs::path>> generate;
  std::vector<fs::path> inputs;
};

struct FileResult {
  std::string name;
  std::size_t bytes = 0;
  double pipeline_ms = 0;  // the render job: compute_text_stats, render_markdown and render_rtf
};

[[noreturn]] void usage_error(const std::string& message) {
  throw std::invalid_argument(
      message +
      "\nusage: tavrel_render_bench [--runs N] [--out DIR] [--md2html PATH] [--seed N]"
      " [--hostile] [--generate SIZE_MB OUT.md]... [FILE.md]...");
}

std::string next_arg(int argc, char** argv, int& i) {
  if (i + 1 >= argc) {
    usage_error(std::string("missing value after ") + argv[i]);
  }
  return argv[++i];
}

Options parse_options(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string const arg = argv[i];
    if (arg == "--runs") {
      const int runs = std::stoi(next_arg(argc, argv, i));
      if (runs < 1) {
        usage_error("--runs needs at least 1");
      }
      options.runs = static_cast<unsigned>(runs);
    } else if (arg == "--hostile") {
      options.hostile = true;
    } else if (arg == "--out") {
      options.out_dir = next_arg(argc, argv, i);
    } else if (arg == "--md2html") {
      options.md2html = next_arg(argc, argv, i);
    } else if (arg == "--seed") {
      options.seed = std::stoull(next_arg(argc, argv, i));
    } else if (arg == "--generate") {
      const double mb = std::stod(next_arg(argc, argv, i));
      if (!(mb > 0 && mb <= 4096)) {
        usage_error("--generate needs a size in MB between 0 and 4096");
      }
      options.generate.emplace_back(mb, next_arg(argc, argv, i));
    } else if (arg.starts_with("--")) {
      usage_error("unknown option " + arg);
    } else {
      options.inputs.emplace_back(arg);
    }
  }
  if (options.inputs.empty() && options.generate.empty() && !options.hostile) {
    usage_error("no input");
  }
  return options;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error("cannot open " + path.string());
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return std::move(buffer).str();
}

void write_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    throw std::runtime_error("cannot write " + path.string());
  }
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  std::size_t const mid = values.size() / 2;
  return values.size() % 2 != 0 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Timing {
  double median_ms = 0;
  double min_ms = 0;
};

// Wall time of `runs` calls of `body`; what `body` leaves behind is dropped outside the timing.
template <typename Body>
Timing time_runs(unsigned runs, Body&& body) {
  std::vector<double> times;
  for (unsigned i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    [[maybe_unused]] auto kept = body();  // destroyed after the clock stopped
    const auto stop = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
  }
  return {median(times), *std::min_element(times.begin(), times.end())};
}

// Median wall time of `runs` calls in milliseconds.
double time_median(unsigned runs, const std::function<void()>& body) {
  return time_runs(runs,
                   [&] {
                     body();
                     return 0;
                   })
      .median_ms;
}

fs::path default_md2html() {
  std::error_code error;
  fs::path const self = fs::read_symlink("/proc/self/exe", error);
  return (error ? fs::path(".") : self.parent_path()) / "md2html";
}

// One md2html process on `input` with its output thrown away; throws when it cannot start or fails.
void run_md2html_once(const fs::path& program, const fs::path& input) {
  std::vector<std::string> args{program.string()};
  args.insert(args.end(), kMd2htmlFlags.begin(), kMd2htmlFlags.end());
  args.push_back(input.string());
  std::vector<char*> argv;
  for (auto& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    throw std::runtime_error("cannot start " + program.string());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error(program.string() + " failed on " + input.string());
  }
}

// Median md2html time, or nothing when no md2html was asked for and none lies next to us.
std::optional<Timing> time_md2html(const Options& options, const fs::path& input) {
  fs::path const program = options.md2html.value_or(default_md2html());
  if (!options.md2html && !fs::exists(program)) {
    std::printf("  (md2html not found at %s; no comparison)\n", program.c_str());
    return std::nullopt;
  }
  return time_runs(options.runs, [&] {
    run_md2html_once(program, input);
    return 0;
  });
}

void print_row(const char* stage, double ms, std::size_t bytes) {
  const double mb_per_s = ms > 0 ? (static_cast<double>(bytes) / kBytesPerMb) / (ms / 1000.0) : 0;
  std::printf("  %-26s %12.3f %10.1f\n", stage, ms, mb_per_s);
}

void print_row(const char* stage, Timing timing, std::size_t bytes) {
  print_row(stage, timing.median_ms, bytes);
  std::printf("  %-26s %12.3f\n", "  (fastest run)", timing.min_ms);
}

// The render job must give what the stages give one after the other.
void check_job_matches(const RenderResult& job, const RenderedMarkdown& doc, const std::string& rtf,
                       const TextStats& stats) {
  bool same = job.markdown.html == doc.html && job.rtf == rtf &&
              job.markdown.plain_text == doc.plain_text && job.stats.words == stats.words &&
              job.markdown.headings.size() == doc.headings.size();
  for (std::size_t i = 0; same && i < doc.headings.size(); ++i) {
    same = job.markdown.headings[i].offset == doc.headings[i].offset &&
           job.markdown.headings[i].id == doc.headings[i].id;
  }
  if (!same) {
    throw std::runtime_error("the render job's output differs from the stages'");
  }
}

void write_outputs(const fs::path& dir, const fs::path& input, const RenderedMarkdown& doc,
                   const std::string& rtf, const std::string& docx) {
  fs::create_directories(dir);
  std::string const name = input.stem().string();
  write_file(dir / (name + ".html"), doc.html);
  write_file(dir / (name + ".rtf"), rtf);
  write_file(dir / (name + ".docx"), docx);
  write_file(dir / (name + ".txt"), doc.plain_text);
  std::printf("  outputs: %s/%s.{html,rtf,docx,txt}\n", dir.c_str(), name.c_str());
}

FileResult bench_file(const Options& options, const fs::path& input) {
  std::string const markdown = read_file(input);
  std::size_t const bytes = markdown.size();
  std::printf("%s: %zu bytes (%.2f MB), median of %u runs\n", input.c_str(), bytes,
              static_cast<double>(bytes) / kBytesPerMb, options.runs);
  std::printf("  %-26s %12s %10s\n", "stage", "ms", "MB/s");

  RenderedMarkdown doc;
  const double render_ms = time_median(options.runs, [&] { doc = render_markdown(markdown); });
  std::string rtf;
  const double rtf_ms =
      time_median(options.runs, [&] { rtf = render_rtf(doc, true, kPreviewFontPoints); });
  TextStats stats;
  const double stats_ms = time_median(options.runs, [&] { stats = compute_text_stats(markdown); });
  std::string docx;
  const double docx_ms = time_median(options.runs, [&] { docx = build_docx(doc); });
  RenderRequest request;
  request.text = markdown;
  request.dark = true;
  const Timing job = time_runs(options.runs, [&] { return render_job(request); });
  check_job_matches(render_job(request), doc, rtf, stats);

  print_row("render_markdown", render_ms, bytes);
  print_row("render_rtf (dark)", rtf_ms, bytes);
  print_row("compute_text_stats", stats_ms, bytes);
  print_row("build_docx", docx_ms, bytes);
  print_row("stages one by one", render_ms + rtf_ms + stats_ms, bytes);
  print_row("render job (pipeline)", job, bytes);
  if (const std::optional<Timing> md2html = time_md2html(options, input)) {
    print_row("md2html (process, wall)", *md2html, bytes);
    std::printf("  ratio render job/md2html: %.2f median, %.2f fastest runs\n",
                job.median_ms / md2html->median_ms, job.min_ms / md2html->min_ms);
  }
  std::printf(
      "  sizes: html %zu, rtf %zu, docx %zu, plain text %zu bytes; %zu blocks, %zu headings;"
      " %llu words, %llu lines\n",
      doc.html.size(), rtf.size(), docx.size(), doc.plain_text.size(), doc.blocks.size(),
      doc.headings.size(), static_cast<unsigned long long>(stats.words),
      static_cast<unsigned long long>(stats.lines));
  if (options.out_dir) {
    write_outputs(*options.out_dir, input, doc, rtf, docx);
  }
  return {input.filename().string(), bytes, job.median_ms};
}

// How the render job's time grows against the first input's, next to how the size grows.
void print_scaling(const std::vector<FileResult>& results) {
  if (results.size() < 2 || results.front().bytes == 0 || results.front().pipeline_ms <= 0) {
    return;
  }
  const FileResult& base = results.front();
  std::printf("scaling of the render job against %s:\n", base.name.c_str());
  for (std::size_t i = 1; i < results.size(); ++i) {
    std::printf("  %-26s size x%.2f, time x%.2f\n", results[i].name.c_str(),
                static_cast<double>(results[i].bytes) / static_cast<double>(base.bytes),
                results[i].pipeline_ms / base.pipeline_ms);
  }
}

// Each hostile input at its base size and at eight times it: linear work grows about eight times.
void bench_hostile(const Options& options) {
  constexpr std::size_t kGrowth = 8;
  std::printf("hostile inputs, render_markdown, fastest of %u runs:\n", options.runs);
  std::printf("  %-26s %10s %10s %10s %8s\n", "input", "bytes", "ms", "ms at 8x", "growth");
  for (const HostileDocument& document : hostile_documents()) {
    std::string const small = document.make(document.base);
    std::string const large = document.make(document.base * kGrowth);
    const double small_ms = time_runs(options.runs, [&] { return render_markdown(small); }).min_ms;
    const double large_ms = time_runs(options.runs, [&] { return render_markdown(large); }).min_ms;
    std::printf("  %-26s %10zu %10.3f %10.3f %8.2f\n", document.name, small.size(), small_ms,
                large_ms, large_ms / std::max(small_ms, 1e-6));
  }
}

int run(int argc, char** argv) {
  Options options = parse_options(argc, argv);
  std::vector<fs::path> inputs;
  for (const auto& [mb, path] : options.generate) {
    if (path.has_parent_path()) {
      fs::create_directories(path.parent_path());
    }
    write_file(path, generate_document(static_cast<std::size_t>(mb * kBytesPerMb), options.seed));
    inputs.push_back(path);
  }
  inputs.insert(inputs.end(), options.inputs.begin(), options.inputs.end());
  std::printf(
      "1 MB = 1048576 bytes; compute_text_stats runs on the Markdown text, as the render job "
      "does\n");
  std::vector<FileResult> results;
  for (const auto& input : inputs) {
    results.push_back(bench_file(options, input));
  }
  print_scaling(results);
  if (options.hostile) {
    bench_hostile(options);
  }
  return 0;
}

}  // namespace
}  // namespace tavrel::win::bench

int main(int argc, char** argv) {
  try {
    return tavrel::win::bench::run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tavrel_render_bench: %s\n", e.what());
    return 1;
  }
}
