#pragma once
// What the program and the web renderer say to each other, and the rules that keep the page
// offline and on its own index: everything about the web preview that needs no window, so that
// it can be tested without a browser.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel::win {

// The two virtual hosts exist only inside the web view; they never reach a network.
inline constexpr std::wstring_view kAppHost = L"app.tavrel.internal";
inline constexpr std::wstring_view kDocumentHost = L"document.tavrel.internal";
inline constexpr std::wstring_view kAppIndex = L"https://app.tavrel.internal/index.html";
inline constexpr std::wstring_view kAppPrefix = L"https://app.tavrel.internal/";
inline constexpr std::wstring_view kDocumentPrefix = L"https://document.tavrel.internal/";

// A text longer than this stays with the native preview and is never sent to the page.
inline constexpr std::size_t kMaxWebDocumentBytes = 0xA00000;
// A "change" from the page whose text is longer than this is ignored.
inline constexpr std::size_t kMaxWebChangeBytes = 0x2000000;

// Navigation is allowed only to the app index, with or without a query or fragment behind it.
bool is_app_navigation(std::wstring_view uri);
// Messages count only when they come from the app index itself, nothing behind it.
bool is_app_source(std::wstring_view uri);
// Requests the web view may serve itself: the two virtual hosts and data: addresses. Everything
// else is answered locally with 403.
bool is_served_locally(std::wstring_view uri);

// --- Program to page ----------------------------------------------------------------------------

struct DocumentMessage {
  std::string css;  // custom.css of the profile, empty when there is none
  bool dark = false;
  bool visual_editor = false;  // "mode": "edit" in the visual editor, else "preview"
  std::string session;         // the active document's identifier
  std::string text;            // UTF-8, LF line ends
  bool vietnamese = false;
};

// Each message is compact JSON with its members in ascending key order.
std::string document_message(const DocumentMessage& message);
// The visual editor's name for a command id; nothing for commands it does not take over.
std::optional<std::string_view> web_command_name(std::uint32_t id);
std::string command_message(std::string_view name);
std::string scroll_message(double fraction);

// --- Page to program ----------------------------------------------------------------------------

enum class PageMessageType { Other, Ready, Change, Copy, Open, Shortcut };

struct PageMessage {
  PageMessageType type = PageMessageType::Other;
  std::string session;  // "change"
  std::string text;     // "change", "copy"
  std::string url;      // "open"
  std::string key;      // "shortcut"
  bool shift = false;   // "shortcut"
};

// Strict JSON; absent members read as empty (false for "shift"). Throws std::exception with a
// readable text for malformed JSON, a message that is not an object, or a member of the wrong
// type. `change_sessions` are the identifiers of the documents whose edits the visual editor may
// hand back, none when it is not shown (an edit typed just before a tab switch names the document
// left, which is still open): a "change" for any other session is not read further and counts as
// Other.
PageMessage parse_page_message(std::string_view json,
                               const std::vector<std::string>& change_sessions);
// The command a "shortcut" message asks for (New, Open, Save, Save as); nothing for other keys.
std::optional<std::uint32_t> shortcut_command(const PageMessage& message);

// --- Export through the page --------------------------------------------------------------------

// The DevTools call that makes the page ready to be captured or printed.
inline constexpr std::string_view kPrepareExportParameters =
    R"-({"expression":"window.Tavrel.prepareExport()","awaitPromise":true,"returnByValue":true})-";

// Whether a Runtime.evaluate result reports that the page's function threw or rejected. Throws
// on malformed JSON.
bool evaluation_failed(std::string_view result_json);

struct CaptureSize {
  double width = 1000;
  double height = 1000;
};

// The page's size from a Page.getLayoutMetrics result: "cssContentSize" when present, else
// "contentSize"; a missing width or height counts as 1000. Throws on malformed JSON.
CaptureSize capture_size(std::string_view metrics_json);
// Taller than 30000 pixels or larger than 5e7 pixels in area cannot be captured as one image.
bool capture_fits(const CaptureSize& size);
// The Page.captureScreenshot parameters for the whole page.
std::string capture_parameters(const CaptureSize& size, bool jpeg);
// The image bytes of a Page.captureScreenshot result; throws "Invalid image data" when its
// "data" is not Base64 or decodes to nothing, and on malformed JSON.
std::vector<std::uint8_t> screenshot_bytes(std::string_view result_json);

// Base64 as the DevTools protocol writes it (whitespace between groups is skipped); nothing when
// the text is not Base64.
std::optional<std::vector<std::uint8_t>> base64_decode(std::string_view text);

}  // namespace tavrel::win
