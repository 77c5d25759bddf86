// Text input with limits, and text made safe to show: lines ended by "\n", "\r\n" or a lone "\r"
// (old Mac files), a UTF-8 byte-order mark skipped, lines and whole inputs bounded so that a device
// or a pipe without end is refused instead of read for ever; and bytes that a terminal would obey
// shown escaped.
#pragma once
#include "host/guard.hpp"

#include <cstdint>
#include <iosfwd>
#include <streambuf>
#include <string>

namespace gorva::host {

/// The longest line and the largest input a reader takes, in bytes.
struct TextLimits {
    size_t maxLineBytes;
    uint64_t maxBytes;
};

/// Scene files: a line can hold a face of millions of corners; a file up to 2 GiB.
constexpr TextLimits kObjLimits{size_t(64) << 20, uint64_t(2) << 30};
/// Scripts: lines up to 1 MiB, scripts up to 64 MiB.
constexpr TextLimits kScriptLimits{size_t(1) << 20, uint64_t(64) << 20};

/// Reads the lines of a stream within limits. A NUL byte ends the reading as binary data.
class LineReader {
public:
    enum Status { kLine, kEnd, kTooLong, kTooBig, kBinary, kReadError };

    LineReader(std::istream &in, const TextLimits &limits);
    /// The next line without its end; kLine, or why there is none.
    Status Next(std::string &line);
    /// Number of the line last read (or being read when it failed), from 1.
    size_t LineNumber() const { return m_lineNo; }
    /// "LABEL:LINE: reason" (or "LABEL: reason" for the whole input) for a failed status; `what`
    /// names the kind of text ("an OBJ file", "a script") for binary data.
    std::string Problem(Status status, const std::string &label, const std::string &what) const;

private:
    int Get();
    int Peek();
    void SkipByteOrderMark();

    std::istream &m_in;
    TextLimits m_limits;
    uint64_t m_bytes = 0;
    size_t m_lineNo = 0;
    bool m_started = false;
    std::string m_pending;  // bytes read while looking for a byte-order mark
    size_t m_pendingAt = 0;
};

/// A regular file open for reading, as a stream buffer. A pipe, a device, a socket or a folder is
/// refused before anything is read from it, so that a reader never waits on an input without end.
class InputFile : public std::streambuf {
public:
    InputFile() = default;
    InputFile(const InputFile &) = delete;
    InputFile &operator=(const InputFile &) = delete;
    ~InputFile() override;
    /// Opens `path`; false with the reason ("not a regular file (a pipe)", or the system's).
    bool Open(const std::string &path, std::string &reason);

protected:
    int_type underflow() override;

private:
    int m_fd = -1;
    char m_buffer[1 << 16];
};

/// The text with every byte a terminal would act on (C0 and C1 controls, DEL) and every byte that
/// is not part of valid UTF-8 written as \xNN; printable UTF-8 stays as it is.
std::string Printable(const std::string &text);

/// The text as valid UTF-8: each byte that is not part of a valid sequence becomes '?'.
std::string ValidUtf8(const std::string &text);

}  // namespace gorva::host
