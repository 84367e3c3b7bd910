// Pasting with the keyboard, with real key input through the program's message loop: rich text
// arrives as plain text in the editor's own format, and a clipboard bitmap becomes a PNG under
// "assets" with a link. The control pastes by itself on these keys (formatting included, and
// nothing at all for a bitmap) unless the program takes them first.
// Keyboard input goes to the desktop's foreground window, so this suite runs on its own (see
// cmake/gtest_shards.cmake).
#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <vector>

#include "tests/win/app_window_fixture_win.h"
#include "ui/main_window_win.h"

namespace tavrel::test {
namespace {

using namespace std::chrono_literals;

enum class Clipboard { RichText, Bitmap };

void put_on_clipboard(HWND owner, Clipboard kind) {
  const auto put = [](UINT format, const void* data, size_t size) {
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    SetClipboardData(format, block);
  };
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  if (kind == Clipboard::RichText) {
    const char rtf[] =
        "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
        "\\f0\\cf1\\b\\fs56 Red}";
    put(RegisterClipboardFormatW(L"Rich Text Format"), rtf, sizeof(rtf));
    put(CF_UNICODETEXT, L"Red", sizeof(L"Red"));
  } else {
    BITMAPINFOHEADER header{sizeof(header), 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> dib(sizeof(header) + 4, 0x80);
    std::memcpy(dib.data(), &header, sizeof(header));
    put(CF_DIB, dib.data(), dib.size());
  }
  CloseClipboard();
}

INPUT key_input(WORD key, DWORD flags) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = key;
  in.ki.dwFlags = flags | (key == VK_INSERT ? KEYEVENTF_EXTENDEDKEY : 0);
  return in;
}

// Presses the keys in order and releases them in reverse.
void chord(const std::vector<WORD>& keys) {
  std::vector<INPUT> in;
  for (WORD key : keys) in.push_back(key_input(key, 0));
  for (auto key = keys.rbegin(); key != keys.rend(); ++key)
    in.push_back(key_input(*key, KEYEVENTF_KEYUP));
  ASSERT_EQ(SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)), in.size());
}

struct Format {
  COLORREF colour;
  bool bold;
  LONG height;
  bool operator==(const Format&) const = default;
  friend void PrintTo(const Format& f, std::ostream* out) {
    *out << "colour " << std::hex << f.colour << std::dec << (f.bold ? ", bold" : "") << ", "
         << f.height << " twips";
  }
};

class DesktopInputPaste : public AppWindowTest {
 protected:
  void SetUp() override {
    AppWindowTest::SetUp();
    ShowWindow(app_->main_window, SW_SHOW);
  }
  // Focuses the active editor in the foreground window, as a click into it would.
  void focus_editor() {
    SetForegroundWindow(app_->main_window);
    SetFocus(editor());
  }
  // Runs the program's message loop until `done` holds (a hang guard, not a measurement).
  bool loop_until(const std::function<bool()>& done) {
    return wait_until(
        [&] {
          MSG message;
          while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            win::run_loop_message(*app_, message);
          return done();
        },
        5s);
  }
  Format format_of(LONG start, LONG end) {
    select(start, end);
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(editor(), EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return {format.crTextColor, (format.dwEffects & CFE_BOLD) != 0, format.yHeight};
  }
};

TEST_F(DesktopInputPaste, RichTextArrivesPlainAndTypingAfterItKeepsTheEditorsFormat) {
  const ClipboardTestLock clipboard;
  for (const std::vector<WORD>& keys :
       std::vector<std::vector<WORD>>{{VK_CONTROL, 'V'}, {VK_SHIFT, VK_INSERT}}) {
    add_document("ab");
    const Format plain = format_of(0, 1);
    select(2, 2);
    put_on_clipboard(app_->main_window, Clipboard::RichText);
    focus_editor();
    chord(keys);
    ASSERT_TRUE(loop_until([&] { return editor_text() == "abRed"; })) << editor_text();
    chord({'X'});
    ASSERT_TRUE(loop_until([&] { return editor_text() == "abRedx"; })) << editor_text();
    EXPECT_EQ(format_of(2, 5), plain) << keys[1];
    EXPECT_EQ(format_of(5, 6), plain) << keys[1];
  }
}

TEST_F(DesktopInputPaste, BitmapBecomesAStoredPngAndALink) {
  const ClipboardTestLock clipboard;
  for (const std::vector<WORD>& keys :
       std::vector<std::vector<WORD>>{{VK_CONTROL, 'V'}, {VK_SHIFT, VK_INSERT}}) {
    add_document("");
    const std::filesystem::path folder = files_.path() / std::to_string(keys[1]);
    std::filesystem::create_directories(folder);
    save_path_ = (folder / "doc.md").wstring();
    ASSERT_TRUE(app_->save_document(false));
    put_on_clipboard(app_->main_window, Clipboard::Bitmap);
    focus_editor();
    chord(keys);
    ASSERT_TRUE(loop_until([&] { return !editor_text().empty(); })) << keys[1];
    ASSERT_TRUE(std::filesystem::is_directory(folder / "assets"));
    const std::filesystem::path png =
        std::filesystem::directory_iterator(folder / "assets")->path();
    EXPECT_EQ(png.extension(), ".png");
    EXPECT_EQ(editor_text(),
              "![" + png.stem().string() + "](assets/" + png.filename().string() + ")");
  }
}

}  // namespace
}  // namespace tavrel::test
