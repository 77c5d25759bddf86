#include "qk_general_utils.hpp"

#include "lx_wrap.hpp"
#include "lxu_prefvalue.hpp"
#include "lxu_queries.hpp"

namespace qk {

namespace {

// Query results are cut to this many bytes, terminator included.
constexpr unsigned kQueryTextBytes = 256;

}  // namespace

int GetUserValueInt(const char *name, int fallback) {
    CLxReadUserValue value;
    return value.Query(name) ? value.GetInt() : fallback;
}

double GetUserValueFloat(const char *name, double fallback) {
    CLxReadUserValue value;
    return value.Query(name) ? value.GetFloat() : fallback;
}

int GetPreferenceInt(const char *name, int fallback) {
    CLxReadPreferenceValue pref;
    return pref.Query(name) ? pref.GetInt() : fallback;
}

double GetPreferenceFloat(const char *name, double fallback) {
    CLxReadPreferenceValue pref;
    return pref.Query(name) ? pref.GetFloat() : fallback;
}

std::string QueryCommandString(const char *command) {
    CLxCommandQuery query(command);
    if (!query.Query(0u)) return std::string();
    // A text longer than the buffer may be reported as a short-buffer failure yet still be
    // written cut; either way the buffer holds at most its size less one characters.
    char buf[kQueryTextBytes] = {};
    query.GetString(buf, kQueryTextBytes);
    buf[kQueryTextBytes - 1] = '\0';
    return std::string(buf);
}

std::string QueryCommand(const char *name) {
    CLxReadUserValue value;
    std::string text;
    if (value.Query(name)) value.GetString(text);
    return text;
}

}  // namespace qk
