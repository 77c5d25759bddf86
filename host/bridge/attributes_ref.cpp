#include "host/bridge/attributes_ref.hpp"

#include <strings.h>

#include <string>
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
    const LXtTextValueHint *hints = TypeName(index) == LXsTYPE_INTEGER ? Hints(index) : nullptr;
    bool listed = false;  // a popup takes only its choices, by name or by number
    for (const LXtTextValueHint *row = hints; row && row->text; ++row) {
        if (row->value < 0 || row->text[0] == '=') continue;
        listed = true;
        if (strcasecmp(row->text, text.c_str()) == 0 || std::to_string(row->value) == text)
            return SetInt(index, row->value);
    }
    return listed ? LXe_OUTOFBOUNDS : SetString(index, text);
}

}  // namespace gorva::host
