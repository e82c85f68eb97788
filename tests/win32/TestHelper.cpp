// A small console program the Windows tests launch to see what a started process gets:
//   report <file>           writes its command line and how its window is to be shown
//   sleep <ms> <file>       sleeps, then creates the file (proves it kept running)
//   exit <code>             ends at once with the code, opening no window
//   anything else           ends at once, opening no window; with QUORVEL_TEST_HELPER_HANG_MS
//                           set it first sleeps that long (a client that never hands on)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool writeFile(const char* path, const std::string& bytes) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return written == bytes.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "report") == 0) {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        GetStartupInfoA(&startup);
        const bool shown = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
        std::string report = GetCommandLineA();
        report += "\nshow=" + std::to_string(shown ? startup.wShowWindow : -1);
        return writeFile(argv[2], report) ? 0 : 1;
    }
    if (argc >= 4 && std::strcmp(argv[1], "sleep") == 0) {
        Sleep(static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)));
        return writeFile(argv[3], "done") ? 0 : 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "exit") == 0) {
        return std::atoi(argv[2]);
    }
    if (const char* hang = std::getenv("QUORVEL_TEST_HELPER_HANG_MS"); hang != nullptr) {
        Sleep(static_cast<DWORD>(std::strtoul(hang, nullptr, 10)));
    }
    return 100;
}
