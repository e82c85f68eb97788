#include "Win32TestSupport.h"

#include "standin-im-win32/StandinProtocol.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace quorvel::win32test {
namespace {

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

DWORD toRegType(ValueType type) {
    switch (type) {
    case ValueType::String:
        return REG_SZ;
    case ValueType::ExpandString:
        return REG_EXPAND_SZ;
    case ValueType::Dword:
        return REG_DWORD;
    case ValueType::Binary:
        return REG_BINARY;
    case ValueType::MultiString:
        return REG_MULTI_SZ;
    }
    return REG_NONE;
}

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const std::string pattern = folder + "\\*";
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string child = folder + "\\" + name;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

std::string ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD got =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (got < buffer.size()) {
            return folderOf(std::string(buffer.data(), got));
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string SiblingProgram(std::string_view name) {
    return ProgramFolder() + "\\" + std::string(name);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

ScratchFolder::ScratchFolder(std::string_view tag) {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string base = temp;
    if (!base.empty() && base.back() == '\\') {
        base.pop_back();
    }
    m_path = base + "\\Quorvel Test " + std::to_string(GetCurrentProcessId()) + " " +
             std::to_string(counter++) + " " + std::string(tag);
    removeTree(m_path);
    MakeFolder(m_path);
}

ScratchFolder::~ScratchFolder() {
    removeTree(m_path);
}

bool SetClassesRootValue(const std::string& keyPath, const char* valueName, ValueType type,
                         std::string_view bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG status = RegSetValueExA(key, valueName, 0, toRegType(type),
                                       reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool CreateClassesRootKey(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

void DeleteClassesRootTree(const std::string& topKey) {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, topKey.c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, topKey.c_str());
}

bool ClassesRootKeyExists(const std::string& keyPath) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

ScratchClassesRootKey::ScratchClassesRootKey() {
    static std::atomic<int> counter{0};
    m_top =
        "QuorvelTest." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++);
    DeleteClassesRootTree(m_top);
}

ScratchClassesRootKey::~ScratchClassesRootKey() {
    DeleteClassesRootTree(m_top);
}

std::string ScratchClassesRootKey::sub(std::string_view relative) const {
    return m_top + "\\" + std::string(relative);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::optional<unsigned long> RunForExitCode(const std::string& commandLine,
                                            std::chrono::milliseconds bound) {
    std::string line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return std::nullopt;
    }
    std::optional<unsigned long> code;
    if (WaitForSingleObject(started.hProcess, static_cast<DWORD>(bound.count())) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(started.hProcess, &exitCode);
        code = exitCode;
    } else {
        TerminateProcess(started.hProcess, 1);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code;
}

void SetEnvironment(const char* name, const std::string& value) {
    SetEnvironmentVariableA(name, value.c_str());
}

InstalledStandin::InstalledStandin() : m_scratch("standin") {
    // Blanks and double-byte characters, as under "Program Files" on a Chinese system.
    const std::string folder = m_scratch.path() + "\\\xB0\xA2\xC0\xEF\xCD\xFA\xCD\xFA IM Client";
    MakeFolder(folder);
    m_program = folder + "\\standin-im-win32.exe";
    CopyFileTo(SiblingProgram("standin-im-win32.exe"), m_program);
    m_transcripts = m_scratch.path() + "\\transcripts";
    MakeFolder(m_transcripts);
    SetEnvironment(standin::kTranscriptFolderVariable, m_transcripts);
}

InstalledStandin::~InstalledStandin() {
    run("/quit");
    // The running instance may hold its own program file open until it has gone.
    WaitUntil([] { return !StandinIsRunning(); }, std::chrono::seconds(10));
}

std::string InstalledStandin::commandLine(std::string_view arguments) const {
    return "\"" + m_program + "\" " + std::string(arguments);
}

bool InstalledStandin::run(std::string_view arguments) const {
    return RunForExitCode(commandLine(arguments), std::chrono::seconds(20)) == 0ul;
}

std::string InstalledStandin::transcriptOf(const std::string& buyerNick) const {
    return ReadFileBytes(m_transcripts + "\\" + standin::TranscriptFileName(buyerNick))
        .value_or(std::string());
}

bool StandinIsRunning() {
    return FindWindowExA(HWND_MESSAGE, nullptr, standin::kServiceWindowClass, nullptr) != nullptr;
}

bool TopLevelExists(const std::string& className, const std::string& title) {
    return FindWindowA(className.c_str(), title.c_str()) != nullptr;
}

} // namespace quorvel::win32test
