#include "host/base/numbers.hpp"

#include <cfloat>
#include <cmath>
#include <cstdlib>

namespace gorva::host {

bool IsDecimal(const std::string &t) {
    auto digits = [&t](size_t &i) {
        size_t from = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        return i - from;
    };
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t mantissa = digits(i);
    if (i < t.size() && t[i] == '.') mantissa += digits(++i);
    if (mantissa == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        if (++i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        if (digits(i) == 0) return false;
    }
    return i == t.size();
}

namespace {

/// True when the mantissa of a decimal number has a digit other than zero.
bool HasNonZeroMantissa(const std::string &t) {
    for (char c : t) {
        if (c == 'e' || c == 'E') break;
        if (c >= '1' && c <= '9') return true;
    }
    return false;
}

}  // namespace

bool ReadNumber(const std::string &text, NumberKind kind, double &value, std::string &reason) {
    const std::string quoted = "\"" + text + "\"";
    if (!IsDecimal(text)) {
        reason = quoted + " is not a decimal number";
        return false;
    }
    // A zero mantissa is zero whatever its exponent; otherwise the decimal is read once, to double.
    double v = HasNonZeroMantissa(text) ? std::strtod(text.c_str(), nullptr) : 0.0;
    if (!(std::fabs(v) <= double(FLT_MAX))) {
        reason = quoted + " lies beyond single precision (3.4e38)";
        return false;
    }
    if (HasNonZeroMantissa(text) && float(v) == 0.0f) {
        reason = quoted + " is too small for single precision (write 0 for zero)";
        return false;
    }
    if (kind == NumberKind::kWhole && (v != std::floor(v) || std::fabs(v) > 2147483647.0)) {
        reason = quoted + " is not a whole number within 32 bits";
        return false;
    }
    value = text[0] == '-' && v == 0.0 ? -0.0 : v;
    return true;
}

}  // namespace gorva::host
