#include "m4_eval.h"

#include "text.h"

namespace {

enum class Op {
  end,
  number,
  left,
  right,
  plus,
  minus,
  times,
  divide,
  modulo,
  power,
  shift_left,
  shift_right,
  less,
  less_equal,
  greater,
  greater_equal,
  equal,
  not_equal,
  bit_and,
  bit_xor,
  bit_or,
  logical_and,
  logical_or,
  bit_not,
  logical_not,
  invalid
};

// Arithmetic in uint32_t wraps as m4's does; results are read back as
// two's complement.
std::int32_t wrap(std::uint32_t value) {
  return static_cast<std::int32_t>(value);
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'z') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'Z') {
    return c - 'A' + 10;
  }
  return 99;
}

// Parentheses and unary operators nest at most this deep.
constexpr unsigned max_depth = 256;

struct Parser {
  const char* next;
  const char* end;
  Op op;
  std::uint32_t number;
  bool failed;
  unsigned depth;
  bool too_deep;
};

bool at(const Parser& p, char c) { return p.next != p.end && *p.next == c; }

// Reads a number whose first digit is next, as m4 does: 0x, 0b, 0rN:
// and a leading 0 give the radix; the number ends at the first byte that
// is no digit of it.
void read_number(Parser* p) {
  unsigned radix = 10;
  if (*p->next == '0') {
    ++p->next;
    if (at(*p, 'x') || at(*p, 'X')) {
      radix = 16;
      ++p->next;
    } else if (at(*p, 'b') || at(*p, 'B')) {
      radix = 2;
      ++p->next;
    } else if (at(*p, 'r') || at(*p, 'R')) {
      ++p->next;
      radix = 0;
      while (p->next != p->end && *p->next >= '0' && *p->next <= '9') {
        radix = radix * 10 + static_cast<unsigned>(*p->next++ - '0');
        if (radix > 36) {
          break;
        }
      }
      if (radix == 0 || radix > 36 || !at(*p, ':')) {
        p->op = Op::invalid;
        return;
      }
      ++p->next;
    } else {
      radix = 8;
    }
  }
  std::uint32_t value = 0;
  for (; p->next != p->end; ++p->next) {
    const auto digit = static_cast<unsigned>(digit_value(*p->next));
    if (radix == 1) {
      if (digit == 1) {
        ++value;
      } else if (digit != 0 || value != 0) {
        break;
      }
    } else if (digit >= radix) {
      break;
    } else {
      value = value * radix + digit;
    }
  }
  p->number = value;
  p->op = Op::number;
}

// Reads the next token into p->op.
void lex(Parser* p) {
  while (p->next != p->end && is_whitespace_byte(*p->next)) {
    ++p->next;
  }
  if (p->next == p->end) {
    p->op = Op::end;
    return;
  }
  const char c = *p->next++;
  const auto followed_by = [p](char second) {
    if (at(*p, second)) {
      ++p->next;
      return true;
    }
    return false;
  };
  // Compound assignments and ++/-- are operators m4 knows and refuses.
  switch (c) {
    case '+':
      p->op = at(*p, '+') || at(*p, '=') ? Op::invalid : Op::plus;
      return;
    case '-':
      p->op = at(*p, '-') || at(*p, '=') ? Op::invalid : Op::minus;
      return;
    case '*':
      if (followed_by('*')) {
        p->op = at(*p, '=') ? Op::invalid : Op::power;
      } else {
        p->op = at(*p, '=') ? Op::invalid : Op::times;
      }
      return;
    case '/':
      p->op = at(*p, '=') ? Op::invalid : Op::divide;
      return;
    case '%':
      p->op = at(*p, '=') ? Op::invalid : Op::modulo;
      return;
    case '=':
      // A single '=' is equality with a warning, which Autoconf makes fatal.
      p->op = followed_by('=') ? Op::equal : Op::invalid;
      return;
    case '!':
      p->op = followed_by('=') ? Op::not_equal : Op::logical_not;
      return;
    case '>':
      if (followed_by('>')) {
        p->op = at(*p, '=') ? Op::invalid : Op::shift_right;
      } else {
        p->op = followed_by('=') ? Op::greater_equal : Op::greater;
      }
      return;
    case '<':
      if (followed_by('<')) {
        p->op = at(*p, '=') ? Op::invalid : Op::shift_left;
      } else {
        p->op = followed_by('=') ? Op::less_equal : Op::less;
      }
      return;
    case '^':
      p->op = at(*p, '=') ? Op::invalid : Op::bit_xor;
      return;
    case '~':
      p->op = Op::bit_not;
      return;
    case '&':
      if (followed_by('&')) {
        p->op = Op::logical_and;
      } else {
        p->op = at(*p, '=') ? Op::invalid : Op::bit_and;
      }
      return;
    case '|':
      if (followed_by('|')) {
        p->op = Op::logical_or;
      } else {
        p->op = at(*p, '=') ? Op::invalid : Op::bit_or;
      }
      return;
    case '(':
      p->op = Op::left;
      return;
    case ')':
      p->op = Op::right;
      return;
    default:
      if (c >= '0' && c <= '9') {
        --p->next;
        read_number(p);
        return;
      }
      p->op = Op::invalid;
      return;
  }
}

// Each level parses its operands and applies its operators; live is false
// in the operand that && or || skips, where m4 reports no division by zero.
std::uint32_t parse_or(Parser* p, bool live);
std::uint32_t parse_operand(Parser* p, bool live);

std::uint32_t parse_unary(Parser* p, bool live) {
  if (p->depth == max_depth) {
    p->failed = true;
    p->too_deep = true;
    return 0;
  }
  ++p->depth;
  const std::uint32_t value = parse_operand(p, live);
  --p->depth;
  return value;
}

std::uint32_t parse_operand(Parser* p, bool live) {
  switch (p->op) {
    case Op::plus:
      lex(p);
      return parse_unary(p, live);
    case Op::minus:
      lex(p);
      return 0U - parse_unary(p, live);
    case Op::bit_not:
      lex(p);
      return ~parse_unary(p, live);
    case Op::logical_not:
      lex(p);
      return parse_unary(p, live) == 0 ? 1U : 0U;
    case Op::number: {
      const std::uint32_t value = p->number;
      lex(p);
      return value;
    }
    case Op::left: {
      lex(p);
      const std::uint32_t value = parse_or(p, live);
      if (p->op != Op::right) {
        p->failed = true;
        return 0;
      }
      lex(p);
      return value;
    }
    default:
      p->failed = true;
      return 0;
  }
}

std::uint32_t parse_power(Parser* p, bool live) {
  const std::uint32_t base = parse_unary(p, live);
  if (p->op != Op::power) {
    return base;
  }
  lex(p);
  const std::uint32_t exponent = parse_power(p, live);  // right to left
  if (!live) {
    return 0;
  }
  if (wrap(exponent) < 0 || (base == 0 && exponent == 0)) {
    p->failed = true;  // m4: negative exponent, or 0**0
    return 0;
  }
  // Squaring wraps as repeated multiplication does.
  std::uint32_t result = 1;
  std::uint32_t square = base;
  for (std::uint32_t rest = exponent; rest != 0; rest >>= 1) {
    if ((rest & 1U) != 0) {
      result *= square;
    }
    square *= square;
  }
  return result;
}

std::uint32_t parse_product(Parser* p, bool live) {
  std::uint32_t left = parse_power(p, live);
  while (p->op == Op::times || p->op == Op::divide || p->op == Op::modulo) {
    const Op op = p->op;
    lex(p);
    const std::uint32_t right = parse_power(p, live);
    if (op == Op::times) {
      left *= right;
    } else if (!live) {
      left = 0;
    } else if (right == 0) {
      p->failed = true;  // division by zero
      return 0;
    } else if (wrap(right) == -1) {
      // INT_MIN / -1 overflows in C; m4 gives the wrapped result.
      left = op == Op::divide ? 0U - left : 0U;
    } else {
      left = static_cast<std::uint32_t>(op == Op::divide
                                            ? wrap(left) / wrap(right)
                                            : wrap(left) % wrap(right));
    }
  }
  return left;
}

std::uint32_t parse_sum(Parser* p, bool live) {
  std::uint32_t left = parse_product(p, live);
  while (p->op == Op::plus || p->op == Op::minus) {
    const Op op = p->op;
    lex(p);
    const std::uint32_t right = parse_product(p, live);
    left = op == Op::plus ? left + right : left - right;
  }
  return left;
}

std::uint32_t parse_shift(Parser* p, bool live) {
  std::uint32_t left = parse_sum(p, live);
  while (p->op == Op::shift_left || p->op == Op::shift_right) {
    const Op op = p->op;
    lex(p);
    const unsigned count = parse_sum(p, live) & 31U;
    if (op == Op::shift_left) {
      left <<= count;
    } else {
      // An arithmetic shift, as m4's of a signed value.
      const std::int32_t value = wrap(left);
      left = static_cast<std::uint32_t>(value < 0 ? ~(~value >> count)
                                                  : value >> count);
    }
  }
  return left;
}

std::uint32_t parse_comparison(Parser* p, bool live) {
  std::uint32_t left = parse_shift(p, live);
  while (p->op == Op::less || p->op == Op::less_equal || p->op == Op::greater ||
         p->op == Op::greater_equal) {
    const Op op = p->op;
    lex(p);
    const std::int32_t a = wrap(left);
    const std::int32_t b = wrap(parse_shift(p, live));
    const bool holds = op == Op::less         ? a < b
                       : op == Op::less_equal ? a <= b
                       : op == Op::greater    ? a > b
                                              : a >= b;
    left = holds ? 1U : 0U;
  }
  return left;
}

std::uint32_t parse_equality(Parser* p, bool live) {
  std::uint32_t left = parse_comparison(p, live);
  while (p->op == Op::equal || p->op == Op::not_equal) {
    const Op op = p->op;
    lex(p);
    const std::uint32_t right = parse_comparison(p, live);
    left = (left == right) == (op == Op::equal) ? 1U : 0U;
  }
  return left;
}

std::uint32_t parse_bit_and(Parser* p, bool live) {
  std::uint32_t left = parse_equality(p, live);
  while (p->op == Op::bit_and) {
    lex(p);
    left &= parse_equality(p, live);
  }
  return left;
}

std::uint32_t parse_bit_xor(Parser* p, bool live) {
  std::uint32_t left = parse_bit_and(p, live);
  while (p->op == Op::bit_xor) {
    lex(p);
    left ^= parse_bit_and(p, live);
  }
  return left;
}

std::uint32_t parse_bit_or(Parser* p, bool live) {
  std::uint32_t left = parse_bit_xor(p, live);
  while (p->op == Op::bit_or) {
    lex(p);
    left |= parse_bit_xor(p, live);
  }
  return left;
}

std::uint32_t parse_and(Parser* p, bool live) {
  std::uint32_t left = parse_bit_or(p, live);
  while (p->op == Op::logical_and) {
    lex(p);
    const bool taken = left != 0;
    const std::uint32_t right = parse_bit_or(p, live && taken);
    left = taken && right != 0 ? 1U : 0U;
  }
  return left;
}

std::uint32_t parse_or(Parser* p, bool live) {
  std::uint32_t left = parse_and(p, live);
  while (p->op == Op::logical_or) {
    lex(p);
    const bool taken = left == 0;
    const std::uint32_t right = parse_and(p, live && taken);
    left = !taken || right != 0 ? 1U : 0U;
  }
  return left;
}

}  // namespace

EvalStatus evaluate_expression(const char* text, std::size_t length,
                               std::int32_t* value) {
  Parser p = {text, text + length, Op::end, 0, false, 0, false};
  lex(&p);
  if (p.op == Op::end) {
    return EvalStatus::invalid;  // m4 warns of the empty expression
  }
  const std::uint32_t result = parse_or(&p, true);
  if (p.too_deep) {
    return EvalStatus::too_deep;
  }
  if (p.failed || p.op != Op::end) {
    return EvalStatus::invalid;
  }
  *value = wrap(result);
  return EvalStatus::ok;
}

std::size_t format_in_radix(std::int32_t value, unsigned radix,
                            std::size_t width, char* out,
                            std::size_t capacity) {
  const bool negative = value < 0;
  std::uint32_t magnitude = negative ? 0U - static_cast<std::uint32_t>(value)
                                     : static_cast<std::uint32_t>(value);
  // Radix 1 writes a number as that many ones; m4 allows it, but a large
  // one would need a great deal of room.
  char digits[40];
  std::size_t count = 0;
  if (radix == 1) {
    if (magnitude > capacity) {
      return 0;
    }
    count = magnitude;
  } else {
    do {
      digits[count++] =
          "0123456789abcdefghijklmnopqrstuvwxyz"[magnitude % radix];
      magnitude /= radix;
    } while (magnitude != 0);
  }
  const std::size_t padded = count < width ? width : count;
  const std::size_t total = padded + (negative ? 1 : 0);
  if (total > capacity) {
    return 0;
  }
  std::size_t length = 0;
  if (negative) {
    out[length++] = '-';
  }
  for (std::size_t i = count; i < padded; ++i) {
    out[length++] = '0';
  }
  for (std::size_t i = count; i-- > 0;) {
    out[length++] = radix == 1 ? '1' : digits[i];
  }
  return length;
}

bool parse_integer(const char* text, std::size_t length, std::int32_t* value) {
  std::size_t i = 0;
  const bool negative = length > 0 && text[0] == '-';
  if (length > 0 && (text[0] == '-' || text[0] == '+')) {
    ++i;
  }
  if (i == length) {
    return false;
  }
  // Read as a 64-bit long, as strtol does, then taken to 32 bits.
  std::uint64_t magnitude = 0;
  for (; i < length; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    magnitude = magnitude * 10 + static_cast<unsigned>(text[i] - '0');
    if (magnitude > (std::uint64_t{1} << 63)) {
      return false;  // beyond a long: m4 reports an overflow
    }
  }
  if (!negative && magnitude == (std::uint64_t{1} << 63)) {
    return false;
  }
  const std::uint64_t bits = negative ? 0 - magnitude : magnitude;
  *value = wrap(static_cast<std::uint32_t>(bits));
  return true;
}
