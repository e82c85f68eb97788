// A small Windows program that stands in for the IM client where it is not installed. It meets
// exactly what Quorvel asks of the client: it registers the "aliim" scheme, takes a chat request
// on its command line, hands it to its running instance and exits; the instance shows a chat
// window "buyer - seller" of class StandardFrame whose fixed walk reaches a real EDIT control,
// where text + Enter lands in the buyer's transcript.
//
//   standin-im-win32.exe /register      register under HKEY_CLASSES_ROOT (as the client does)
//   standin-im-win32.exe /unregister    remove that registration
//   standin-im-win32.exe /quit          end the running instance, closing its windows
//   standin-im-win32.exe aliim:sendmsg?uid=cntaobao<seller>&touid=cntaobao<buyer>
#include "standin-im-win32/StandinProtocol.h"

#include "text/Texts.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace quorvel::standin {
namespace {

constexpr const char* kChatClass = "StandardFrame";
constexpr const char* kPanelClass = "QuorvelStandinPanel";
constexpr const char* kStartMutex = "Local\\QuorvelStandinImStart";
constexpr ULONG_PTR kChatMessage = 1;
constexpr ULONG_PTR kQuitMessage = 2;
constexpr UINT_PTR kIdleTimer = 1;
constexpr DWORD kHandOverBound = 10'000;

std::string programPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got < buffer.size()) {
            return std::string(buffer.data(), got);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string environmentValue(const char* name) {
    const DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::string value(size, '\0');
    const DWORD got = GetEnvironmentVariableA(name, value.data(), size);
    value.resize(got < size ? got : 0);
    return value;
}

std::string transcriptFolder() {
    std::string folder = environmentValue(kTranscriptFolderVariable);
    if (folder.empty()) {
        const std::string program = programPath();
        folder = program.substr(0, program.find_last_of('\\')) + "\\transcripts";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    return folder;
}

HWND findService() {
    return FindWindowExA(HWND_MESSAGE, nullptr, kServiceWindowClass, nullptr);
}

// ---- the running instance --------------------------------------------------------------

struct Chat {
    std::string title;
    std::string buyerNick;
    std::string folder;
};

struct Service {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    UINT idleMs = 5000;
    std::map<HWND, Chat> chats;
    WNDPROC editProc = nullptr;
};

Service g_service;

void armIdleTimer() {
    if (g_service.window != nullptr) {
        SetTimer(g_service.window, kIdleTimer, g_service.idleMs, nullptr);
    }
}

void appendTranscript(const Chat& chat, const std::string& message) {
    const std::string path = chat.folder + "\\" + TranscriptFileName(chat.buyerNick);
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string entry = TranscriptEntry(message);
    DWORD written = 0;
    WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
    CloseHandle(file);
}

// The input control: Enter sends its whole text to the buyer (the transcript) and empties it.
LRESULT CALLBACK inputProc(HWND input, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        const auto chat = g_service.chats.find(GetAncestor(input, GA_ROOT));
        if (chat != g_service.chats.end()) {
            std::string text(static_cast<std::size_t>(GetWindowTextLengthA(input)) + 1, '\0');
            text.resize(static_cast<std::size_t>(
                GetWindowTextA(input, text.data(), static_cast<int>(text.size()))));
            appendTranscript(chat->second, text);
            SetWindowTextA(input, "");
        }
        return 0;
    }
    if (message == WM_CHAR && wParam == '\r') {
        return 0; // a typed Enter already sent; no line break after it
    }
    return CallWindowProcA(g_service.editProc, input, message, wParam, lParam);
}

HWND control(const char* cls, const char* text, DWORD style, HWND parent, int x, int y, int w,
             int h) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent, nullptr,
                           g_service.instance, nullptr);
}

// The window tree the fixed walk expects: the 7th child of the frame holds a panel as its 2nd
// child, whose 3rd child is the input. Every other place holds a control that does not send,
// EDITs among them, so a walk that goes astray delivers nothing.
void buildChatTree(HWND frame) {
    control("STATIC", "Conversation", 0, frame, 8, 8, 200, 16);
    control("BUTTON", "Send file", BS_PUSHBUTTON, frame, 220, 4, 80, 22);
    control("EDIT", "", ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL, frame, 8, 30, 460,
            150);
    control("STATIC", "Buyer", 0, frame, 8, 186, 60, 16);
    control("BUTTON", "Emoticons", BS_PUSHBUTTON, frame, 80, 184, 80, 22);
    control("EDIT", "", ES_AUTOHSCROLL | WS_BORDER, frame, 170, 184, 120, 22);
    HWND inputArea = control(kPanelClass, "", 0, frame, 8, 212, 460, 120);
    control("STATIC", "Status", 0, frame, 8, 336, 200, 16);

    control("STATIC", "Tools", 0, inputArea, 0, 0, 200, 16);
    HWND inputBox = control(kPanelClass, "", 0, inputArea, 0, 18, 460, 80);
    control("BUTTON", "Close", BS_PUSHBUTTON, inputArea, 380, 100, 80, 20);

    control("EDIT", "", ES_AUTOHSCROLL | WS_BORDER, inputBox, 0, 0, 60, 22);
    control("BUTTON", "Send", BS_PUSHBUTTON, inputBox, 380, 56, 80, 22);
    HWND input =
        control("EDIT", "", ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_BORDER | WS_VSCROLL,
                inputBox, 64, 0, 310, 78);
    control("EDIT", "", ES_AUTOHSCROLL | WS_BORDER, inputBox, 380, 0, 80, 22);

    SendMessageA(input, EM_SETLIMITTEXT, 0, 0); // the most the control can hold
    g_service.editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(input, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&inputProc)));
}

void openChat(const std::string& seller, const std::string& buyer, const std::string& folder) {
    KillTimer(g_service.window, kIdleTimer);
    const std::string title = buyer + std::string(text::kChatTitleJoin.gbk) + seller;
    for (auto& [window, chat] : g_service.chats) {
        if (chat.title == title) { // already open: keep it
            chat.folder = folder;
            ShowWindow(window, SW_SHOWNORMAL);
            SetForegroundWindow(window);
            return;
        }
    }
    HWND frame =
        CreateWindowExA(0, kChatClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 490, 390, nullptr, nullptr, g_service.instance, nullptr);
    if (frame == nullptr) {
        armIdleTimer();
        return;
    }
    g_service.chats[frame] = Chat{title, buyer, folder};
    buildChatTree(frame);
    ShowWindow(frame, SW_SHOWNORMAL);
}

LRESULT CALLBACK chatProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) {
        g_service.chats.erase(frame);
        if (g_service.chats.empty()) {
            armIdleTimer();
        }
    }
    return DefWindowProcA(frame, message, wParam, lParam);
}

// Splits "seller\0buyer\0folder".
std::vector<std::string> fields(const COPYDATASTRUCT& data) {
    const std::string payload(static_cast<const char*>(data.lpData), data.cbData);
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto nul = payload.find('\0', start);
        parts.push_back(payload.substr(start, nul - start));
        if (nul == std::string::npos) {
            return parts;
        }
        start = nul + 1;
    }
}

// Ends the instance. Its message window goes first, so that no launcher hands it a request it
// would never answer; a launcher that comes now starts a new instance.
void stop() {
    HWND service = g_service.window;
    g_service.window = nullptr;
    std::vector<HWND> open;
    for (const auto& entry : g_service.chats) {
        open.push_back(entry.first);
    }
    for (HWND window : open) {
        DestroyWindow(window);
    }
    DestroyWindow(service);
    PostQuitMessage(0);
}

LRESULT CALLBACK serviceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data.dwData == kQuitMessage) {
            stop();
            return TRUE;
        }
        if (data.dwData == kChatMessage && data.lpData != nullptr) {
            const auto parts = fields(data);
            if (parts.size() == 3) {
                openChat(parts[0], parts[1], parts[2]);
                return TRUE;
            }
        }
        return FALSE;
    }
    if (message == WM_TIMER && wParam == kIdleTimer) {
        KillTimer(window, kIdleTimer);
        if (g_service.chats.empty()) {
            stop();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerClass(const char* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = proc;
    cls.hInstance = g_service.instance;
    cls.lpszClassName = name;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = background;
    return RegisterClassA(&cls) != 0;
}

int serve(HINSTANCE instance) {
    g_service.instance = instance;
    const std::string idle = environmentValue(kIdleVariable);
    if (!idle.empty()) {
        g_service.idleMs = static_cast<UINT>(std::strtoul(idle.c_str(), nullptr, 10));
    }
    const auto face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!registerClass(kServiceWindowClass, serviceProc, nullptr) ||
        !registerClass(kChatClass, chatProc, face) ||
        !registerClass(kPanelClass, DefWindowProcA, face)) {
        return 1;
    }
    g_service.window = CreateWindowExA(0, kServiceWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, instance, nullptr);
    if (g_service.window == nullptr) {
        return 1;
    }
    armIdleTimer(); // a launcher that never sends its request must not leave us running
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// ---- the launching process ---------------------------------------------------------------

bool startService() {
    std::string line = "\"" + programPath() + "\" /serve";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    CloseHandle(started.hThread);
    const DWORD begin = GetTickCount();
    bool ready = false;
    while (!(ready = findService() != nullptr) && GetTickCount() - begin < kHandOverBound) {
        if (WaitForSingleObject(started.hProcess, 20) == WAIT_OBJECT_0) {
            ready = findService() != nullptr;
            break;
        }
    }
    CloseHandle(started.hProcess);
    return ready;
}

// The running instance, started first when there is none. A mutex keeps two launchers from
// starting two instances.
HWND runningService() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kStartMutex);
    const bool owned =
        mutex != nullptr && WaitForSingleObject(mutex, kHandOverBound) != WAIT_TIMEOUT;
    HWND service = findService();
    if (service == nullptr && startService()) {
        service = findService();
    }
    if (owned) {
        ReleaseMutex(mutex);
    }
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
    return service;
}

bool sendToService(HWND service, ULONG_PTR kind, const std::string& payload) {
    COPYDATASTRUCT data{};
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = const_cast<char*>(payload.data());
    DWORD_PTR answer = FALSE;
    return SendMessageTimeoutA(service, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_BLOCK,
                               kHandOverBound, &answer) != 0 &&
           answer == TRUE;
}

int handOver(const ChatRequest& request) {
    std::string payload = request.sellerNick;
    payload.push_back('\0');
    payload.append(request.buyerNick).push_back('\0');
    payload.append(transcriptFolder());
    // An instance found just as it ends does not answer: the second try starts a new one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        HWND service = runningService();
        if (service != nullptr && sendToService(service, kChatMessage, payload)) {
            return 0;
        }
        Sleep(100);
    }
    return 3;
}

int quitService() {
    HWND service = findService();
    if (service != nullptr) {
        sendToService(service, kQuitMessage, " ");
    }
    return 0;
}

// ---- registration ------------------------------------------------------------------------

bool setDefaultValue(const char* keyPath, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status =
        RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    if (status == ERROR_SUCCESS && std::string_view(keyPath) == "aliim") {
        RegSetValueExA(key, "URL Protocol", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

int registerSelf() {
    // The client's own form: the program quoted (its folder may hold spaces), then "%1".
    const std::string command = "\"" + programPath() + "\" \"%1\"";
    const std::string key(text::kImRegistryKey.gbk);
    const bool ok =
        setDefaultValue("aliim", "URL:aliim Protocol") && setDefaultValue(key.c_str(), command);
    return ok ? 0 : 1;
}

int unregisterSelf() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, "aliim");
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "aliim");
    return 0;
}

std::string trimmedEnd(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

} // namespace
} // namespace quorvel::standin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace quorvel::standin;
    const std::string arguments = ArgumentsOf(GetCommandLineA());
    const std::string command = trimmedEnd(arguments);
    if (command == "/register") {
        return registerSelf();
    }
    if (command == "/unregister") {
        return unregisterSelf();
    }
    if (command == "/quit") {
        return quitService();
    }
    if (command == "/serve") {
        return findService() != nullptr ? 0 : serve(instance);
    }
    const auto request = ParseChatArguments(arguments);
    return request ? handOver(*request) : 2;
}
