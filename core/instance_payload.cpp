#include "core/instance_payload.h"

#include "core/json_guard.h"
#include "core/text_convert.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace tavrel::win {

namespace {

// Upper-case letters as runs: every `stride`-th unit from `first` to `last` becomes unit + delta.
// Derived from the simple lower-case mappings of the Unicode character database for the blocks
// named in the header (U+0130 folds to plain "i").
struct FoldRun {
  char16_t first;
  char16_t last;
  int delta;
  int stride;
};

constexpr FoldRun kFoldRuns[] = {
    {0x0041, 0x005A, 32, 1},    {0x00C0, 0x00D6, 32, 1},   {0x00D8, 0x00DE, 32, 1},
    {0x0100, 0x012E, 1, 2},     {0x0130, 0x0130, -199, 1}, {0x0132, 0x0136, 1, 2},
    {0x0139, 0x0147, 1, 2},     {0x014A, 0x0176, 1, 2},    {0x0178, 0x0178, -121, 1},
    {0x0179, 0x017D, 1, 2},     {0x0181, 0x0181, 210, 1},  {0x0182, 0x0184, 1, 2},
    {0x0186, 0x0186, 206, 1},   {0x0187, 0x0187, 1, 1},    {0x0189, 0x018A, 205, 1},
    {0x018B, 0x018B, 1, 1},     {0x018E, 0x018E, 79, 1},   {0x018F, 0x018F, 202, 1},
    {0x0190, 0x0190, 203, 1},   {0x0191, 0x0191, 1, 1},    {0x0193, 0x0193, 205, 1},
    {0x0194, 0x0194, 207, 1},   {0x0196, 0x0196, 211, 1},  {0x0197, 0x0197, 209, 1},
    {0x0198, 0x0198, 1, 1},     {0x019C, 0x019C, 211, 1},  {0x019D, 0x019D, 213, 1},
    {0x019F, 0x019F, 214, 1},   {0x01A0, 0x01A4, 1, 2},    {0x01A6, 0x01A6, 218, 1},
    {0x01A7, 0x01A7, 1, 1},     {0x01A9, 0x01A9, 218, 1},  {0x01AC, 0x01AC, 1, 1},
    {0x01AE, 0x01AE, 218, 1},   {0x01AF, 0x01AF, 1, 1},    {0x01B1, 0x01B2, 217, 1},
    {0x01B3, 0x01B5, 1, 2},     {0x01B7, 0x01B7, 219, 1},  {0x01B8, 0x01B8, 1, 1},
    {0x01BC, 0x01BC, 1, 1},     {0x01C4, 0x01C4, 2, 1},    {0x01C5, 0x01C5, 1, 1},
    {0x01C7, 0x01C7, 2, 1},     {0x01C8, 0x01C8, 1, 1},    {0x01CA, 0x01CA, 2, 1},
    {0x01CB, 0x01DB, 1, 2},     {0x01DE, 0x01EE, 1, 2},    {0x01F1, 0x01F1, 2, 1},
    {0x01F2, 0x01F4, 1, 2},     {0x01F6, 0x01F6, -97, 1},  {0x01F7, 0x01F7, -56, 1},
    {0x01F8, 0x021E, 1, 2},     {0x0220, 0x0220, -130, 1}, {0x0222, 0x0232, 1, 2},
    {0x023A, 0x023A, 10795, 1}, {0x023B, 0x023B, 1, 1},    {0x023D, 0x023D, -163, 1},
    {0x023E, 0x023E, 10792, 1}, {0x0241, 0x0241, 1, 1},    {0x0243, 0x0243, -195, 1},
    {0x0244, 0x0244, 69, 1},    {0x0245, 0x0245, 71, 1},   {0x0246, 0x024E, 1, 2},
    {0x0370, 0x0372, 1, 2},     {0x0376, 0x0376, 1, 1},    {0x037F, 0x037F, 116, 1},
    {0x0386, 0x0386, 38, 1},    {0x0388, 0x038A, 37, 1},   {0x038C, 0x038C, 64, 1},
    {0x038E, 0x038F, 63, 1},    {0x0391, 0x03A1, 32, 1},   {0x03A3, 0x03AB, 32, 1},
    {0x03CF, 0x03CF, 8, 1},     {0x03D8, 0x03EE, 1, 2},    {0x03F4, 0x03F4, -60, 1},
    {0x03F7, 0x03F7, 1, 1},     {0x03F9, 0x03F9, -7, 1},   {0x03FA, 0x03FA, 1, 1},
    {0x03FD, 0x03FF, -130, 1},  {0x0400, 0x040F, 80, 1},   {0x0410, 0x042F, 32, 1},
    {0x0460, 0x0480, 1, 2},     {0x048A, 0x04BE, 1, 2},    {0x04C0, 0x04C0, 15, 1},
    {0x04C1, 0x04CD, 1, 2},     {0x04D0, 0x052E, 1, 2},    {0x1E00, 0x1E94, 1, 2},
    {0x1E9E, 0x1E9E, -7615, 1}, {0x1EA0, 0x1EFE, 1, 2},
};

constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kFnvPrime = 0x100000001b3ULL;

constexpr std::wstring_view kGuardPrefix = L"Tavrel.Profile.";
constexpr std::wstring_view kProfileOption = L"--profile";

bool is_option(std::wstring_view argument) { return argument.substr(0, 2) == L"--"; }

}  // namespace

char16_t fold_case(char16_t unit) {
  // The runs are sorted, so the only candidate is the last run starting at or before the unit.
  const auto after = std::upper_bound(std::begin(kFoldRuns), std::end(kFoldRuns), unit,
                                      [](char16_t u, const FoldRun& run) { return u < run.first; });
  if (after == std::begin(kFoldRuns)) return unit;
  const FoldRun& run = *std::prev(after);
  if (unit > run.last || (unit - run.first) % run.stride != 0) return unit;
  return static_cast<char16_t>(unit + run.delta);
}

std::uint64_t profile_hash(std::wstring_view canonical_profile_dir) {
  std::uint64_t hash = kFnvOffsetBasis;
  for (wchar_t c : canonical_profile_dir) {
    // A Linux wchar_t holds one UTF-16 unit by convention; keep exactly those 16 bits.
    const auto unit = static_cast<char16_t>(static_cast<std::uint32_t>(c) & 0xFFFFu);
    hash ^= fold_case(unit);
    hash *= kFnvPrime;
  }
  return hash;
}

std::wstring guard_name(std::wstring_view canonical_profile_dir) {
  std::wstring name(kGuardPrefix);
  name += std::to_wstring(profile_hash(canonical_profile_dir));
  return name;
}

std::wstring guard_mutex_name(std::wstring_view guard_name) {
  std::wstring name = L"Local\\";
  name += guard_name;
  return name;
}

std::vector<std::wstring> file_arguments(int count, const wchar_t* const* arguments) {
  std::vector<std::wstring> files;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument = arguments[i] ? arguments[i] : L"";
    if (argument == kProfileOption) {
      ++i;  // the folder after it; past the end when the option comes last
      continue;
    }
    if (is_option(argument)) continue;
    files.emplace_back(argument);
  }
  return files;
}

std::string encode_forwarded_arguments(const std::vector<std::wstring>& absolute_paths) {
  nlohmann::json list = nlohmann::json::array();
  for (const std::wstring& path : absolute_paths) list.push_back(to_utf8(path));
  return list.dump();
}

ReceivedArguments decode_forwarded_arguments(std::uint64_t tag, const void* data,
                                             std::size_t size) {
  ReceivedArguments received;
  if (tag != kForwardedArgumentsTag || data == nullptr || size > kMaxForwardedArgumentsBytes) {
    return received;
  }
  const auto* first = static_cast<const char*>(data);
  // Nesting beyond the guard's depth can be no list of paths: refused like any other non-list.
  if (!json_depth_within(std::string_view(first, size))) return received;
  const nlohmann::json list = nlohmann::json::parse(first, first + size);
  if (!list.is_array()) return received;
  for (const nlohmann::json& element : list) {
    // A path with a NUL in it would be cut short by every file API and open some other file.
    if (!element.is_string()) return received;
    const std::string& text = element.get_ref<const std::string&>();
    if (text.find('\0') != std::string::npos) return received;
    received.paths.push_back(to_wide(text));
  }
  received.answer = 1;
  return received;
}

}  // namespace tavrel::win
