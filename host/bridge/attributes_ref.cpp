#include "host/bridge/attributes_ref.hpp"

#include <strings.h>

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

LxResult AttributesRef::SetText(unsigned index, const std::string &text) const {
    if (TypeName(index) == LXsTYPE_INTEGER)
        for (const LXtTextValueHint *row = Hints(index); row && row->text; ++row)
            if (row->value >= 0 && row->text[0] != '=' && strcasecmp(row->text, text.c_str()) == 0)
                return SetInt(index, row->value);
    return SetString(index, text);
}

}  // namespace gorva::host
