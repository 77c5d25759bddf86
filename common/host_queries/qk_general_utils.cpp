#include "qk_general_utils.hpp"

#include <type_traits>

#include "lx_wrap.hpp"
#include "lxu_prefvalue.hpp"
#include "lxu_queries.hpp"

namespace qk {

namespace {

// Query results are cut to this many bytes, terminator included.
constexpr unsigned kQueryTextBytes = 256;

// A user value and a preference are read alike, each through its own query command.
template <class Reader, class Value>
Value ReadValue(const char *name, Value fallback) {
    Reader reader;
    if (!reader.Query(name)) return fallback;
    if constexpr (std::is_same_v<Value, int>) {
        return reader.GetInt();
    } else {
        return reader.GetFloat();
    }
}

}  // namespace

int GetUserValueInt(const char *name, int fallback) {
    return ReadValue<CLxReadUserValue>(name, fallback);
}

double GetUserValueFloat(const char *name, double fallback) {
    return ReadValue<CLxReadUserValue>(name, fallback);
}

int GetPreferenceInt(const char *name, int fallback) {
    return ReadValue<CLxReadPreferenceValue>(name, fallback);
}

double GetPreferenceFloat(const char *name, double fallback) {
    return ReadValue<CLxReadPreferenceValue>(name, fallback);
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
