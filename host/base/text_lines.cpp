#include "host/base/text_lines.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>

namespace gorva::host {

LineReader::LineReader(std::istream &in, const TextLimits &limits) : m_in(in), m_limits(limits) {}

int LineReader::Get() {
    if (m_pendingAt < m_pending.size()) return static_cast<unsigned char>(m_pending[m_pendingAt++]);
    std::streambuf *buf = m_in.rdbuf();
    int c = buf ? buf->sbumpc() : std::char_traits<char>::eof();
    if (c != std::char_traits<char>::eof()) ++m_bytes;
    return c;
}

int LineReader::Peek() {
    if (m_pendingAt < m_pending.size()) return static_cast<unsigned char>(m_pending[m_pendingAt]);
    std::streambuf *buf = m_in.rdbuf();
    return buf ? buf->sgetc() : std::char_traits<char>::eof();
}

void LineReader::SkipByteOrderMark() {
    // A byte-order mark only says that the text is UTF-8; anything else read here is text.
    std::string start;
    for (int i = 0; i < 3; ++i) {
        int c = Get();
        if (c == std::char_traits<char>::eof()) break;
        start += char(c);
    }
    if (start != "\xEF\xBB\xBF") m_pending = start;
}

LineReader::Status LineReader::Next(std::string &line) {
    line.clear();
    const int eof = std::char_traits<char>::eof();
    if (!m_in.rdbuf()) return kReadError;
    if (!m_started) {
        m_started = true;
        SkipByteOrderMark();
    }
    if (Peek() == eof) return kEnd;
    ++m_lineNo;
    for (int c = Get(); c != eof; c = Get()) {
        if (m_bytes > m_limits.maxBytes) return kTooBig;
        if (c == '\n') return kLine;
        if (c == '\r') {
            if (Peek() == '\n') Get();
            return kLine;
        }
        if (c == 0) return kBinary;
        if (line.size() >= m_limits.maxLineBytes) return kTooLong;
        line += char(c);
    }
    return kLine;
}

std::string LineReader::Problem(Status status, const std::string &label, const std::string &what) const {
    std::string where = label + ":" + std::to_string(m_lineNo) + ": ";
    switch (status) {
        case kTooLong:
            return where + "line longer than " + std::to_string(m_limits.maxLineBytes) + " bytes";
        case kTooBig:
            return label + ": larger than " + std::to_string(m_limits.maxBytes) + " bytes";
        case kBinary:
            return where + "binary data, not " + what;
        case kReadError:
            return label + ": read error";
        case kLine:
        case kEnd:
            break;
    }
    return std::string();
}

namespace {

const char *KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a pipe";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "a special file";
}

}  // namespace

InputFile::~InputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

bool InputFile::Open(const std::string &path, std::string &reason) {
    // Non-blocking, so that opening a pipe without a writer does not wait for one.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason = ::fstat(fd, &st) != 0 ? std::strerror(errno)
                                       : std::string("not a regular file (") + KindOf(st.st_mode) + ")";
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    return true;
}

InputFile::int_type InputFile::underflow() {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (m_fd < 0) return traits_type::eof();
    ssize_t n;
    do {
        n = ::read(m_fd, m_buffer, sizeof m_buffer);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return traits_type::eof();
    setg(m_buffer, m_buffer, m_buffer + n);
    return traits_type::to_int_type(*gptr());
}

namespace {

/// Length of the valid UTF-8 sequence at s[i] (1 to 4), or 0 when the byte does not start one.
size_t Utf8Length(const std::string &s, size_t i) {
    auto byte = [&](size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    auto cont = [&](size_t k) { return (byte(k) & 0xC0u) == 0x80u; };
    unsigned c = byte(i);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        unsigned c1 = byte(i + 1);
        bool ok = cont(i + 1) && cont(i + 2) && !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
        return ok ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        unsigned c1 = byte(i + 1);
        bool ok = cont(i + 1) && cont(i + 2) && cont(i + 3) && !(c == 0xF0 && c1 < 0x90) &&
                  !(c == 0xF4 && c1 >= 0x90);
        return ok ? 4 : 0;
    }
    return 0;
}

std::string Escaped(unsigned char c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02x", unsigned(c));
    return buf;
}

}  // namespace

std::string Printable(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8Length(text, i);
        unsigned c = static_cast<unsigned char>(text[i]);
        // C1 controls are U+0080 to U+009F: 0xC2 followed by 0x80..0x9F.
        bool control = n == 1 ? (c < 0x20 || c == 0x7F)
                              : (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0);
        if (n == 0 || control) {
            for (size_t k = 0; k < (n ? n : 1); ++k) out += Escaped(static_cast<unsigned char>(text[i + k]));
            i += n ? n : 1;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}

std::string ValidUtf8(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += '?';
            ++i;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out;
}

}  // namespace gorva::host
