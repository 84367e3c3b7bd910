#pragma once
// The WebView2 COM interfaces that the web preview calls or implements, declared with the
// runtime's own names, identifiers and vtable order; the SDK's header is not part of this build.
// The runtime's objects and the program's own handlers meet only through slot positions, so
// every slot exists and sits in its place, the never-called ones too, and nothing may add a
// vtable entry: no virtual destructor, no overloads, single inheritance only. Every slot returns
// HRESULT; BOOL is the 32-bit Win32 one; RECT and COREWEBVIEW2_COLOR travel by value.
//
// Each interface's slots are written once, as a list of X(name, (parameters)), and the
// interface is generated from it; test doubles generate their stubs from the same lists, so the
// order lives in one place.
#include <windows.h>
#include <unknwn.h>
#include <objidl.h>
#include <oaidl.h>
#include <eventtoken.h>

// --- Values and structs ---------------------------------------------------------------------
// Every enum of the runtime is a 32-bit integer.

enum COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND : int {
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY = 0,
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_ALLOW = 1,
  COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND_DENY_CORS = 2,
};

enum COREWEBVIEW2_WEB_RESOURCE_CONTEXT : int {
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL = 0,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT = 1,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET = 2,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE = 3,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MEDIA = 4,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT = 5,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT = 6,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_XML_HTTP_REQUEST = 7,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FETCH = 8,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_TEXT_TRACK = 9,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_EVENT_SOURCE = 10,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_WEBSOCKET = 11,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_MANIFEST = 12,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SIGNED_EXCHANGE = 13,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_PING = 14,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_CSP_VIOLATION_REPORT = 15,
  COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER = 16,
};

enum COREWEBVIEW2_PERMISSION_STATE : int {
  COREWEBVIEW2_PERMISSION_STATE_DEFAULT = 0,
  COREWEBVIEW2_PERMISSION_STATE_ALLOW = 1,
  COREWEBVIEW2_PERMISSION_STATE_DENY = 2,
};

enum COREWEBVIEW2_MOVE_FOCUS_REASON : int {
  COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
  COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
  COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};

enum COREWEBVIEW2_PRINT_DIALOG_KIND : int {
  COREWEBVIEW2_PRINT_DIALOG_KIND_BROWSER = 0,
  COREWEBVIEW2_PRINT_DIALOG_KIND_SYSTEM = 1,
};

enum COREWEBVIEW2_PERMISSION_KIND : int {
  COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION = 0,
  COREWEBVIEW2_PERMISSION_KIND_MICROPHONE = 1,
  COREWEBVIEW2_PERMISSION_KIND_CAMERA = 2,
  COREWEBVIEW2_PERMISSION_KIND_GEOLOCATION = 3,
  COREWEBVIEW2_PERMISSION_KIND_NOTIFICATIONS = 4,
  COREWEBVIEW2_PERMISSION_KIND_OTHER_SENSORS = 5,
  COREWEBVIEW2_PERMISSION_KIND_CLIPBOARD_READ = 6,
  COREWEBVIEW2_PERMISSION_KIND_MULTIPLE_AUTOMATIC_DOWNLOADS = 7,
  COREWEBVIEW2_PERMISSION_KIND_FILE_READ_WRITE = 8,
  COREWEBVIEW2_PERMISSION_KIND_AUTOPLAY = 9,
  COREWEBVIEW2_PERMISSION_KIND_LOCAL_FONTS = 10,
  COREWEBVIEW2_PERMISSION_KIND_MIDI_SYSTEM_EXCLUSIVE_MESSAGES = 11,
  COREWEBVIEW2_PERMISSION_KIND_WINDOW_MANAGEMENT = 12,
};

enum COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT : int {
  COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG = 0,
  COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG = 1,
};

enum COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT : int {
  COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT_TOP_LEFT = 0,
  COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT_TOP_RIGHT = 1,
  COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT_BOTTOM_LEFT = 2,
  COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT_BOTTOM_RIGHT = 3,
};

enum COREWEBVIEW2_FAVICON_IMAGE_FORMAT : int {
  COREWEBVIEW2_FAVICON_IMAGE_FORMAT_PNG = 0,
  COREWEBVIEW2_FAVICON_IMAGE_FORMAT_JPEG = 1,
};

// Four bytes, alpha lowest; passed by value in one register.
struct COREWEBVIEW2_COLOR {
  BYTE A;
  BYTE R;
  BYTE G;
  BYTE B;
};

// --- Declarations -----------------------------------------------------------------------------

struct ICoreWebView2EnvironmentOptions;
struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler;
struct ICoreWebView2Environment;
struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler;
struct ICoreWebView2Controller;
struct ICoreWebView2Controller2;
struct ICoreWebView2;
struct ICoreWebView2_2;
struct ICoreWebView2_3;
struct ICoreWebView2_4;
struct ICoreWebView2_5;
struct ICoreWebView2_6;
struct ICoreWebView2_7;
struct ICoreWebView2_8;
struct ICoreWebView2_9;
struct ICoreWebView2_10;
struct ICoreWebView2_11;
struct ICoreWebView2_12;
struct ICoreWebView2_13;
struct ICoreWebView2_14;
struct ICoreWebView2_15;
struct ICoreWebView2_16;
struct ICoreWebView2Settings;
struct ICoreWebView2Settings2;
struct ICoreWebView2Settings3;
struct ICoreWebView2WebMessageReceivedEventHandler;
struct ICoreWebView2WebMessageReceivedEventArgs;
struct ICoreWebView2NavigationStartingEventHandler;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventHandler;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2PermissionRequestedEventHandler;
struct ICoreWebView2PermissionRequestedEventArgs;
struct ICoreWebView2WebResourceRequestedEventHandler;
struct ICoreWebView2WebResourceRequestedEventArgs;
struct ICoreWebView2WebResourceRequest;
struct ICoreWebView2WebResourceResponse;
struct ICoreWebView2CallDevToolsProtocolMethodCompletedHandler;
struct ICoreWebView2Deferral;

// Interfaces that only appear as pointer parameters: their layouts are never needed.
struct ICoreWebView2AcceleratorKeyPressedEventHandler;
struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler;
struct ICoreWebView2BasicAuthenticationRequestedEventHandler;
struct ICoreWebView2CapturePreviewCompletedHandler;
struct ICoreWebView2ClearServerCertificateErrorActionsCompletedHandler;
struct ICoreWebView2ClientCertificateRequestedEventHandler;
struct ICoreWebView2ContainsFullScreenElementChangedEventHandler;
struct ICoreWebView2ContentLoadingEventHandler;
struct ICoreWebView2ContextMenuRequestedEventHandler;
struct ICoreWebView2CookieManager;
struct ICoreWebView2DOMContentLoadedEventHandler;
struct ICoreWebView2DevToolsProtocolEventReceiver;
struct ICoreWebView2DocumentTitleChangedEventHandler;
struct ICoreWebView2DownloadStartingEventHandler;
struct ICoreWebView2ExecuteScriptCompletedHandler;
struct ICoreWebView2FaviconChangedEventHandler;
struct ICoreWebView2FocusChangedEventHandler;
struct ICoreWebView2FrameCreatedEventHandler;
struct ICoreWebView2GetFaviconCompletedHandler;
struct ICoreWebView2HistoryChangedEventHandler;
struct ICoreWebView2HttpRequestHeaders;
struct ICoreWebView2HttpResponseHeaders;
struct ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler;
struct ICoreWebView2IsDocumentPlayingAudioChangedEventHandler;
struct ICoreWebView2IsMutedChangedEventHandler;
struct ICoreWebView2MoveFocusRequestedEventHandler;
struct ICoreWebView2NavigationCompletedEventHandler;
struct ICoreWebView2NewBrowserVersionAvailableEventHandler;
struct ICoreWebView2PrintCompletedHandler;
struct ICoreWebView2PrintSettings;
struct ICoreWebView2PrintToPdfCompletedHandler;
struct ICoreWebView2PrintToPdfStreamCompletedHandler;
struct ICoreWebView2ProcessFailedEventHandler;
struct ICoreWebView2Profile;
struct ICoreWebView2ScriptDialogOpeningEventHandler;
struct ICoreWebView2ServerCertificateErrorDetectedEventHandler;
struct ICoreWebView2SourceChangedEventHandler;
struct ICoreWebView2StatusBarTextChangedEventHandler;
struct ICoreWebView2TrySuspendCompletedHandler;
struct ICoreWebView2WebResourceResponseReceivedEventHandler;
struct ICoreWebView2WindowCloseRequestedEventHandler;
struct ICoreWebView2WindowFeatures;
struct ICoreWebView2ZoomFactorChangedEventHandler;

// --- Slots, in vtable order after IUnknown's three ----------------------------------------------

// clang-format off
#define TAVREL_WV2_ICoreWebView2EnvironmentOptions(X) \
  X(get_AdditionalBrowserArguments, (LPWSTR* value)) \
  X(put_AdditionalBrowserArguments, (LPCWSTR value)) \
  X(get_Language, (LPWSTR* value)) \
  X(put_Language, (LPCWSTR value)) \
  X(get_TargetCompatibleBrowserVersion, (LPWSTR* value)) \
  X(put_TargetCompatibleBrowserVersion, (LPCWSTR value)) \
  X(get_AllowSingleSignOnUsingOSPrimaryAccount, (BOOL* allow)) \
  X(put_AllowSingleSignOnUsingOSPrimaryAccount, (BOOL allow))

#define TAVREL_WV2_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler(X) \
  X(Invoke, (HRESULT errorCode, ICoreWebView2Environment* result))

#define TAVREL_WV2_ICoreWebView2Environment(X) \
  X(CreateCoreWebView2Controller, \
    (HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)) \
  X(CreateWebResourceResponse, (IStream* content, int statusCode, LPCWSTR reasonPhrase, \
                                LPCWSTR headers, ICoreWebView2WebResourceResponse** response)) \
  X(get_BrowserVersionString, (LPWSTR* versionInfo)) \
  X(add_NewBrowserVersionAvailable, \
    (ICoreWebView2NewBrowserVersionAvailableEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_NewBrowserVersionAvailable, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler(X) \
  X(Invoke, (HRESULT errorCode, ICoreWebView2Controller* result))

#define TAVREL_WV2_ICoreWebView2Controller(X) \
  X(get_IsVisible, (BOOL* isVisible)) \
  X(put_IsVisible, (BOOL isVisible)) \
  X(get_Bounds, (RECT* bounds)) \
  X(put_Bounds, (RECT bounds)) \
  X(get_ZoomFactor, (double* zoomFactor)) \
  X(put_ZoomFactor, (double zoomFactor)) \
  X(add_ZoomFactorChanged, (ICoreWebView2ZoomFactorChangedEventHandler* eventHandler, \
                            EventRegistrationToken* token)) \
  X(remove_ZoomFactorChanged, (EventRegistrationToken token)) \
  X(SetBoundsAndZoomFactor, (RECT bounds, double zoomFactor)) \
  X(MoveFocus, (COREWEBVIEW2_MOVE_FOCUS_REASON reason)) \
  X(add_MoveFocusRequested, (ICoreWebView2MoveFocusRequestedEventHandler* eventHandler, \
                             EventRegistrationToken* token)) \
  X(remove_MoveFocusRequested, (EventRegistrationToken token)) \
  X(add_GotFocus, (ICoreWebView2FocusChangedEventHandler* eventHandler, \
                   EventRegistrationToken* token)) \
  X(remove_GotFocus, (EventRegistrationToken token)) \
  X(add_LostFocus, (ICoreWebView2FocusChangedEventHandler* eventHandler, \
                    EventRegistrationToken* token)) \
  X(remove_LostFocus, (EventRegistrationToken token)) \
  X(add_AcceleratorKeyPressed, (ICoreWebView2AcceleratorKeyPressedEventHandler* eventHandler, \
                                EventRegistrationToken* token)) \
  X(remove_AcceleratorKeyPressed, (EventRegistrationToken token)) \
  X(get_ParentWindow, (HWND* parentWindow)) \
  X(put_ParentWindow, (HWND parentWindow)) \
  X(NotifyParentWindowPositionChanged, ()) \
  X(Close, ()) \
  X(get_CoreWebView2, (ICoreWebView2** coreWebView2))

#define TAVREL_WV2_ICoreWebView2Controller2(X) \
  X(get_DefaultBackgroundColor, (COREWEBVIEW2_COLOR* value)) \
  X(put_DefaultBackgroundColor, (COREWEBVIEW2_COLOR value))

#define TAVREL_WV2_ICoreWebView2(X) \
  X(get_Settings, (ICoreWebView2Settings** settings)) \
  X(get_Source, (LPWSTR* uri)) \
  X(Navigate, (LPCWSTR uri)) \
  X(NavigateToString, (LPCWSTR htmlContent)) \
  X(add_NavigationStarting, (ICoreWebView2NavigationStartingEventHandler* eventHandler, \
                             EventRegistrationToken* token)) \
  X(remove_NavigationStarting, (EventRegistrationToken token)) \
  X(add_ContentLoading, (ICoreWebView2ContentLoadingEventHandler* eventHandler, \
                         EventRegistrationToken* token)) \
  X(remove_ContentLoading, (EventRegistrationToken token)) \
  X(add_SourceChanged, (ICoreWebView2SourceChangedEventHandler* eventHandler, \
                        EventRegistrationToken* token)) \
  X(remove_SourceChanged, (EventRegistrationToken token)) \
  X(add_HistoryChanged, (ICoreWebView2HistoryChangedEventHandler* eventHandler, \
                         EventRegistrationToken* token)) \
  X(remove_HistoryChanged, (EventRegistrationToken token)) \
  X(add_NavigationCompleted, (ICoreWebView2NavigationCompletedEventHandler* eventHandler, \
                              EventRegistrationToken* token)) \
  X(remove_NavigationCompleted, (EventRegistrationToken token)) \
  X(add_FrameNavigationStarting, (ICoreWebView2NavigationStartingEventHandler* eventHandler, \
                                  EventRegistrationToken* token)) \
  X(remove_FrameNavigationStarting, (EventRegistrationToken token)) \
  X(add_FrameNavigationCompleted, (ICoreWebView2NavigationCompletedEventHandler* eventHandler, \
                                   EventRegistrationToken* token)) \
  X(remove_FrameNavigationCompleted, (EventRegistrationToken token)) \
  X(add_ScriptDialogOpening, (ICoreWebView2ScriptDialogOpeningEventHandler* eventHandler, \
                              EventRegistrationToken* token)) \
  X(remove_ScriptDialogOpening, (EventRegistrationToken token)) \
  X(add_PermissionRequested, (ICoreWebView2PermissionRequestedEventHandler* eventHandler, \
                              EventRegistrationToken* token)) \
  X(remove_PermissionRequested, (EventRegistrationToken token)) \
  X(add_ProcessFailed, (ICoreWebView2ProcessFailedEventHandler* eventHandler, \
                        EventRegistrationToken* token)) \
  X(remove_ProcessFailed, (EventRegistrationToken token)) \
  X(AddScriptToExecuteOnDocumentCreated, \
    (LPCWSTR javaScript, \
     ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler)) \
  X(RemoveScriptToExecuteOnDocumentCreated, (LPCWSTR id)) \
  X(ExecuteScript, (LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler)) \
  X(CapturePreview, (COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream, \
                     ICoreWebView2CapturePreviewCompletedHandler* handler)) \
  X(Reload, ()) \
  X(PostWebMessageAsJson, (LPCWSTR webMessageAsJson)) \
  X(PostWebMessageAsString, (LPCWSTR webMessageAsString)) \
  X(add_WebMessageReceived, (ICoreWebView2WebMessageReceivedEventHandler* handler, \
                             EventRegistrationToken* token)) \
  X(remove_WebMessageReceived, (EventRegistrationToken token)) \
  X(CallDevToolsProtocolMethod, \
    (LPCWSTR methodName, LPCWSTR parametersAsJson, \
     ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler)) \
  X(get_BrowserProcessId, (UINT32* value)) \
  X(get_CanGoBack, (BOOL* canGoBack)) \
  X(get_CanGoForward, (BOOL* canGoForward)) \
  X(GoBack, ()) \
  X(GoForward, ()) \
  X(GetDevToolsProtocolEventReceiver, (LPCWSTR eventName, \
                                       ICoreWebView2DevToolsProtocolEventReceiver** receiver)) \
  X(Stop, ()) \
  X(add_NewWindowRequested, (ICoreWebView2NewWindowRequestedEventHandler* eventHandler, \
                             EventRegistrationToken* token)) \
  X(remove_NewWindowRequested, (EventRegistrationToken token)) \
  X(add_DocumentTitleChanged, (ICoreWebView2DocumentTitleChangedEventHandler* eventHandler, \
                               EventRegistrationToken* token)) \
  X(remove_DocumentTitleChanged, (EventRegistrationToken token)) \
  X(get_DocumentTitle, (LPWSTR* title)) \
  X(AddHostObjectToScript, (LPCWSTR name, VARIANT* object)) \
  X(RemoveHostObjectFromScript, (LPCWSTR name)) \
  X(OpenDevToolsWindow, ()) \
  X(add_ContainsFullScreenElementChanged, \
    (ICoreWebView2ContainsFullScreenElementChangedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_ContainsFullScreenElementChanged, (EventRegistrationToken token)) \
  X(get_ContainsFullScreenElement, (BOOL* containsFullScreenElement)) \
  X(add_WebResourceRequested, (ICoreWebView2WebResourceRequestedEventHandler* eventHandler, \
                               EventRegistrationToken* token)) \
  X(remove_WebResourceRequested, (EventRegistrationToken token)) \
  X(AddWebResourceRequestedFilter, (const LPCWSTR uri, \
                                    const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext)) \
  X(RemoveWebResourceRequestedFilter, (const LPCWSTR uri, \
                                       const COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext)) \
  X(add_WindowCloseRequested, (ICoreWebView2WindowCloseRequestedEventHandler* eventHandler, \
                               EventRegistrationToken* token)) \
  X(remove_WindowCloseRequested, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2_2(X) \
  X(add_WebResourceResponseReceived, \
    (ICoreWebView2WebResourceResponseReceivedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_WebResourceResponseReceived, (EventRegistrationToken token)) \
  X(NavigateWithWebResourceRequest, (ICoreWebView2WebResourceRequest* request)) \
  X(add_DOMContentLoaded, (ICoreWebView2DOMContentLoadedEventHandler* eventHandler, \
                           EventRegistrationToken* token)) \
  X(remove_DOMContentLoaded, (EventRegistrationToken token)) \
  X(get_CookieManager, (ICoreWebView2CookieManager** cookieManager)) \
  X(get_Environment, (ICoreWebView2Environment** environment))

#define TAVREL_WV2_ICoreWebView2_3(X) \
  X(TrySuspend, (ICoreWebView2TrySuspendCompletedHandler* handler)) \
  X(Resume, ()) \
  X(get_IsSuspended, (BOOL* isSuspended)) \
  X(SetVirtualHostNameToFolderMapping, (LPCWSTR hostName, LPCWSTR folderPath, \
                                        COREWEBVIEW2_HOST_RESOURCE_ACCESS_KIND accessKind)) \
  X(ClearVirtualHostNameToFolderMapping, (LPCWSTR hostName))

#define TAVREL_WV2_ICoreWebView2_4(X) \
  X(add_FrameCreated, (ICoreWebView2FrameCreatedEventHandler* eventHandler, \
                       EventRegistrationToken* token)) \
  X(remove_FrameCreated, (EventRegistrationToken token)) \
  X(add_DownloadStarting, (ICoreWebView2DownloadStartingEventHandler* eventHandler, \
                           EventRegistrationToken* token)) \
  X(remove_DownloadStarting, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2_5(X) \
  X(add_ClientCertificateRequested, \
    (ICoreWebView2ClientCertificateRequestedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_ClientCertificateRequested, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2_6(X) \
  X(OpenTaskManagerWindow, ())

#define TAVREL_WV2_ICoreWebView2_7(X) \
  X(PrintToPdf, (LPCWSTR ResultFilePath, ICoreWebView2PrintSettings* printSettings, \
                 ICoreWebView2PrintToPdfCompletedHandler* handler))

#define TAVREL_WV2_ICoreWebView2_8(X) \
  X(add_IsMutedChanged, (ICoreWebView2IsMutedChangedEventHandler* eventHandler, \
                         EventRegistrationToken* token)) \
  X(remove_IsMutedChanged, (EventRegistrationToken token)) \
  X(get_IsMuted, (BOOL* value)) \
  X(put_IsMuted, (BOOL value)) \
  X(add_IsDocumentPlayingAudioChanged, \
    (ICoreWebView2IsDocumentPlayingAudioChangedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_IsDocumentPlayingAudioChanged, (EventRegistrationToken token)) \
  X(get_IsDocumentPlayingAudio, (BOOL* value))

#define TAVREL_WV2_ICoreWebView2_9(X) \
  X(add_IsDefaultDownloadDialogOpenChanged, \
    (ICoreWebView2IsDefaultDownloadDialogOpenChangedEventHandler* handler, \
     EventRegistrationToken* token)) \
  X(remove_IsDefaultDownloadDialogOpenChanged, (EventRegistrationToken token)) \
  X(get_IsDefaultDownloadDialogOpen, (BOOL* value)) \
  X(OpenDefaultDownloadDialog, ()) \
  X(CloseDefaultDownloadDialog, ()) \
  X(get_DefaultDownloadDialogCornerAlignment, \
    (COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT* value)) \
  X(put_DefaultDownloadDialogCornerAlignment, \
    (COREWEBVIEW2_DEFAULT_DOWNLOAD_DIALOG_CORNER_ALIGNMENT value)) \
  X(get_DefaultDownloadDialogMargin, (POINT* value)) \
  X(put_DefaultDownloadDialogMargin, (POINT value))

#define TAVREL_WV2_ICoreWebView2_10(X) \
  X(add_BasicAuthenticationRequested, \
    (ICoreWebView2BasicAuthenticationRequestedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_BasicAuthenticationRequested, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2_11(X) \
  X(CallDevToolsProtocolMethodForSession, \
    (LPCWSTR sessionId, LPCWSTR methodName, LPCWSTR parametersAsJson, \
     ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler)) \
  X(add_ContextMenuRequested, (ICoreWebView2ContextMenuRequestedEventHandler* eventHandler, \
                               EventRegistrationToken* token)) \
  X(remove_ContextMenuRequested, (EventRegistrationToken token))

#define TAVREL_WV2_ICoreWebView2_12(X) \
  X(add_StatusBarTextChanged, (ICoreWebView2StatusBarTextChangedEventHandler* eventHandler, \
                               EventRegistrationToken* token)) \
  X(remove_StatusBarTextChanged, (EventRegistrationToken token)) \
  X(get_StatusBarText, (LPWSTR* value))

#define TAVREL_WV2_ICoreWebView2_13(X) \
  X(get_Profile, (ICoreWebView2Profile** value))

#define TAVREL_WV2_ICoreWebView2_14(X) \
  X(add_ServerCertificateErrorDetected, \
    (ICoreWebView2ServerCertificateErrorDetectedEventHandler* eventHandler, \
     EventRegistrationToken* token)) \
  X(remove_ServerCertificateErrorDetected, (EventRegistrationToken token)) \
  X(ClearServerCertificateErrorActions, \
    (ICoreWebView2ClearServerCertificateErrorActionsCompletedHandler* handler))

#define TAVREL_WV2_ICoreWebView2_15(X) \
  X(add_FaviconChanged, (ICoreWebView2FaviconChangedEventHandler* eventHandler, \
                         EventRegistrationToken* token)) \
  X(remove_FaviconChanged, (EventRegistrationToken token)) \
  X(get_FaviconUri, (LPWSTR* value)) \
  X(GetFavicon, (COREWEBVIEW2_FAVICON_IMAGE_FORMAT format, \
                 ICoreWebView2GetFaviconCompletedHandler* completedHandler))

#define TAVREL_WV2_ICoreWebView2_16(X) \
  X(Print, (ICoreWebView2PrintSettings* printSettings, \
            ICoreWebView2PrintCompletedHandler* handler)) \
  X(ShowPrintUI, (COREWEBVIEW2_PRINT_DIALOG_KIND printDialogKind)) \
  X(PrintToPdfStream, (ICoreWebView2PrintSettings* printSettings, \
                       ICoreWebView2PrintToPdfStreamCompletedHandler* handler))

#define TAVREL_WV2_ICoreWebView2Settings(X) \
  X(get_IsScriptEnabled, (BOOL* isScriptEnabled)) \
  X(put_IsScriptEnabled, (BOOL isScriptEnabled)) \
  X(get_IsWebMessageEnabled, (BOOL* isWebMessageEnabled)) \
  X(put_IsWebMessageEnabled, (BOOL isWebMessageEnabled)) \
  X(get_AreDefaultScriptDialogsEnabled, (BOOL* areDefaultScriptDialogsEnabled)) \
  X(put_AreDefaultScriptDialogsEnabled, (BOOL areDefaultScriptDialogsEnabled)) \
  X(get_IsStatusBarEnabled, (BOOL* isStatusBarEnabled)) \
  X(put_IsStatusBarEnabled, (BOOL isStatusBarEnabled)) \
  X(get_AreDevToolsEnabled, (BOOL* areDevToolsEnabled)) \
  X(put_AreDevToolsEnabled, (BOOL areDevToolsEnabled)) \
  X(get_AreDefaultContextMenusEnabled, (BOOL* enabled)) \
  X(put_AreDefaultContextMenusEnabled, (BOOL enabled)) \
  X(get_AreHostObjectsAllowed, (BOOL* allowed)) \
  X(put_AreHostObjectsAllowed, (BOOL allowed)) \
  X(get_IsZoomControlEnabled, (BOOL* enabled)) \
  X(put_IsZoomControlEnabled, (BOOL enabled)) \
  X(get_IsBuiltInErrorPageEnabled, (BOOL* enabled)) \
  X(put_IsBuiltInErrorPageEnabled, (BOOL enabled))

#define TAVREL_WV2_ICoreWebView2Settings2(X) \
  X(get_UserAgent, (LPWSTR* value)) \
  X(put_UserAgent, (LPCWSTR value))

#define TAVREL_WV2_ICoreWebView2Settings3(X) \
  X(get_AreBrowserAcceleratorKeysEnabled, (BOOL* value)) \
  X(put_AreBrowserAcceleratorKeysEnabled, (BOOL value))

#define TAVREL_WV2_ICoreWebView2WebMessageReceivedEventHandler(X) \
  X(Invoke, (ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args))

#define TAVREL_WV2_ICoreWebView2WebMessageReceivedEventArgs(X) \
  X(get_Source, (LPWSTR* value)) \
  X(get_WebMessageAsJson, (LPWSTR* value)) \
  X(TryGetWebMessageAsString, (LPWSTR* value))

#define TAVREL_WV2_ICoreWebView2NavigationStartingEventHandler(X) \
  X(Invoke, (ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args))

#define TAVREL_WV2_ICoreWebView2NavigationStartingEventArgs(X) \
  X(get_Uri, (LPWSTR* uri)) \
  X(get_IsUserInitiated, (BOOL* isUserInitiated)) \
  X(get_IsRedirected, (BOOL* isRedirected)) \
  X(get_RequestHeaders, (ICoreWebView2HttpRequestHeaders** requestHeaders)) \
  X(get_Cancel, (BOOL* cancel)) \
  X(put_Cancel, (BOOL cancel)) \
  X(get_NavigationId, (UINT64* navigationId))

#define TAVREL_WV2_ICoreWebView2NewWindowRequestedEventHandler(X) \
  X(Invoke, (ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args))

#define TAVREL_WV2_ICoreWebView2NewWindowRequestedEventArgs(X) \
  X(get_Uri, (LPWSTR* uri)) \
  X(put_NewWindow, (ICoreWebView2* newWindow)) \
  X(get_NewWindow, (ICoreWebView2** newWindow)) \
  X(put_Handled, (BOOL handled)) \
  X(get_Handled, (BOOL* handled)) \
  X(get_IsUserInitiated, (BOOL* isUserInitiated)) \
  X(GetDeferral, (ICoreWebView2Deferral** deferral)) \
  X(get_WindowFeatures, (ICoreWebView2WindowFeatures** value))

#define TAVREL_WV2_ICoreWebView2PermissionRequestedEventHandler(X) \
  X(Invoke, (ICoreWebView2* sender, ICoreWebView2PermissionRequestedEventArgs* args))

#define TAVREL_WV2_ICoreWebView2PermissionRequestedEventArgs(X) \
  X(get_Uri, (LPWSTR* uri)) \
  X(get_PermissionKind, (COREWEBVIEW2_PERMISSION_KIND* permissionKind)) \
  X(get_IsUserInitiated, (BOOL* isUserInitiated)) \
  X(get_State, (COREWEBVIEW2_PERMISSION_STATE* state)) \
  X(put_State, (COREWEBVIEW2_PERMISSION_STATE state)) \
  X(GetDeferral, (ICoreWebView2Deferral** deferral))

#define TAVREL_WV2_ICoreWebView2WebResourceRequestedEventHandler(X) \
  X(Invoke, (ICoreWebView2* sender, ICoreWebView2WebResourceRequestedEventArgs* args))

#define TAVREL_WV2_ICoreWebView2WebResourceRequestedEventArgs(X) \
  X(get_Request, (ICoreWebView2WebResourceRequest** request)) \
  X(get_Response, (ICoreWebView2WebResourceResponse** response)) \
  X(put_Response, (ICoreWebView2WebResourceResponse* response)) \
  X(GetDeferral, (ICoreWebView2Deferral** deferral)) \
  X(get_ResourceContext, (COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context))

#define TAVREL_WV2_ICoreWebView2WebResourceRequest(X) \
  X(get_Uri, (LPWSTR* uri)) \
  X(put_Uri, (LPCWSTR uri)) \
  X(get_Method, (LPWSTR* method)) \
  X(put_Method, (LPCWSTR method)) \
  X(get_Content, (IStream** content)) \
  X(put_Content, (IStream* content)) \
  X(get_Headers, (ICoreWebView2HttpRequestHeaders** headers))

#define TAVREL_WV2_ICoreWebView2WebResourceResponse(X) \
  X(get_Content, (IStream** content)) \
  X(put_Content, (IStream* content)) \
  X(get_Headers, (ICoreWebView2HttpResponseHeaders** headers)) \
  X(get_StatusCode, (int* statusCode)) \
  X(put_StatusCode, (int statusCode)) \
  X(get_ReasonPhrase, (LPWSTR* reasonPhrase)) \
  X(put_ReasonPhrase, (LPCWSTR reasonPhrase))

#define TAVREL_WV2_ICoreWebView2CallDevToolsProtocolMethodCompletedHandler(X) \
  X(Invoke, (HRESULT errorCode, LPCWSTR result))

#define TAVREL_WV2_ICoreWebView2Deferral(X) \
  X(Complete, ())
// clang-format on

// --- The interfaces, their identifiers and the identifier lookup ------------------------------

namespace tavrel::win {
// The identifier of interface I, for QueryInterface calls and answers.
template <typename I>
constexpr const IID& iid_of();
}  // namespace tavrel::win

#define TAVREL_WV2_SLOT(name, params) virtual HRESULT STDMETHODCALLTYPE name params = 0;
#define TAVREL_WV2_INTERFACE(I, Base, ...)        \
  struct I : public Base {                        \
    TAVREL_WV2_##I(TAVREL_WV2_SLOT)               \
  };                                              \
  inline constexpr IID IID_##I = __VA_ARGS__;     \
  template <>                                     \
  constexpr const IID& tavrel::win::iid_of<I>() { \
    return IID_##I;                               \
  }

TAVREL_WV2_INTERFACE(ICoreWebView2EnvironmentOptions, IUnknown,
                     {0x2FDE08A8, 0x1E9A, 0x4766, {0x8C, 0x05, 0x95, 0xA9, 0xCE, 0xB9, 0xD1, 0xC5}})
TAVREL_WV2_INTERFACE(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, IUnknown,
                     {0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}})
TAVREL_WV2_INTERFACE(ICoreWebView2Environment, IUnknown,
                     {0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}})
TAVREL_WV2_INTERFACE(ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, IUnknown,
                     {0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}})
TAVREL_WV2_INTERFACE(ICoreWebView2Controller, IUnknown,
                     {0x4D00C0D1, 0x9434, 0x4EB6, {0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}})
TAVREL_WV2_INTERFACE(ICoreWebView2Controller2, ICoreWebView2Controller,
                     {0xC979903E, 0xD4CA, 0x4228, {0x92, 0xEB, 0x47, 0xEE, 0x3F, 0xA9, 0x6E, 0xAB}})
TAVREL_WV2_INTERFACE(ICoreWebView2, IUnknown,
                     {0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}})
TAVREL_WV2_INTERFACE(ICoreWebView2_2, ICoreWebView2,
                     {0x9E8F0CF8, 0xE670, 0x4B5E, {0xB2, 0xBC, 0x73, 0xE0, 0x61, 0xE3, 0x18, 0x4C}})
TAVREL_WV2_INTERFACE(ICoreWebView2_3, ICoreWebView2_2,
                     {0xA0D6DF20, 0x3B92, 0x416D, {0xAA, 0x0C, 0x43, 0x7A, 0x9C, 0x72, 0x78, 0x57}})
TAVREL_WV2_INTERFACE(ICoreWebView2_4, ICoreWebView2_3,
                     {0x20D02D59, 0x6DF2, 0x42DC, {0xBD, 0x06, 0xF9, 0x8A, 0x69, 0x4B, 0x13, 0x02}})
TAVREL_WV2_INTERFACE(ICoreWebView2_5, ICoreWebView2_4,
                     {0xBEDB11B8, 0xD63C, 0x11EB, {0xB8, 0xBC, 0x02, 0x42, 0xAC, 0x13, 0x00, 0x03}})
TAVREL_WV2_INTERFACE(ICoreWebView2_6, ICoreWebView2_5,
                     {0x499AADAC, 0xD92C, 0x4589, {0x8A, 0x75, 0x11, 0x1B, 0xFC, 0x16, 0x77, 0x95}})
TAVREL_WV2_INTERFACE(ICoreWebView2_7, ICoreWebView2_6,
                     {0x79C24D83, 0x09A3, 0x45AE, {0x94, 0x18, 0x48, 0x7F, 0x32, 0xA5, 0x87, 0x40}})
TAVREL_WV2_INTERFACE(ICoreWebView2_8, ICoreWebView2_7,
                     {0xE9632730, 0x6E1E, 0x43AB, {0xB7, 0xB8, 0x7B, 0x2C, 0x9E, 0x62, 0xE0, 0x94}})
TAVREL_WV2_INTERFACE(ICoreWebView2_9, ICoreWebView2_8,
                     {0x4D7B2EAB, 0x9FDC, 0x468D, {0xB9, 0x98, 0xA9, 0x26, 0x0B, 0x5E, 0xD6, 0x51}})
TAVREL_WV2_INTERFACE(ICoreWebView2_10, ICoreWebView2_9,
                     {0xB1690564, 0x6F5A, 0x4983, {0x8E, 0x48, 0x31, 0xD1, 0x14, 0x3F, 0xEC, 0xDB}})
TAVREL_WV2_INTERFACE(ICoreWebView2_11, ICoreWebView2_10,
                     {0x0BE78E56, 0xC193, 0x4051, {0xB9, 0x43, 0x23, 0xB4, 0x60, 0xC0, 0x8B, 0xDB}})
TAVREL_WV2_INTERFACE(ICoreWebView2_12, ICoreWebView2_11,
                     {0x35D69927, 0xBCFA, 0x4566, {0x93, 0x49, 0x6B, 0x3E, 0x0D, 0x15, 0x4C, 0xAC}})
TAVREL_WV2_INTERFACE(ICoreWebView2_13, ICoreWebView2_12,
                     {0xF75F09A8, 0x667E, 0x4983, {0x88, 0xD6, 0xC8, 0x77, 0x3F, 0x31, 0x5E, 0x84}})
TAVREL_WV2_INTERFACE(ICoreWebView2_14, ICoreWebView2_13,
                     {0x6DAA4F10, 0x4A90, 0x4753, {0x88, 0x98, 0x77, 0xC5, 0xDF, 0x53, 0x41, 0x65}})
TAVREL_WV2_INTERFACE(ICoreWebView2_15, ICoreWebView2_14,
                     {0x517B2D1D, 0x7DAE, 0x4A66, {0xA4, 0xF4, 0x10, 0x35, 0x2F, 0xFB, 0x95, 0x18}})
TAVREL_WV2_INTERFACE(ICoreWebView2_16, ICoreWebView2_15,
                     {0x0EB34DC9, 0x9F91, 0x41E1, {0x86, 0x39, 0x95, 0xCD, 0x59, 0x43, 0x90, 0x6B}})
TAVREL_WV2_INTERFACE(ICoreWebView2Settings, IUnknown,
                     {0xE562E4F0, 0xD7FA, 0x43AC, {0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}})
TAVREL_WV2_INTERFACE(ICoreWebView2Settings2, ICoreWebView2Settings,
                     {0xEE9A0F68, 0xF46C, 0x4E32, {0xAC, 0x23, 0xEF, 0x8C, 0xAC, 0x22, 0x4D, 0x2A}})
TAVREL_WV2_INTERFACE(ICoreWebView2Settings3, ICoreWebView2Settings2,
                     {0xFDB5AB74, 0xAF33, 0x4854, {0x84, 0xF0, 0x0A, 0x63, 0x1D, 0xEB, 0x5E, 0xBA}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebMessageReceivedEventHandler, IUnknown,
                     {0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebMessageReceivedEventArgs, IUnknown,
                     {0x0F99A40C, 0xE962, 0x4207, {0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}})
TAVREL_WV2_INTERFACE(ICoreWebView2NavigationStartingEventHandler, IUnknown,
                     {0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}})
TAVREL_WV2_INTERFACE(ICoreWebView2NavigationStartingEventArgs, IUnknown,
                     {0x5B495469, 0xE119, 0x438A, {0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}})
TAVREL_WV2_INTERFACE(ICoreWebView2NewWindowRequestedEventHandler, IUnknown,
                     {0xD4C185FE, 0xC81C, 0x4989, {0x97, 0xAF, 0x2D, 0x3F, 0xA7, 0xAB, 0x56, 0x51}})
TAVREL_WV2_INTERFACE(ICoreWebView2NewWindowRequestedEventArgs, IUnknown,
                     {0x34ACB11C, 0xFC37, 0x4418, {0x91, 0x32, 0xF9, 0xC2, 0x1D, 0x1E, 0xAF, 0xB9}})
TAVREL_WV2_INTERFACE(ICoreWebView2PermissionRequestedEventHandler, IUnknown,
                     {0x15E1C6A3, 0xC72A, 0x4DF3, {0x91, 0xD7, 0xD0, 0x97, 0xFB, 0xEC, 0x6B, 0xFD}})
TAVREL_WV2_INTERFACE(ICoreWebView2PermissionRequestedEventArgs, IUnknown,
                     {0x973AE2EF, 0xFF18, 0x4894, {0x8F, 0xB2, 0x3C, 0x75, 0x8F, 0x04, 0x68, 0x10}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebResourceRequestedEventHandler, IUnknown,
                     {0xAB00B74C, 0x15F1, 0x4646, {0x80, 0xE8, 0xE7, 0x63, 0x41, 0xD2, 0x5D, 0x71}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebResourceRequestedEventArgs, IUnknown,
                     {0x453E667F, 0x12C7, 0x49D4, {0xBE, 0x6D, 0xDD, 0xBE, 0x79, 0x56, 0xF5, 0x7A}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebResourceRequest, IUnknown,
                     {0x97055CD4, 0x512C, 0x4264, {0x8B, 0x5F, 0xE3, 0xF4, 0x46, 0xCE, 0xA6, 0xA5}})
TAVREL_WV2_INTERFACE(ICoreWebView2WebResourceResponse, IUnknown,
                     {0xAAFCC94F, 0xFA27, 0x48FD, {0x97, 0xDF, 0x83, 0x0E, 0xF7, 0x5A, 0xAE, 0xC9}})
TAVREL_WV2_INTERFACE(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler, IUnknown,
                     {0x5C4889F0, 0x5EF6, 0x4C5A, {0x95, 0x2C, 0xD8, 0xF1, 0xB9, 0x2D, 0x05, 0x74}})
TAVREL_WV2_INTERFACE(ICoreWebView2Deferral, IUnknown,
                     {0xC10E7F7B, 0xB585, 0x46F0, {0xA6, 0x23, 0x8B, 0xEF, 0xBF, 0x3E, 0x4E, 0xE0}})

#undef TAVREL_WV2_INTERFACE
#undef TAVREL_WV2_SLOT

// The one loader export the program looks up (C linkage, undecorated on x64).
using CreateCoreWebView2EnvironmentWithOptionsFn = HRESULT(STDMETHODCALLTYPE*)(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);
