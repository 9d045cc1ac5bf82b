// m4's eval: integer expressions in 32-bit two's complement arithmetic,
// with GNU m4's operators, precedence and number syntax.
#ifndef GENVERSION_M4_EVAL_H_
#define GENVERSION_M4_EVAL_H_

#include <cstddef>
#include <cstdint>

enum class EvalStatus {
  ok,
  invalid,  // m4 reports an error or a warning: Autoconf fails
  too_deep  // nested deeper than the tool follows
};

EvalStatus evaluate_expression(const char* text, std::size_t length,
                               std::int32_t* value);

// Writes value in radix (1 to 36) with at least width digits, as eval
// does; returns the length, or 0 where it needs more than capacity bytes.
std::size_t format_in_radix(std::int32_t value, unsigned radix,
                            std::size_t width, char* out, std::size_t capacity);

// A whole argument read as a decimal integer, as m4's numeric arguments
// are: an optional sign and digits, nothing else. Values wrap to 32 bits.
// False where m4 would complain.
bool parse_integer(const char* text, std::size_t length, std::int32_t* value);

#endif  // GENVERSION_M4_EVAL_H_
