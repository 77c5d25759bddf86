// The one reader of numbers that come from files and command lines, with the rules the README
// states: decimal notation only, within single precision, never a value that silently reads as
// zero, and whole numbers where a whole number is asked for.
#pragma once
#include "host/guard.hpp"

#include <string>

namespace gorva::host {

/// What a number stands for: any real value, or a whole number (an index, a count, a choice).
enum class NumberKind { kReal, kWhole };

/// True for a number as files and scripts write it: an optional sign, digits with an optional
/// decimal point, and an optional exponent; no spaces, no hexadecimal, "inf" or "nan".
bool IsDecimal(const std::string &text);

/// Reads `text` as a number of the kind. Refused, with a reason that quotes the text: a text that
/// is not decimal; a value beyond single precision (3.4e38); a value so small that single
/// precision would hold it as zero though its digits are not zero (write 0 for zero); for a whole
/// number, a fraction or a value beyond 32 bits.
bool ReadNumber(const std::string &text, NumberKind kind, double &value, std::string &reason);

}  // namespace gorva::host
