// Helpers of the reliability tests: OBJ text parsed in memory, and a stream that never ends.
#pragma once

#include <sstream>
#include <streambuf>
#include <string>

#include "host/io/obj_io.hpp"

/// Parses OBJ text labelled "t.obj".
inline bool ParseObjText(const std::string &text, gorva::host::ObjFile &file, std::string &error,
                         const gorva::host::TextLimits &limits = gorva::host::kObjLimits) {
    std::istringstream in(text);
    return gorva::host::ParseObj(in, "t.obj", "Mesh", file, error, limits);
}

/// An endless stream of one text repeated, as a device or a pipe that never ends gives.
class EndlessText : public std::streambuf {
public:
    explicit EndlessText(const std::string &unit) {
        while (m_buffer.size() < 4096) m_buffer += unit;
        setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + m_buffer.size());
    }

protected:
    int_type underflow() override {
        setg(m_buffer.data(), m_buffer.data(), m_buffer.data() + m_buffer.size());
        return traits_type::to_int_type(m_buffer[0]);
    }

private:
    std::string m_buffer;
};
