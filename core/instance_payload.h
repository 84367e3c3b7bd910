#pragma once
// The pieces of the one-instance-per-profile rule that need no window: the guard name derived from
// the profile folder, the file list a second start hands to the running window, and the running
// window's reading of that list. Wide strings hold UTF-16 units, as everywhere in the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

// COPYDATASTRUCT::dwData of the hand-over: "TVR1", first character in the most significant byte.
inline constexpr std::uint32_t kForwardedArgumentsTag = 0x54565231;
// Larger payloads are refused unread.
inline constexpr std::size_t kMaxForwardedArgumentsBytes = 0x100000;

// Lower-cases one UTF-16 unit by a fixed table (Basic Latin, Latin-1, Latin Extended-A/B, Greek,
// Cyrillic, Latin Extended Additional), so the guard name does not depend on the C runtime's
// locale or on which runtime the program was built against. Anything else is returned as it is.
char16_t fold_case(char16_t unit);

// 64-bit FNV-1a over the case-folded UTF-16 units of the (already weakly canonical) folder.
std::uint64_t profile_hash(std::wstring_view canonical_profile_dir);

// "Tavrel.Profile." followed by the hash in decimal: the window property of the running instance.
std::wstring guard_name(std::wstring_view canonical_profile_dir);

// The session-local mutex name for a guard name.
std::wstring guard_mutex_name(std::wstring_view guard_name);

// The file arguments of a command line (arguments[0] is the program and is not looked at):
// "--profile" and the argument after it are skipped, so is every other argument starting "--".
std::vector<std::wstring> file_arguments(int count, const wchar_t* const* arguments);

// The hand-over text: a compact JSON array of the absolute paths in UTF-8, "[]" when empty.
// Throws "Invalid UTF-16" for a path that is not valid UTF-16.
std::string encode_forwarded_arguments(const std::vector<std::wstring>& absolute_paths);

// What the running window makes of a received hand-over. `answer` is the reply to the sender: 1
// when the whole list was taken, 0 when the message was refused or the list ended early. `paths`
// are the ones to open, in order; they may be non-empty with the answer 0 (the paths before a bad
// element). Nothing here opens anything, so the caller can reply before the first slow open.
struct ReceivedArguments {
  std::vector<std::wstring> paths;
  int answer = 0;
};

// Reads a hand-over from the message's tag and bytes (`data` may be null). Malformed JSON throws
// (nlohmann::json::parse_error, a std::exception), which the caller reports like any failed
// handler, answering 0; nesting too deep for a list of paths is refused unread.
ReceivedArguments decode_forwarded_arguments(std::uint64_t tag, const void* data, std::size_t size);

}  // namespace tavrel::win
