// Test child: `probe OUT args...` writes each argument as "<length>:<bytes>\n" to OUT, then a
// line "fds a b ..." naming the descriptors it found open besides the standard ones.
// `probe --sleep` never ends on its own.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--sleep") == 0) {
        for (;;) {
            ::pause();
        }
    }
    if (argc < 2) {
        return 2;
    }
    std::string fds = "fds";
    for (int fd = 3; fd < 1024; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) {
            fds += " " + std::to_string(fd);
        }
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) {
        return 3;
    }
    for (int i = 2; i < argc; ++i) {
        std::fprintf(out, "%zu:%s\n", std::strlen(argv[i]), argv[i]);
    }
    std::fprintf(out, "%s\n", fds.c_str());
    std::fclose(out);
    return 0;
}
