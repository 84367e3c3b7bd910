// The messages between the program and the web renderer's page: the document, commands and
// scrolling go out; the page's readiness, edits, copies, links and shortcuts come in.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/text_codec.h"
#include "core/text_convert.h"
#include "ui/commands.h"
#include "ui/editor_swap_win.h"
#include "ui/editor_win.h"
#include "ui/images_win.h"
#include "ui/main_window_win.h"
#include "web/web_host_win.h"
#include "web/web_protocol.h"

namespace tavrel::win {

namespace {

// Nothing is posted before the page has said it listens.
ICoreWebView2* listening_view(const App& app) {
  const WebState* state = app.web.get();
  if (state == nullptr || !state->ready) return nullptr;
  return state->webview.get();
}

void post(ICoreWebView2* webview, const std::string& json) {
  const HRESULT result = webview->PostWebMessageAsJson(to_wide(json).c_str());
  if (FAILED(result)) throw std::runtime_error("Could not send to the web preview");
}

std::string read_custom_css(const App& app) {
  try {
    const auto path = custom_css_path(app.profile_dir);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return {};
    return read_text_file(path);
  } catch (const std::exception&) {
    return {};  // a broken custom style is the page's default style, not an error
  }
}

void map_document_folder(App& app, ICoreWebView2* webview) {
  auto webview3 = retained(webview).query<ICoreWebView2_3>();
  if (!webview3) return;
  const Document& document = *app.current_document();
  const std::filesystem::path folder =
      document.path.empty() ? app.profile_dir : std::filesystem::path(document.path).parent_path();
  webview3->SetVirtualHostNameToFolderMapping(std::wstring(kDocumentHost).c_str(), folder.c_str(),
                                              COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW);
}

// The documents whose edits the visual editor may hand back now: every open one while it shows
// (what was typed just before a tab switch arrives after it, naming the document left); none
// outside it.
std::vector<std::string> change_sessions(const App& app) {
  std::vector<std::string> sessions;
  if (app.view_mode != 3) return sessions;
  for (const auto& document : app.documents) sessions.push_back(document->id);
  return sessions;
}

Document* session_document(App& app, const std::string& session) {
  for (const auto& document : app.documents) {
    if (document->id == session) return document.get();
  }
  return nullptr;
}

// Only an edit of an open document gets here (see change_sessions).
void take_change(App& app, const PageMessage& message) {
  Document* document = session_document(app, message.session);
  if (document == nullptr || message.text.size() > kMaxWebChangeBytes) return;
  if (message.text == richedit_text_utf8(document->editor)) return;
  app.suppress_change = true;
  try {
    richedit_set_text_utf8(document->editor, message.text);
  } catch (...) {
    app.suppress_change = false;
    throw;
  }
  app.suppress_change = false;
  note_editor_change(*document);
  if (document == app.current_document()) {
    app.on_document_edited();
    return;
  }
  // A tab in the background: its mark and its recovery snapshot; it renders when shown.
  app.mark_edited(*document);
}

void handle_message(App& app, WebState& state, const std::string& json) {
  const PageMessage message = parse_page_message(json, change_sessions(app));
  switch (message.type) {
    case PageMessageType::Ready:
      state.ready = true;
      app.layout_panes();
      web_send_document(app);
      break;
    case PageMessageType::Change:
      take_change(app, message);
      break;
    case PageMessageType::Copy:
      copy_text_to_clipboard(app.main_window, to_wide(message.text));
      break;
    case PageMessageType::Open:
      app.open_link(to_wide(message.url));
      break;
    case PageMessageType::Shortcut:
      if (const auto command = shortcut_command(message))
        app.on_command(static_cast<int>(*command));
      break;
    case PageMessageType::Other:
      break;
  }
}

}  // namespace

void web_send_document(App& app) {
  ICoreWebView2* webview = listening_view(app);
  if (webview == nullptr || app.documents.empty()) return;
  HWND editor = app.current_document()->editor;
  std::string text = richedit_text_utf8(editor);
  if (text.size() > kMaxWebDocumentBytes) {
    app.web_preview = false;
    app.view_mode = 1;
    web_stop(app);
    app.layout_panes();
    return;
  }
  map_document_folder(app, webview);
  DocumentMessage message;
  message.css = read_custom_css(app);
  message.dark = app.dark;
  message.visual_editor = app.view_mode == 3;
  message.session = app.current_document()->id;
  message.text = std::move(text);
  message.vietnamese = app.vietnamese;
  post(webview, document_message(message));
}

bool web_send_command(App& app, int id) {
  ICoreWebView2* webview = listening_view(app);
  if (webview == nullptr || app.view_mode != 3) return false;
  const auto name = web_command_name(static_cast<std::uint32_t>(id));
  if (!name) return false;
  post(webview, command_message(*name));
  return true;
}

void web_scroll_to(App& app, double fraction) {
  if (ICoreWebView2* webview = listening_view(app)) post(webview, scroll_message(fraction));
}

HRESULT web_on_message_received(const std::shared_ptr<WebState>& state,
                                ICoreWebView2WebMessageReceivedEventArgs* args) {
  App* app = state->app;
  if (app == nullptr || args == nullptr) return S_OK;
  CoTaskString source;
  if (FAILED(args->get_Source(source.put())) || !is_app_source(source.view())) return S_OK;
  CoTaskString json;
  if (FAILED(args->get_WebMessageAsJson(json.put())) || json.get() == nullptr) return S_OK;
  try {
    handle_message(*app, *state, to_utf8(json.view()));
  } catch (const std::exception& error) {
    // The page cannot be trusted to send valid text, so neither can the error's own text.
    app->set_status(to_wide_lenient(error.what()));
  } catch (...) {
    app->set_status(L"Unexpected error");
  }
  return S_OK;
}

}  // namespace tavrel::win
