#include "host/bridge/attributes_ref.hpp"

#include <vector>

namespace gorva::host {

std::string AttributesRef::GetString(unsigned index) const {
    if (!m_ref) return std::string();
    std::vector<char> buf(256);
    for (;;) {
        LxResult r = m_ref.Call(&ILxAttributes::GetString, index, buf.data(), unsigned(buf.size()));
        if (r == LXe_SHORTBUFFER && buf.size() < (1u << 24)) {
            buf.resize(buf.size() * 4);
            continue;
        }
        return LXx_OK(r) ? std::string(buf.data()) : std::string();
    }
}

}  // namespace gorva::host
