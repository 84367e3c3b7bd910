#include "core/welcome.h"

namespace tavrel::win {
namespace {

// Raw literals keep the backslash of "Ctrl + \" and the fences readable as the user sees them.
constexpr const char* kEnglish = R"md(# Tavrel

Edit Markdown with a live preview. Documents are saved on your computer.

## Getting started

- Press `Ctrl + O` to open a document or `Ctrl + N` to create one.
- Press `Ctrl + S` to save.
- Press `Ctrl + \` to show or hide the preview.
- Choose **View > Appearance** to use Follow Windows, Light or Dark.

## Formatting

Use **bold**, *italic*, `code` and lists to format your document.

| Shortcut | Action |
| --- | --- |
| Ctrl + B | Bold |
| Ctrl + I | Italic |
| Ctrl + F | Find in document |
| Ctrl + Shift + O | Open a recent or pinned document |

## Code example

```cpp
const char* app = "Tavrel";
```

---

Happy writing with Tavrel.
)md";

constexpr const char* kVietnamese = R"md(# Tavrel

Soạn Markdown với bản xem trước trực tiếp. Tài liệu được lưu trên máy tính của bạn.

## Bắt đầu

- Nhấn `Ctrl + O` để mở tài liệu hoặc `Ctrl + N` để tạo tài liệu mới.
- Nhấn `Ctrl + S` để lưu.
- Nhấn `Ctrl + \` để hiện hoặc ẩn bản xem trước.
- Chọn **Hiển thị > Giao diện** để dùng Theo Windows, Sáng hoặc Tối.

## Định dạng

Dùng **đậm**, *nghiêng*, `mã` và danh sách để định dạng tài liệu.

| Phím tắt | Thao tác |
| --- | --- |
| Ctrl + B | Chữ đậm |
| Ctrl + I | Chữ nghiêng |
| Ctrl + F | Tìm trong tài liệu |
| Ctrl + Shift + O | Mở tài liệu gần đây hoặc đã ghim |

## Ví dụ mã

```cpp
const char* app = "Tavrel";
```

---

Chúc bạn viết vui cùng Tavrel.
)md";

}  // namespace

std::string welcome_markdown(bool vietnamese) { return vietnamese ? kVietnamese : kEnglish; }

}  // namespace tavrel::win
