#include "m4_builtins.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>

#include "m4_eval.h"
#include "text.h"

namespace {

using Outcome = BuiltinOutcome;

// Helpers.

bool equal(const Arguments& a, unsigned i, unsigned j) {
  return a.length[i] == a.length[j] &&
         std::memcmp(a.text[i], a.text[j], a.length[i]) == 0;
}

void put_argument(TextOut* out, const Arguments& a, unsigned i) {
  if (i < a.count) {
    put_text(out, a.text[i], a.length[i]);
  }
}

void put_quoted(TextOut* out, const char* text, std::size_t length) {
  put_byte(out, '[');
  put_text(out, text, length);
  put_byte(out, ']');
}

void put_number(TextOut* out, long long value) {
  char digits[24];
  std::size_t count = 0;
  const bool negative = value < 0;
  unsigned long long rest = negative
                                ? 0ULL - static_cast<unsigned long long>(value)
                                : static_cast<unsigned long long>(value);
  do {
    digits[count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) {
    put_byte(out, '-');
  }
  while (count > 0) {
    put_byte(out, digits[--count]);
  }
}

// Whether text's quotes pair up. m4sugar's macros put their arguments
// inside quotes of their own; one whose quotes do not pair up would be
// read otherwise than the text says, so it is left to Autoconf.
bool balanced(const char* text, std::size_t length) {
  long depth = 0;
  for (std::size_t i = 0; i < length; ++i) {
    depth += text[i] == '[' ? 1 : text[i] == ']' ? -1 : 0;
    if (depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

bool all_balanced(const Arguments& a) {
  for (unsigned i = 0; i < a.count; ++i) {
    if (!balanced(a.text[i], a.length[i])) {
      return false;
    }
  }
  return true;
}

// Where needle first occurs in hay, or -1; empty text occurs at 0.
long long find_text(const char* hay, std::size_t hay_length, const char* needle,
                    std::size_t needle_length) {
  if (needle_length == 0) {
    return 0;
  }
  const char* end = hay + hay_length;
  for (const char* at = hay;
       static_cast<std::size_t>(end - at) >= needle_length; ++at) {
    at = static_cast<const char*>(std::memchr(
        at, needle[0], static_cast<std::size_t>(end - at) - needle_length + 1));
    if (at == nullptr) {
      return -1;
    }
    if (std::memcmp(at, needle, needle_length) == 0) {
      return at - hay;
    }
  }
  return -1;
}

// The argument, or empty text where the call has fewer.
struct Text {
  const char* text;
  std::size_t length;
};
Text argument(const Arguments& a, unsigned i) {
  return i < a.count ? Text{a.text[i], a.length[i]} : Text{"", 0};
}

enum class Defined { yes, no, unknown };

// Names Autoconf defines that the engine does not evaluate: whether they
// are defined at a given point is Autoconf's to know, except for the
// package macros, which only AC_INIT or the file itself define: before
// AC_INIT defines them, that is, but for the version's own expansion.
Defined is_defined(const Engine& engine, const char* name, std::size_t length) {
  const NameMeaning meaning = meaning_of(engine, name, length);
  switch (meaning.kind) {
    case NameKind::text:
    case NameKind::builtin:
    case NameKind::opaque:
      return Defined::yes;
    case NameKind::autoconf:
      return length > 11 && std::memcmp(name, "AC_PACKAGE_", 11) == 0 &&
                     !engine.names_unknown && !engine.in_version
                 ? Defined::no
                 : Defined::unknown;
    case NameKind::none:
      break;
  }
  return engine.names_unknown ? Defined::unknown : Defined::no;
}

MacroValue text_value(const Engine& engine, const char* text,
                      std::size_t length) {
  return MacroValue{MacroKind::text, text, length, 0,
                    may_define_names(engine, text, length)};
}

// GNU m4's builtins.

// define and pushdef: a name and an optional value.
Outcome define_common(Engine* engine, const Arguments& a, bool push) {
  if (a.count > 2) {
    return Outcome::fails;  // m4 warns of the extra arguments
  }
  const Text value = argument(a, 1);
  set_definition(engine, a.text[0], a.length[0],
                 text_value(*engine, value.text, value.length), push);
  return Outcome::done;
}

Outcome builtin_define(Engine* engine, const Arguments& a,
                       TextOut* /*result*/) {
  return define_common(engine, a, false);
}

Outcome builtin_pushdef(Engine* engine, const Arguments& a,
                        TextOut* /*result*/) {
  return define_common(engine, a, true);
}

// m4sugar's undefine and popdef: alone, the name itself; each argument
// must be defined.
Outcome remove_common(Engine* engine, const Arguments& a, TextOut* result,
                      bool all) {
  if (a.count == 0) {
    put_quoted(result, a.name->text, a.name->length);
    return Outcome::done;
  }
  for (unsigned i = 0; i < a.count; ++i) {
    switch (is_defined(*engine, a.text[i], a.length[i])) {
      case Defined::no:
        return Outcome::fails;  // m4_fatal: undefined macro
      case Defined::unknown:
        return Outcome::needs_autoconf;
      case Defined::yes:
        remove_definition(engine, a.text[i], a.length[i], all);
        break;
    }
  }
  return Outcome::done;
}

Outcome builtin_undefine(Engine* engine, const Arguments& a, TextOut* result) {
  return remove_common(engine, a, result, true);
}

Outcome builtin_popdef(Engine* engine, const Arguments& a, TextOut* result) {
  return remove_common(engine, a, result, false);
}

// m4sugar's defn: alone, the name itself; else the quoted value of each.
Outcome builtin_defn(Engine* engine, const Arguments& a, TextOut* result) {
  if (a.count == 0) {
    put_quoted(result, a.name->text, a.name->length);
    return Outcome::done;
  }
  for (unsigned i = 0; i < a.count; ++i) {
    const NameMeaning meaning = meaning_of(*engine, a.text[i], a.length[i]);
    if (meaning.kind == NameKind::none && !engine->names_unknown) {
      return Outcome::fails;  // m4_fatal: undefined macro
    }
    if (meaning.kind != NameKind::text) {
      return Outcome::needs_autoconf;
    }
    const char* value = macro_value(engine->macros, *meaning.macro);
    if (!balanced(value, meaning.macro->value_length)) {
      return Outcome::needs_autoconf;
    }
    put_quoted(result, value, meaning.macro->value_length);
  }
  return Outcome::done;
}

Outcome builtin_ifdef(Engine* engine, const Arguments& a, TextOut* result) {
  if (a.count < 2 || a.count > 3) {
    return Outcome::fails;
  }
  switch (is_defined(*engine, a.text[0], a.length[0])) {
    case Defined::unknown:
      return Outcome::needs_autoconf;
    case Defined::yes:
      put_argument(result, a, 1);
      break;
    case Defined::no:
      put_argument(result, a, 2);
      break;
  }
  return Outcome::done;
}

Outcome builtin_ifelse(Engine* /*engine*/, const Arguments& a,
                       TextOut* result) {
  if (a.count == 1) {
    return Outcome::done;  // a comment
  }
  if (a.count == 2 || a.count % 3 == 2) {
    return Outcome::fails;  // too few or extra arguments: m4 warns
  }
  for (unsigned i = 0;; i += 3) {
    if (equal(a, i, i + 1)) {
      put_argument(result, a, i + 2);
      return Outcome::done;
    }
    const unsigned left = a.count - i;
    if (left == 3) {
      return Outcome::done;
    }
    if (left == 4) {
      put_argument(result, a, i + 3);
      return Outcome::done;
    }
  }
}

Outcome step_number(const Arguments& a, TextOut* result, int step) {
  std::int32_t value = 0;
  if (a.count != 1 || !parse_integer(a.text[0], a.length[0], &value)) {
    return Outcome::fails;
  }
  put_number(result,
             static_cast<std::int32_t>(static_cast<std::uint32_t>(value) +
                                       static_cast<std::uint32_t>(step)));
  return Outcome::done;
}

Outcome builtin_incr(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return step_number(a, result, 1);
}

Outcome builtin_decr(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return step_number(a, result, -1);
}

Outcome builtin_len(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  if (a.count > 1) {
    return Outcome::fails;
  }
  put_number(result, static_cast<long long>(argument(a, 0).length));
  return Outcome::done;
}

Outcome builtin_index(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  if (a.count != 2) {
    return Outcome::fails;
  }
  const long long found =
      find_text(a.text[0], a.length[0], a.text[1], a.length[1]);
  put_number(result, found);
  return Outcome::done;
}

Outcome builtin_substr(Engine* /*engine*/, const Arguments& a,
                       TextOut* result) {
  std::int32_t start = 0;
  if (a.count < 2 || a.count > 3 ||
      !parse_integer(a.text[1], a.length[1], &start)) {
    return Outcome::fails;
  }
  const auto length = static_cast<long long>(a.length[0]);
  long long count = length - start;
  if (a.count == 3) {
    std::int32_t given = 0;
    if (!parse_integer(a.text[2], a.length[2], &given)) {
      return Outcome::fails;
    }
    count = std::min<long long>(count, given);
  }
  if (start >= 0 && start < length && count > 0) {
    put_text(result, a.text[0] + start, static_cast<std::size_t>(count));
  }
  return Outcome::done;
}

// The characters of a translit set, its ranges spelt out.
std::size_t expand_ranges(const char* set, std::size_t length, char* out) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (set[i] == '-' && count > 0 && i + 1 < length) {
      const auto from = static_cast<unsigned char>(out[count - 1]);
      const auto to = static_cast<unsigned char>(set[++i]);
      for (unsigned c = from; c != to;) {
        c = from < to ? c + 1 : c - 1;
        if (count == 256) {
          return count;
        }
        out[count++] = static_cast<char>(c);
      }
    } else if (count < 256) {
      out[count++] = set[i];
    }
  }
  return count;
}

Outcome builtin_translit(Engine* /*engine*/, const Arguments& a,
                         TextOut* result) {
  if (a.count < 2 || a.count > 3) {
    return Outcome::fails;
  }
  // Each byte maps to itself, to another byte, or to nothing (-1); the
  // first mention of a byte in the first set decides.
  int map[256];
  bool mapped[256] = {};
  for (int c = 0; c < 256; ++c) {
    map[c] = c;
  }
  char from[256];
  char to[256];
  const std::size_t from_count = expand_ranges(a.text[1], a.length[1], from);
  const Text to_text = argument(a, 2);
  const std::size_t to_count = expand_ranges(to_text.text, to_text.length, to);
  for (std::size_t i = 0; i < from_count; ++i) {
    const auto c = static_cast<unsigned char>(from[i]);
    if (!mapped[c]) {
      mapped[c] = true;
      map[c] = i < to_count ? static_cast<unsigned char>(to[i]) : -1;
    }
  }
  for (std::size_t i = 0; i < a.length[0]; ++i) {
    const int c = map[static_cast<unsigned char>(a.text[0][i])];
    if (c >= 0) {
      put_byte(result, static_cast<char>(c));
    }
  }
  return Outcome::done;
}

// format: %s and %d (and %i) with the flags -, +, space and 0, a width,
// and a precision for %s; anything else is left to Autoconf.
Outcome builtin_format(Engine* /*engine*/, const Arguments& a,
                       TextOut* result) {
  const Text format = argument(a, 0);
  unsigned next_argument = 1;
  for (std::size_t i = 0; i < format.length; ++i) {
    if (format.text[i] != '%') {
      put_byte(result, format.text[i]);
      continue;
    }
    if (++i == format.length) {
      return Outcome::fails;  // m4 warns of the unfinished specifier
    }
    if (format.text[i] == '%') {
      put_byte(result, '%');
      continue;
    }
    bool left = false;
    bool zero = false;
    char sign = 0;
    for (; i < format.length; ++i) {
      const char flag = format.text[i];
      if (flag == '-') {
        left = true;
      } else if (flag == '0') {
        zero = true;
      } else if (flag == '+' || (flag == ' ' && sign != '+')) {
        sign = flag;
      } else {
        break;
      }
    }
    std::size_t width = 0;
    for (; i < format.length && format.text[i] >= '0' && format.text[i] <= '9';
         ++i) {
      width = width * 10 + static_cast<std::size_t>(format.text[i] - '0');
      if (width > max_line_length) {
        return Outcome::needs_autoconf;
      }
    }
    bool has_precision = false;
    std::size_t precision = 0;
    if (i < format.length && format.text[i] == '.') {
      has_precision = true;
      for (++i;
           i < format.length && format.text[i] >= '0' && format.text[i] <= '9';
           ++i) {
        precision =
            precision * 10 + static_cast<std::size_t>(format.text[i] - '0');
        precision = std::min<std::size_t>(precision, max_line_length + 1);
      }
    }
    if (i == format.length) {
      return Outcome::fails;
    }
    const char conversion = format.text[i];
    const bool given = next_argument < a.count;
    const Text value = argument(a, next_argument++);
    char field[32];
    const char* body = value.text;
    std::size_t body_length = value.length;
    std::size_t length = 0;
    if (conversion == 's') {
      if (zero || sign != 0) {
        return Outcome::needs_autoconf;
      }
      if (has_precision && precision < body_length) {
        body_length = precision;
      }
    } else if (conversion == 'd' || conversion == 'i') {
      std::int32_t number = 0;
      if (has_precision) {
        return Outcome::needs_autoconf;
      }
      if (given && value.length == 0) {
        return Outcome::fails;  // m4 warns of the empty number
      }
      if (given) {
        // Outside an int, m4 reports an overflow.
        if (!parse_integer(value.text, value.length, &number)) {
          return Outcome::fails;
        }
        long long wide = 0;
        const bool negative = value.text[0] == '-';
        for (std::size_t k = negative || value.text[0] == '+' ? 1 : 0;
             k < value.length; ++k) {
          wide =
              std::min<long long>(wide * 10 + (value.text[k] - '0'), 1LL << 40);
        }
        if ((negative ? -wide : wide) != number) {
          return Outcome::fails;
        }
      }
      if (number < 0) {
        field[length++] = '-';
      } else if (sign != 0) {
        field[length++] = sign;
      }
      const std::size_t digits_at = length;
      std::uint32_t rest = number < 0 ? 0U - static_cast<std::uint32_t>(number)
                                      : static_cast<std::uint32_t>(number);
      do {
        field[length++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
      } while (rest != 0);
      std::reverse(field + digits_at, field + length);
      body = field;
      body_length = length;
      if (zero && !left) {
        // Zeros go between the sign and the digits.
        const std::size_t sign_length = digits_at;
        put_text(result, field, sign_length);
        for (std::size_t k = body_length; k < width; ++k) {
          put_byte(result, '0');
        }
        put_text(result, field + sign_length, body_length - sign_length);
        continue;
      }
    } else {
      return conversion == 'c' || conversion == 'x' || conversion == 'X' ||
                     conversion == 'o' || conversion == 'u' ||
                     conversion == 'e' || conversion == 'E' ||
                     conversion == 'f' || conversion == 'F' ||
                     conversion == 'g' || conversion == 'G' ||
                     conversion == 'a' || conversion == 'A'
                 ? Outcome::needs_autoconf
                 : Outcome::fails;
    }
    if (!left) {
      for (std::size_t k = body_length; k < width; ++k) {
        put_byte(result, ' ');
      }
    }
    put_text(result, body, body_length);
    if (left) {
      for (std::size_t k = body_length; k < width; ++k) {
        put_byte(result, ' ');
      }
    }
  }
  return Outcome::done;
}

Outcome builtin_eval(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  if (a.count > 3) {
    return Outcome::fails;
  }
  std::int32_t value = 0;
  std::int32_t radix = 10;
  std::int32_t width = 0;
  if ((a.count > 1 && !parse_integer(a.text[1], a.length[1], &radix)) ||
      (a.count > 2 && !parse_integer(a.text[2], a.length[2], &width)) ||
      radix < 1 || radix > 36 || width < 0) {
    return Outcome::fails;
  }
  switch (evaluate_expression(a.text[0], a.length[0], &value)) {
    case EvalStatus::ok:
      break;
    case EvalStatus::invalid:
      return Outcome::fails;
    case EvalStatus::too_deep:
      return Outcome::needs_autoconf;
  }
  char digits[max_line_length + 1];
  const std::size_t length =
      format_in_radix(value, static_cast<unsigned>(radix),
                      static_cast<std::size_t>(width), digits, sizeof digits);
  if (length == 0) {
    return Outcome::needs_autoconf;  // more than the engine holds
  }
  put_text(result, digits, length);
  return Outcome::done;
}

Outcome builtin_shift(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  for (unsigned i = 1; i < a.count; ++i) {
    if (i > 1) {
      put_byte(result, ',');
    }
    put_quoted(result, a.text[i], a.length[i]);
  }
  return Outcome::done;
}

// dnl: the rest of the line, newline included, is dropped.
Outcome builtin_dnl(Engine* engine, const Arguments& a, TextOut* /*result*/) {
  if (a.count > 0) {
    return Outcome::fails;  // m4 warns of the arguments
  }
  Input* input = &engine->input;
  for (int c = peek_byte(input); c >= 0; c = peek_byte(input)) {
    // The file's bytes a run at a time, where they can be taken so.
    const std::size_t run = file_run(input);
    const void* newline = std::memchr(file_bytes(*input), '\n', run);
    if (newline != nullptr) {
      window_consume(input->file, static_cast<std::size_t>(
                                      static_cast<const char*>(newline) -
                                      file_bytes(*input)) +
                                      1);
      return Outcome::done;
    }
    if (run > 0) {
      window_consume(input->file, run);
      continue;
    }
    next_byte(input);
    if (c == '\n') {
      return Outcome::done;
    }
  }
  // Read text that ends before its line does: in Autoconf, dnl would go
  // on into whatever follows it.
  return engine->input.sealed ? Outcome::needs_autoconf : Outcome::done;
}

// m4sugar's macros. Defined in m4 itself, they take any number of
// arguments, and put theirs inside quotes of their own.

// The result of those that choose one of their arguments.
Outcome pick(const Arguments& a, TextOut* result, unsigned index) {
  if (!all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  put_argument(result, a, index);
  return Outcome::done;
}

Outcome builtin_ifndef(Engine* engine, const Arguments& a, TextOut* result) {
  if (!all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  const Text name = argument(a, 0);
  switch (is_defined(*engine, name.text, name.length)) {
    case Defined::unknown:
      return Outcome::needs_autoconf;
    case Defined::yes:
      put_argument(result, a, 2);
      break;
    case Defined::no:
      put_argument(result, a, 1);
      break;
  }
  return Outcome::done;
}

Outcome builtin_ifval(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return pick(a, result, argument(a, 0).length != 0 ? 1 : 2);
}

Outcome builtin_ifset(Engine* engine, const Arguments& a, TextOut* result) {
  if (!all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  const Text name = argument(a, 0);
  const NameMeaning meaning = meaning_of(*engine, name.text, name.length);
  const Defined defined = is_defined(*engine, name.text, name.length);
  if (defined == Defined::unknown ||
      (defined == Defined::yes && meaning.kind != NameKind::text)) {
    return Outcome::needs_autoconf;
  }
  const bool set = defined == Defined::yes && meaning.macro->value_length > 0;
  put_argument(result, a, set ? 1 : 2);
  return Outcome::done;
}

bool is_blank(const Text& text) {
  for (std::size_t i = 0; i < text.length; ++i) {
    const char c = text.text[i];
    if (c != ' ' && c != '\t' && c != '\n') {
      return false;
    }
  }
  return true;
}

Outcome builtin_ifblank(Engine* /*engine*/, const Arguments& a,
                        TextOut* result) {
  return pick(a, result, is_blank(argument(a, 0)) ? 1 : 2);
}

Outcome builtin_ifnblank(Engine* /*engine*/, const Arguments& a,
                         TextOut* result) {
  return pick(a, result, is_blank(argument(a, 0)) ? 2 : 1);
}

Outcome builtin_default(Engine* /*engine*/, const Arguments& a,
                        TextOut* result) {
  return pick(a, result, argument(a, 0).length != 0 ? 0 : 1);
}

Outcome builtin_case(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  if (!all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  for (unsigned i = 1; i < a.count; i += 2) {
    if (a.count - i == 1) {
      put_argument(result, a, i);  // the default
      return Outcome::done;
    }
    if (equal(a, 0, i)) {
      put_argument(result, a, i + 1);
      return Outcome::done;
    }
  }
  return Outcome::done;
}

// m4_join and m4_joinall: the arguments after the separator, joined by
// it, quoted; m4_join leaves out the empty ones.
Outcome join_common(const Arguments& a, TextOut* result, bool all) {
  if (!all_balanced(a) || (all && a.count < 2)) {
    return Outcome::needs_autoconf;
  }
  put_byte(result, '[');
  bool first = true;
  for (unsigned i = 1; i < a.count; ++i) {
    if (!all && a.length[i] == 0) {
      continue;
    }
    if (!first) {
      put_text(result, a.text[0], a.length[0]);
    }
    put_text(result, a.text[i], a.length[i]);
    first = false;
  }
  put_byte(result, ']');
  return Outcome::done;
}

Outcome builtin_join(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return join_common(a, result, false);
}

Outcome builtin_joinall(Engine* /*engine*/, const Arguments& a,
                        TextOut* result) {
  return join_common(a, result, true);
}

// m4_flatten: backslash-newline pairs go, other newlines become spaces.
std::size_t flatten(const char* text, std::size_t length, char* out) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] == '\\' && i + 1 < length && text[i + 1] == '\n') {
      ++i;
    } else {
      out[count++] = text[i] == '\n' ? ' ' : text[i];
    }
  }
  return count;
}

// m4_strip: runs of spaces and tabs become one space, and a space at
// either end goes. Newlines stay where they are, but Autoconf's pattern
// does not reach past them.
bool strip(const char* text, std::size_t length, char* out,
           std::size_t* count) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '\n') {
      return false;
    }
    const bool blank = c == ' ' || c == '\t';
    if (blank && kept > 0 && out[kept - 1] == ' ') {
      continue;
    }
    out[kept++] = blank ? ' ' : c;
  }
  std::size_t from = kept > 0 && out[0] == ' ' ? 1 : 0;
  if (kept > from && out[kept - 1] == ' ') {
    --kept;
  }
  if (from > kept) {
    from = kept;
  }
  std::memmove(out, out + from, kept - from);
  *count = kept - from;
  return true;
}

enum class Reshape { flatten, strip, normalize };

Outcome reshape(const Arguments& a, TextOut* result, Reshape how) {
  const Text text = argument(a, 0);
  if (!balanced(text.text, text.length) || text.length > max_line_length) {
    return Outcome::needs_autoconf;
  }
  char flat[max_line_length];
  std::size_t length = text.length;
  std::memcpy(flat, text.text, length);
  if (how != Reshape::strip) {
    length = flatten(text.text, text.length, flat);
  }
  if (how != Reshape::flatten) {
    char stripped[max_line_length];
    std::size_t count = 0;
    if (!strip(flat, length, stripped, &count)) {
      return Outcome::needs_autoconf;
    }
    std::memcpy(flat, stripped, count);
    length = count;
  }
  put_quoted(result, flat, length);
  return Outcome::done;
}

Outcome builtin_flatten(Engine* /*engine*/, const Arguments& a,
                        TextOut* result) {
  return reshape(a, result, Reshape::flatten);
}

Outcome builtin_strip(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return reshape(a, result, Reshape::strip);
}

Outcome builtin_normalize(Engine* /*engine*/, const Arguments& a,
                          TextOut* result) {
  return reshape(a, result, Reshape::normalize);
}

// m4_quote and m4_dquote: the arguments joined by commas, quoted; each
// quoted as well for m4_dquote.
Outcome quote_arguments(const Arguments& a, TextOut* result, bool each) {
  if (!all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  put_byte(result, '[');
  for (unsigned i = 0; i < a.count; ++i) {
    if (i > 0) {
      put_byte(result, ',');
    }
    if (each) {
      put_quoted(result, a.text[i], a.length[i]);
    } else {
      put_text(result, a.text[i], a.length[i]);
    }
  }
  put_byte(result, ']');
  return Outcome::done;
}

Outcome builtin_quote(Engine* /*engine*/, const Arguments& a, TextOut* result) {
  return quote_arguments(a, result, false);
}

Outcome builtin_dquote(Engine* /*engine*/, const Arguments& a,
                       TextOut* result) {
  return quote_arguments(a, result, true);
}

// m4_append(NAME, TEXT, [SEPARATOR]): NAME's value, the separator and the
// text, or the text alone where NAME is not defined.
Outcome append_to(Engine* engine, const Text& name, const Text& text,
                  const Text& separator) {
  const Defined defined = is_defined(*engine, name.text, name.length);
  const NameMeaning meaning = meaning_of(*engine, name.text, name.length);
  if (defined == Defined::unknown ||
      (defined == Defined::yes && meaning.kind != NameKind::text)) {
    return Outcome::needs_autoconf;
  }
  // Built in the text to push, which is free until the result is made.
  char value[max_line_length];
  std::size_t length = 0;
  const auto add = [&](const char* bytes, std::size_t count) {
    if (max_line_length - length < count) {
      return false;
    }
    std::memcpy(value + length, bytes, count);
    length += count;
    return true;
  };
  if (defined == Defined::yes &&
      !(add(macro_value(engine->macros, *meaning.macro),
            meaning.macro->value_length) &&
        add(separator.text, separator.length))) {
    return Outcome::needs_autoconf;
  }
  if (!add(text.text, text.length)) {
    return Outcome::needs_autoconf;
  }
  set_definition(engine, name.text, name.length,
                 text_value(*engine, value, length), false);
  return Outcome::done;
}

Outcome builtin_append(Engine* engine, const Arguments& a,
                       TextOut* /*result*/) {
  if (a.count == 0 || !all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  return append_to(engine, argument(a, 0), argument(a, 1), argument(a, 2));
}

Outcome builtin_append_uniq(Engine* engine, const Arguments& a,
                            TextOut* result) {
  if (a.count == 0 || !all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  const Text name = argument(a, 0);
  const Text text = argument(a, 1);
  const Text separator = argument(a, 2);
  const NameMeaning meaning = meaning_of(*engine, name.text, name.length);
  const Defined defined = is_defined(*engine, name.text, name.length);
  if (defined == Defined::unknown ||
      (defined == Defined::yes && meaning.kind != NameKind::text)) {
    return Outcome::needs_autoconf;
  }
  bool unique = true;
  if (defined == Defined::yes) {
    // Is SEPARATOR TEXT SEPARATOR in SEPARATOR VALUE SEPARATOR? Both are
    // put together in the result's room, which is given back after.
    const std::size_t mark = *result->length;
    const Text value{macro_value(engine->macros, *meaning.macro),
                     meaning.macro->value_length};
    for (const Text part :
         {separator, value, separator, separator, text, separator}) {
      put_text(result, part.text, part.length);
    }
    if (result->overflow) {
      return Outcome::needs_autoconf;
    }
    const char* hay = result->text + mark;
    const std::size_t hay_length = value.length + 2 * separator.length;
    unique = find_text(hay, hay_length, hay + hay_length,
                       text.length + 2 * separator.length) < 0;
    *result->length = mark;
  }
  if (unique) {
    const Outcome appended = defined == Defined::yes
                                 ? append_to(engine, name, text, separator)
                                 : append_to(engine, name, text, Text{"", 0});
    if (appended != Outcome::done) {
      return appended;
    }
  }
  put_argument(result, a, unique ? 3 : 4);
  return Outcome::done;
}

// m4_copy(SOURCE, DESTINATION): every definition of SOURCE, pushdef stack
// and all; DESTINATION must not be defined. m4_rename then removes SOURCE.
Outcome copy_common(Engine* engine, const Arguments& a, bool rename) {
  if (a.count < 2 || !all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  const Text source = argument(a, 0);
  const Text destination = argument(a, 1);
  const Defined from = is_defined(*engine, source.text, source.length);
  const Defined to = is_defined(*engine, destination.text, destination.length);
  if (from == Defined::unknown || to == Defined::unknown) {
    return Outcome::needs_autoconf;
  }
  if (to == Defined::yes) {
    return Outcome::fails;  // m4_fatal: won't overwrite a defined macro
  }
  if (from == Defined::no) {
    return rename ? Outcome::fails : Outcome::done;
  }
  const NameMeaning meaning = meaning_of(*engine, source.text, source.length);
  if (meaning.kind == NameKind::builtin && meaning.macro == nullptr) {
    set_definition(
        engine, destination.text, destination.length,
        MacroValue{MacroKind::builtin, "", 0, meaning.builtin, false}, true);
  } else {
    // From the bottom of the stack up; values are copied out of the table
    // first, since defining may move its text.
    const Macro* stack[max_macros];
    std::size_t depth = 0;
    for (const Macro* m = meaning.macro; m != nullptr && depth < max_macros;
         m = m->below >= 0 ? &engine->macros.entries[m->below] : nullptr) {
      stack[depth++] = m;
    }
    while (depth > 0) {
      const Macro& m = *stack[--depth];
      char value[max_line_length];
      if (m.value_length > sizeof value) {
        return Outcome::needs_autoconf;
      }
      std::memcpy(value, macro_value(engine->macros, m), m.value_length);
      set_definition(
          engine, destination.text, destination.length,
          MacroValue{m.kind, value, m.value_length, m.builtin, m.may_define},
          true);
    }
  }
  if (rename) {
    remove_definition(engine, source.text, source.length, true);
  }
  return Outcome::done;
}

Outcome builtin_copy(Engine* engine, const Arguments& a, TextOut* /*result*/) {
  return copy_common(engine, a, false);
}

Outcome builtin_rename(Engine* engine, const Arguments& a,
                       TextOut* /*result*/) {
  return copy_common(engine, a, true);
}

Outcome builtin_define_default(Engine* engine, const Arguments& a,
                               TextOut* /*result*/) {
  if (a.count == 0 || !all_balanced(a)) {
    return Outcome::needs_autoconf;
  }
  switch (is_defined(*engine, a.text[0], a.length[0])) {
    case Defined::unknown:
      return Outcome::needs_autoconf;
    case Defined::yes:
      return Outcome::done;
    case Defined::no:
      break;
  }
  return define_common(engine, a, false);
}

// AC_DEFUN and its kin define a macro the engine cannot follow: calling it
// needs Autoconf, and so may what it defines.
Outcome builtin_defun(Engine* engine, const Arguments& a, TextOut* /*result*/) {
  if (a.count == 0 || a.length[0] == 0) {
    return Outcome::defines_unseen;
  }
  set_definition(engine, a.text[0], a.length[0],
                 MacroValue{MacroKind::opaque, "", 0, 0, true}, false);
  return Outcome::done;
}

// Macros left to Autoconf.
Outcome refuse(Engine* /*engine*/, const Arguments& /*arguments*/,
               TextOut* /*result*/) {
  return Outcome::needs_autoconf;
}

// Another file, a shell command, or a macro called by a name made at run
// time: anything may be defined.
Outcome refuse_unseen(Engine* /*engine*/, const Arguments& /*arguments*/,
                      TextOut* /*result*/) {
  return Outcome::defines_unseen;
}

// The file is read otherwise from here on, or no more.
Outcome refuse_lost(Engine* /*engine*/, const Arguments& /*arguments*/,
                    TextOut* /*result*/) {
  return Outcome::fails;
}

// By name, in byte order, for find_builtin.
constexpr Builtin builtins[] = {
    {"AC_DEFUN", 8, builtin_defun, false, true, false},
    {"AC_DEFUN_ONCE", 13, builtin_defun, false, true, false},
    {"AU_ALIAS", 8, builtin_defun, false, true, false},
    {"AU_DEFUN", 8, builtin_defun, false, true, false},
    {"__file__", 8, refuse, false, false, false},
    {"__gnu__", 7, refuse, false, false, false},
    {"__line__", 8, refuse, false, false, false},
    {"__oline__", 9, refuse, false, false, false},
    {"__program__", 11, refuse, false, false, false},
    {"__unix__", 8, refuse, false, false, false},
    {"builtin", 7, refuse_unseen, true, false, false},
    {"changequote", 11, refuse_lost, false, false, false},
    {"decr", 4, builtin_decr, true, false, false},
    {"define", 6, builtin_define, true, true, false},
    {"defn", 4, builtin_defn, false, false, true},
    {"divert", 6, refuse, false, false, false},
    {"divnum", 6, refuse, false, false, false},
    {"dnl", 3, builtin_dnl, false, false, false},
    {"errprint", 8, refuse, true, false, false},
    {"esyscmd", 7, refuse, true, false, false},
    {"ifdef", 5, builtin_ifdef, true, false, false},
    {"ifelse", 6, builtin_ifelse, true, false, false},
    {"incr", 4, builtin_incr, true, false, false},
    {"index", 5, builtin_index, true, false, false},
    {"indir", 5, refuse_unseen, true, false, false},
    {"len", 3, builtin_len, true, false, false},
    {"m4_append", 9, builtin_append, false, true, false},
    {"m4_append_uniq", 14, builtin_append_uniq, false, true, false},
    {"m4_builtin", 10, refuse_unseen, true, false, false},
    {"m4_case", 7, builtin_case, false, false, false},
    {"m4_changecom", 12, refuse_lost, false, false, false},
    {"m4_changequote", 14, refuse_lost, false, false, false},
    {"m4_copy", 7, builtin_copy, false, false, false},
    {"m4_decr", 7, builtin_decr, true, false, false},
    {"m4_default", 10, builtin_default, false, false, false},
    {"m4_define", 9, builtin_define, true, true, false},
    {"m4_define_default", 17, builtin_define_default, false, true, false},
    {"m4_defn", 7, builtin_defn, false, false, true},
    {"m4_dquote", 9, builtin_dquote, false, false, true},
    {"m4_esyscmd", 10, refuse, true, false, false},
    {"m4_esyscmd_s", 12, refuse, false, false, false},
    {"m4_eval", 7, builtin_eval, true, false, false},
    {"m4_exit", 7, refuse_lost, true, false, false},
    {"m4_flatten", 10, builtin_flatten, false, false, true},
    {"m4_format", 9, builtin_format, true, false, false},
    {"m4_if", 5, builtin_ifelse, true, false, false},
    {"m4_ifblank", 10, builtin_ifblank, false, false, false},
    {"m4_ifdef", 8, builtin_ifdef, true, false, false},
    {"m4_ifnblank", 11, builtin_ifnblank, false, false, false},
    {"m4_ifndef", 9, builtin_ifndef, false, false, false},
    {"m4_ifset", 8, builtin_ifset, false, false, false},
    {"m4_ifval", 8, builtin_ifval, false, false, false},
    {"m4_include", 10, refuse_unseen, false, false, false},
    {"m4_incr", 7, builtin_incr, true, false, false},
    {"m4_index", 8, builtin_index, true, false, false},
    {"m4_indir", 8, refuse_unseen, true, false, false},
    {"m4_join", 7, builtin_join, false, false, true},
    {"m4_joinall", 10, builtin_joinall, false, false, true},
    {"m4_len", 6, builtin_len, true, false, false},
    {"m4_normalize", 12, builtin_normalize, false, false, true},
    {"m4_popdef", 9, builtin_popdef, false, false, false},
    {"m4_pushdef", 10, builtin_pushdef, true, true, false},
    {"m4_quote", 8, builtin_quote, false, false, true},
    {"m4_rename", 9, builtin_rename, false, false, false},
    {"m4_shift", 8, builtin_shift, true, false, true},
    {"m4_sinclude", 11, refuse_unseen, false, false, false},
    {"m4_strip", 8, builtin_strip, false, false, true},
    {"m4_substr", 9, builtin_substr, true, false, false},
    {"m4_syscmd", 9, refuse, true, false, false},
    {"m4_translit", 11, builtin_translit, true, false, false},
    {"m4_undefine", 11, builtin_undefine, false, false, false},
    {"patsubst", 8, refuse, true, false, false},
    {"popdef", 6, builtin_popdef, false, false, false},
    {"pushdef", 7, builtin_pushdef, true, true, false},
    {"regexp", 6, refuse, true, false, false},
    {"sinclude", 8, refuse_unseen, true, false, false},
    {"syscmd", 6, refuse, true, false, false},
    {"sysval", 6, refuse, false, false, false},
    {"traceoff", 8, refuse, false, false, false},
    {"traceon", 7, refuse, false, false, false},
    {"translit", 8, builtin_translit, true, false, false},
    {"undefine", 8, builtin_undefine, false, false, false},
    {"undivert", 8, refuse, false, false, false},
};

// The macros that define or remove names.
constexpr BuiltinFunction defining_functions[] = {
    builtin_define, builtin_pushdef, builtin_undefine,
    builtin_popdef, builtin_append,  builtin_append_uniq,
    builtin_copy,   builtin_rename,  builtin_define_default,
    builtin_defun,  refuse_unseen,   refuse_lost};

bool name_less(const char* a, std::size_t a_length, const char* b,
               std::size_t b_length) {
  const std::size_t common = std::min(a_length, b_length);
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) {
      return static_cast<unsigned char>(a[i]) <
             static_cast<unsigned char>(b[i]);
    }
  }
  return a_length < b_length;
}

}  // namespace

int find_builtin(const char* name, std::size_t length) {
  const Builtin* found = std::lower_bound(
      std::begin(builtins), std::end(builtins), name,
      [length](const Builtin& builtin, const char* key) {
        return name_less(builtin.name, builtin.name_length, key, length);
      });
  if (found == std::end(builtins) ||
      name_less(name, length, found->name, found->name_length)) {
    return -1;
  }
  return static_cast<int>(found - std::begin(builtins));
}

const Builtin& builtin_at(int index) {
  return builtins[static_cast<std::size_t>(index)];
}

std::size_t builtin_count() { return std::size(builtins); }

bool is_defining_builtin(int index) {
  const BuiltinFunction function = builtin_at(index).function;
  return std::find(std::begin(defining_functions), std::end(defining_functions),
                   function) != std::end(defining_functions);
}
