// UTF-8 <-> GBK with iconv, for the stand-in tools (the core itself never converts: it keeps
// GBK bytes throughout).
#pragma once

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvel::tools {

// Converts whole texts; a byte that has no form in the target is an error, never dropped.
class Converter {
  public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // nullopt-free: throws std::runtime_error on an invalid or unconvertible sequence.
    std::string operator()(std::string_view in) const {
        std::string out(in.size() * 2 + 16, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t done = 0;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        while (srcLeft > 0) {
            char* dst = out.data() + done;
            std::size_t dstLeft = out.size() - done;
            const std::size_t rc = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            done = out.size() - dstLeft;
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            throw std::runtime_error("text is not valid in the source encoding at byte " +
                                     std::to_string(in.size() - srcLeft));
        }
        out.resize(done);
        return out;
    }

  private:
    iconv_t m_cd;
};

inline std::string Utf8ToGbk(std::string_view utf8) {
    thread_local Converter convert("GBK", "UTF-8");
    return convert(utf8);
}

inline std::string GbkToUtf8(std::string_view gbk) {
    thread_local Converter convert("UTF-8", "GBK");
    return convert(gbk);
}

} // namespace quorvel::tools
