// Fixtures for the Windows tests: scratch folders and registry keys that clean up after
// themselves, file helpers, and the stand-in IM client installed into a folder with spaces.
// Kept free of <windows.h>; Win32TestSupport.cpp does the Windows calls.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::win32test {

// The folder of the running program (the build puts every .exe in one folder).
std::string ProgramFolder();
// ProgramFolder() + "\" + name.
std::string SiblingProgram(std::string_view name);

std::optional<std::string> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool CopyFileTo(const std::string& from, const std::string& to);
bool MakeFolder(const std::string& path);

// A fresh folder in the temp folder whose name holds spaces; removed with its content.
class ScratchFolder {
  public:
    explicit ScratchFolder(std::string_view tag);
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
};

enum class ValueType { String, ExpandString, Dword, Binary, MultiString };

// Registry keys under HKEY_CLASSES_ROOT.
bool SetClassesRootValue(const std::string& keyPath, const char* valueName, ValueType type,
                         std::string_view bytes);
bool CreateClassesRootKey(const std::string& keyPath);
void DeleteClassesRootTree(const std::string& topKey);
bool ClassesRootKeyExists(const std::string& keyPath);

// A scratch key "QuorvelTest.<pid>.<n>" under HKEY_CLASSES_ROOT, removed at the end.
class ScratchClassesRootKey {
  public:
    ScratchClassesRootKey();
    ScratchClassesRootKey(const ScratchClassesRootKey&) = delete;
    ScratchClassesRootKey& operator=(const ScratchClassesRootKey&) = delete;
    ~ScratchClassesRootKey();
    const std::string& top() const { return m_top; }
    std::string sub(std::string_view relative) const;

  private:
    std::string m_top;
};

// Polls until `done` holds or the bound has passed; the last answer of `done`.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds bound);

// Runs a command line and waits for its end; the exit code, nullopt when it could not start
// or did not end within the bound (it is then killed: tests leave nothing running).
std::optional<unsigned long> RunForExitCode(const std::string& commandLine,
                                            std::chrono::milliseconds bound);

void SetEnvironment(const char* name, const std::string& value);

// The stand-in IM client copied into "<scratch>\阿里旺旺 IM Client\standin-im-win32.exe" (GBK
// folder name), with its
// transcripts in "<scratch>\transcripts" (through the environment the launches inherit).
// Asks a running stand-in to quit at the end and waits for it to be gone.
class InstalledStandin {
  public:
    InstalledStandin();
    InstalledStandin(const InstalledStandin&) = delete;
    InstalledStandin& operator=(const InstalledStandin&) = delete;
    ~InstalledStandin();

    const std::string& program() const { return m_program; }
    const std::string& transcripts() const { return m_transcripts; }
    // The command line that runs the installed stand-in with these arguments.
    std::string commandLine(std::string_view arguments) const;
    bool run(std::string_view arguments) const;
    // The buyer's transcript, empty when nothing was delivered to that buyer.
    std::string transcriptOf(const std::string& buyerNick) const;

  private:
    ScratchFolder m_scratch;
    std::string m_program;
    std::string m_transcripts;
};

// True while a stand-in instance runs (its hidden message window exists).
bool StandinIsRunning();

// True while a top-level window of that class and title exists.
bool TopLevelExists(const std::string& className, const std::string& title);

} // namespace quorvel::win32test
