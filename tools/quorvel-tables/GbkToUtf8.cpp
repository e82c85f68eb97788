#include "GbkToUtf8.h"

#include <cerrno>
#include <iconv.h>

namespace quorvel::tools {

namespace {

std::string hexByte(unsigned char c) {
    static const char kHex[] = "0123456789ABCDEF";
    return std::string("\\x") + kHex[c >> 4] + kHex[c & 0x0F];
}

// Owns one iconv descriptor.
class Converter {
  public:
    Converter() : m_cd(iconv_open("UTF-8", "GBK")) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) {
            iconv_close(m_cd);
        }
    }
    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

  private:
    iconv_t m_cd;
};

} // namespace

std::string GbkToUtf8(std::string_view gbk) {
    Converter conv;
    std::string out;
    std::string in(gbk);
    char* src = in.data();
    std::size_t left = in.size();
    while (left > 0) {
        if (!conv.ok()) {
            out += hexByte(static_cast<unsigned char>(*src));
            ++src;
            --left;
            continue;
        }
        char buffer[256];
        char* dst = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t rc = iconv(conv.get(), &src, &left, &dst, &room);
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // An invalid or cut sequence: show the byte, go on with the next one.
            out += hexByte(static_cast<unsigned char>(*src));
            ++src;
            --left;
            iconv(conv.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

} // namespace quorvel::tools
