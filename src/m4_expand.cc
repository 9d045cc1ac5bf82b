#include "m4_expand.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "m4_builtins.h"
#include "text.h"

namespace {

// Names of the macros of Autoconf, m4sugar, Automake, Libtool, pkg-config,
// Gnulib and the Autoconf Archive: their expansion is Autoconf's to know.
// Asked of every name read, so it looks at bytes, not at a list.
bool is_autoconf_name(const char* name, std::size_t length) {
  const bool underscore = length > 0 && name[0] == '_';
  const char* word = name + (underscore ? 1 : 0);
  const std::size_t rest = length - (underscore ? 1 : 0);
  if (rest < 3) {
    return false;
  }
  const char a = word[0];
  const char b = word[1];
  if (word[2] == '_') {
    if ((a == 'm' && b == '4') ||
        (a == 'A' && (b == 'C' || b == 'S' || b == 'M')) ||
        (a == 'L' && b == 'T')) {
      return true;  // m4_, AC_, AS_, AM_, LT_, and each with a '_' before
    }
    // AH_, AU_, AT_, AX_, gl_
    return !underscore &&
           ((a == 'A' && (b == 'H' || b == 'U' || b == 'T' || b == 'X')) ||
            (a == 'g' && b == 'l'));
  }
  return !underscore && rest >= 4 && a == 'P' && b == 'K' && word[2] == 'G' &&
         word[3] == '_';  // PKG_
}

// Names that Autoconf's own AC_INIT relies on to compute PACKAGE_VERSION:
// a definition of one may change the version Autoconf gives.
bool is_autoconf_machinery(const char* name, std::size_t length) {
  constexpr const char* prefixes[] = {"m4_", "_m4_", "_AC_", "AC_INIT",
                                      "AC_SUBST"};
  constexpr char version[] = "AC_PACKAGE_VERSION";
  constexpr char dnl[] = "dnl";
  return std::any_of(std::begin(prefixes), std::end(prefixes),
                     [&](const char* prefix) {
                       return has_prefix(name, length, prefix);
                     }) ||
         (length == sizeof version - 1 &&
          std::memcmp(name, version, length) == 0) ||
         (length == sizeof dnl - 1 && std::memcmp(name, dnl, length) == 0);
}

// Calls f(name, length) for each m4 name in text, until f returns true;
// returns whether one did.
template <typename F>
bool any_name(const char* text, std::size_t length, F f) {
  for (std::size_t i = 0; i < length;) {
    if (!is_name_start(text[i]) || (i > 0 && is_name_byte(text[i - 1]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < length && is_name_byte(text[end])) {
      ++end;
    }
    if (f(text + i, end - i)) {
      return true;
    }
    i = end;
  }
  return false;
}

NameText name_of(const char* text) {
  NameText name;
  set_name(&name, text, std::strlen(text));
  return name;
}

enum class Status {
  ok,
  ended,    // the input ended inside a call's arguments
  refused,  // the version needs Autoconf
  lost      // the engine cannot follow the file any further
};

// Where text goes, and what a name that needs Autoconf means there.
enum class Place {
  top_level,  // m4's output: dropped; unknown effects may define names
  argument,   // a call's argument: the call needs Autoconf too
  version     // the version: refused
};

struct Sink {
  Place place;
  TextOut out;
  Collection* collection;  // for Place::argument
  NameText* refused;       // for Place::version
};

// Every definition made so far, and every name not in the table, may have
// been changed where the engine cannot see.
void forget_definitions(Engine* engine) {
  if (!engine->names_unknown) {
    engine->names_unknown = true;
  } else if (!engine->defined_since_forgotten) {
    return;  // every definition is forgotten already
  }
  engine->defined_since_forgotten = false;
  // Every entry ever used, free ones too: those are set anew when used.
  MacroTable* table = &engine->macros;
  for (std::size_t i = 0; i < table->never_used; ++i) {
    Macro* macro = &table->entries[i];
    if (macro->kind == MacroKind::text) {
      macro->kind = MacroKind::opaque;
      macro->may_define = true;
    }
  }
}

Status lose_track(Engine* engine, const NameText& cause) {
  if (!engine->lost) {
    engine->lost = true;
    engine->lost_by = cause;
  }
  return Status::lost;
}

// Something put to sink needs Autoconf, as name says.
Status needs_autoconf(Sink* sink, const NameText& name) {
  switch (sink->place) {
    case Place::argument: {
      Collection* c = sink->collection;
      if (!c->tainted) {
        c->tainted = true;
        c->taint_argument = c->count;
        c->taint = name;
      }
      return Status::ok;
    }
    case Place::version:
      *sink->refused = name;
      return Status::refused;
    case Place::top_level:
      break;
  }
  return Status::ok;
}

Arguments arguments_of(const Engine& engine, const Collection& c,
                       const NameText& name) {
  Arguments a;
  a.name = &name;
  a.count = c.count;
  for (unsigned i = 0; i < c.count; ++i) {
    a.text[i] = engine.arguments + c.start[i];
    a.length[i] = c.length[i];
  }
  return a;
}

bool arguments_may_define(const Engine& engine, const Collection& c) {
  if (c.overflow) {
    return true;
  }
  for (unsigned i = 0; i < c.count; ++i) {
    if (may_define_names(engine, engine.arguments + c.start[i], c.length[i])) {
      return true;
    }
  }
  return false;
}

// A call whose result only Autoconf knows. At the top level its result is
// read again by m4: where its arguments may define names, or it may
// itself, the engine can no longer be sure of any name.
Status unknown_result(Engine* engine, Sink* sink, const NameText& name,
                      const Collection* c, bool defines_unseen) {
  if (defines_unseen || (c != nullptr && arguments_may_define(*engine, *c))) {
    forget_definitions(engine);
  }
  return needs_autoconf(sink, name);
}

Status expand_name(Engine* engine, const NameText& name, Sink* sink);

// The length of the run of the file's next bytes that mean nothing to m4
// there: no name, quote or comment, and in arguments, no parenthesis or
// comma.
std::size_t plain_run(Input* input, bool in_arguments) {
  const std::size_t count = file_run(input);
  const char* bytes = file_bytes(*input);
  std::size_t length = 0;
  for (; length < count; ++length) {
    const char c = bytes[length];
    if (is_name_start(c) || c == '[' || c == '#' ||
        (in_arguments && (c == '(' || c == ')' || c == ','))) {
      break;
    }
  }
  return length;
}

// Reads tokens until a ',' or ')' outside parentheses ends the argument;
// sets *closed for a ')'.
Status collect_argument(Engine* engine, Sink* sink, bool* closed) {
  Input* input = &engine->input;
  unsigned parentheses = 0;
  for (;;) {
    const int c = peek_byte(input);
    if (c < 0) {
      return Status::ended;
    }
    const char byte = static_cast<char>(c);
    if (is_name_start(byte)) {
      NameText name;
      read_name(input, &name);
      const Status status = expand_name(engine, name, sink);
      if (status != Status::ok) {
        return status;
      }
      continue;
    }
    const std::size_t run = plain_run(input, true);
    if (run > 0) {
      put_text(&sink->out, file_bytes(*input), run);
      window_consume(input->file, run);
      continue;
    }
    next_byte(input);
    if (byte == '[') {
      engine->in_quotes = true;
      const bool complete = read_quoted(input, &sink->out);
      engine->in_quotes = false;
      if (!complete) {
        return Status::ended;
      }
    } else if (byte == '#') {
      put_byte(&sink->out, '#');
      read_comment(input, &sink->out);
    } else if (parentheses == 0 && (byte == ',' || byte == ')')) {
      *closed = byte == ')';
      return Status::ok;
    } else {
      parentheses += byte == '(' ? 1 : 0;
      parentheses -= byte == ')' ? 1 : 0;
      put_byte(&sink->out, byte);
    }
  }
}

// Skips the unquoted whitespace before an argument.
void skip_whitespace(Input* input) {
  for (;;) {
    const std::size_t count = file_run(input);
    const char* bytes = file_bytes(*input);
    std::size_t length = 0;
    while (length < count && is_whitespace_byte(bytes[length])) {
      ++length;
    }
    if (length > 0) {
      window_consume(input->file, length);
      if (length < count) {
        return;
      }
      continue;
    }
    const int b = peek_byte(input);
    if (b < 0 || !is_whitespace_byte(static_cast<char>(b))) {
      return;
    }
    next_byte(input);
  }
}

// Starts to collect the arguments of a call whose '(' is the next byte.
Status open_collection(Engine* engine, const NameText& name, Collection* c) {
  c->name = &name;
  c->count = 0;
  c->closed = false;
  c->overflow = false;
  c->tainted = false;
  c->taint_argument = 0;
  if (engine->collection_depth == max_collection_depth) {
    return lose_track(engine, name);
  }
  next_byte(&engine->input);  // the '('
  c->outer = engine->innermost;
  engine->innermost = c;
  ++engine->collection_depth;
  return Status::ok;
}

// Collects arguments, as m4 does: unquoted whitespace before each is
// dropped, one level of quotes is removed, and macros outside quotes are
// expanded as they are read; until the call closes, or holds stop_after.
Status collect_more(Engine* engine, Collection* c, unsigned stop_after) {
  Status status = Status::ok;
  while (!c->closed && c->count < stop_after && status == Status::ok) {
    skip_whitespace(&engine->input);
    const std::size_t start = engine->arguments_used;
    Sink sink = {Place::argument,
                 TextOut{engine->arguments, &engine->arguments_used,
                         argument_text_size, false},
                 c, nullptr};
    status = collect_argument(engine, &sink, &c->closed);
    if (sink.out.overflow || c->count == max_arguments) {
      c->overflow = true;
      stop_after = max_arguments + 1;  // what is left is read, not kept
    } else {
      c->start[c->count] = static_cast<std::uint32_t>(start);
      c->length[c->count] =
          static_cast<std::uint32_t>(engine->arguments_used - start);
      ++c->count;
    }
  }
  return status;
}

void close_collection(Engine* engine, Collection* c) {
  engine->innermost = c->outer;
  --engine->collection_depth;
}

// Collects all the arguments of a call whose '(' is the next byte.
Status collect_arguments(Engine* engine, const NameText& name, Collection* c) {
  Status status = open_collection(engine, name, c);
  if (status != Status::ok) {
    return status;
  }
  status = collect_more(engine, c, max_arguments + 1);
  close_collection(engine, c);
  return status;
}

// The arguments of the call to name: collected where a '(' follows, none
// where not.
Status arguments_for(Engine* engine, const NameText& name, Collection* c) {
  if (peek_byte(&engine->input) == '(') {
    return collect_arguments(engine, name, c);
  }
  c->name = &name;
  c->count = 0;
  c->closed = true;
  c->overflow = false;
  c->tainted = false;
  return Status::ok;
}

// Counts an expansion against the limit that ends runaway recursion.
bool within_limits(Engine* engine) {
  return ++engine->expansions <= max_expansions &&
         engine->input.depth < max_input_depth;
}

// A user macro's value with its parameters in place: $0 to $N, $#, $* and
// $@, as m4 substitutes them.
void substitute(const char* value, std::size_t length, const Arguments& a,
                TextOut* out) {
  const auto put_argument = [&](std::size_t i) {
    if (i == 0) {
      put_text(out, a.name->text, a.name->length);
    } else if (i <= a.count) {
      put_text(out, a.text[i - 1], a.length[i - 1]);
    }
  };
  for (std::size_t i = 0; i < length; ++i) {
    if (value[i] != '$' || i + 1 == length) {
      put_byte(out, value[i]);
      continue;
    }
    const char next = value[i + 1];
    if (next >= '0' && next <= '9') {
      std::size_t index = 0;
      for (++i; i < length && value[i] >= '0' && value[i] <= '9'; ++i) {
        index = std::min<std::size_t>(
            index * 10 + static_cast<std::size_t>(value[i] - '0'),
            max_arguments + 1);
      }
      --i;
      put_argument(index);
    } else if (next == '#') {
      char digits[8];
      std::size_t count = 0;
      unsigned rest = a.count;
      do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
      } while (rest != 0);
      while (count > 0) {
        put_byte(out, digits[--count]);
      }
      ++i;
    } else if (next == '*' || next == '@') {
      for (unsigned k = 0; k < a.count; ++k) {
        if (k > 0) {
          put_byte(out, ',');
        }
        if (next == '@') {
          put_byte(out, '[');
        }
        put_text(out, a.text[k], a.length[k]);
        if (next == '@') {
          put_byte(out, ']');
        }
      }
      ++i;
    } else {
      put_byte(out, '$');
    }
  }
}

bool stands_alone(const char* text, std::size_t length, bool quoted) {
  long depth = 0;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = text[i];
    depth += c == '[' ? 1 : c == ']' ? -1 : 0;
    if (depth < 0 || (quoted && (c == ',' || c == '(' || c == ')'))) {
      return false;
    }
  }
  return depth == 0;
}

// Pushes the text written at the input's free space as the next input.
Status push_result(Engine* engine, const TextOut& out, const NameText& name,
                   Sink* sink) {
  const std::size_t length = *out.length - engine->input.text_used;
  engine->expanded_bytes += length;
  if (out.overflow || engine->expanded_bytes > max_expanded_bytes ||
      !push_text(&engine->input, length)) {
    return needs_autoconf(sink, name) == Status::ok ? lose_track(engine, name)
                                                    : Status::refused;
  }
  return Status::ok;
}

Status call_text_macro(Engine* engine, const NameText& name, const Macro& macro,
                       Sink* sink) {
  const std::size_t arguments_before = engine->arguments_used;
  Collection c;
  Status status = arguments_for(engine, name, &c);
  if (status == Status::ok) {
    if (c.tainted || c.overflow) {
      status =
          unknown_result(engine, sink, c.tainted ? c.taint : name, &c, false);
    } else if (!within_limits(engine)) {
      status = needs_autoconf(sink, name) == Status::ok
                   ? lose_track(engine, name)
                   : Status::refused;
    } else {
      drop_read_levels(&engine->input);
      std::size_t end = engine->input.text_used;
      TextOut out = {engine->input.text, &end, input_text_size, false};
      substitute(macro_value(engine->macros, macro), macro.value_length,
                 arguments_of(*engine, c, name), &out);
      status = push_result(engine, out, name, sink);
    }
  }
  engine->arguments_used = arguments_before;
  return status;
}

// A call whose arguments need Autoconf: a macro that defines its first
// argument defines it as something only Autoconf knows.
Status tainted_call(Engine* engine, const NameText& name,
                    const Builtin& builtin, const Collection& c, Sink* sink) {
  if (builtin.defines_first && c.count > 0 && c.taint_argument > 0 &&
      !c.overflow) {
    set_definition(engine, engine->arguments + c.start[0], c.length[0],
                   MacroValue{MacroKind::opaque, "", 0, 0, true}, false);
    return Status::ok;
  }
  return unknown_result(engine, sink, c.overflow ? name : c.taint, &c, false);
}

Status call_builtin(Engine* engine, const NameText& name, int index,
                    Sink* sink) {
  const Builtin& builtin = builtin_at(index);
  const std::size_t arguments_before = engine->arguments_used;
  Collection c;
  Status status = arguments_for(engine, name, &c);
  if (status != Status::ok) {
    engine->arguments_used = arguments_before;
    return status;
  }
  if (c.tainted || c.overflow) {
    status = tainted_call(engine, name, builtin, c, sink);
  } else if (engine->in_version && is_defining_builtin(index)) {
    // Autoconf expands the version more than once: what it defines the
    // first time changes what it gives the next.
    status = needs_autoconf(sink, name);
  } else if (!within_limits(engine)) {
    status = needs_autoconf(sink, name) == Status::ok ? lose_track(engine, name)
                                                      : Status::refused;
  } else {
    drop_read_levels(&engine->input);
    std::size_t end = engine->input.text_used;
    TextOut out = {engine->input.text, &end, input_text_size, false};
    switch (builtin.function(engine, arguments_of(*engine, c, name), &out)) {
      case BuiltinOutcome::done:
        // Autoconf expands the version more than once, with other quotes
        // around it: a result whose quotes do not pair up, or a quoted
        // one that holds a comma or a parenthesis, may be read otherwise
        // there than here.
        if (engine->in_version &&
            !stands_alone(engine->input.text + engine->input.text_used,
                          *out.length - engine->input.text_used,
                          builtin.quotes_result)) {
          status = needs_autoconf(sink, name);
          break;
        }
        status = push_result(engine, out, name, sink);
        break;
      case BuiltinOutcome::needs_autoconf:
        status = unknown_result(engine, sink, name, &c, false);
        break;
      case BuiltinOutcome::defines_unseen:
        status = unknown_result(engine, sink, name, &c, true);
        break;
      case BuiltinOutcome::fails:
        lose_track(engine, name);
        status = needs_autoconf(sink, name) == Status::ok ? Status::lost
                                                          : Status::refused;
        break;
    }
  }
  engine->arguments_used = arguments_before;
  return status;
}

// m4sugar's macros that the engine does not evaluate may define, copy or
// remove any macro their arguments name (m4_copy_force, m4_set_add, ...):
// every name they mention that is not a builtin or Autoconf's own is taken
// to be defined as only Autoconf knows.
void forget_mentioned_names(Engine* engine, const Collection& c) {
  for (unsigned k = 0; k < c.count; ++k) {
    any_name(engine->arguments + c.start[k], c.length[k],
             [engine](const char* name, std::size_t length) {
               const NameMeaning meaning = meaning_of(*engine, name, length);
               if (meaning.kind == NameKind::text ||
                   meaning.kind == NameKind::none) {
                 set_definition(engine, name, length,
                                MacroValue{MacroKind::opaque, "", 0, 0, true},
                                false);
               }
               return false;
             });
  }
}

// A macro the engine does not evaluate: its arguments are still read as
// m4 reads them, and what they define is kept.
Status call_unknown(Engine* engine, const NameText& name, Sink* sink,
                    bool defines_unseen) {
  const std::size_t arguments_before = engine->arguments_used;
  Collection c;
  Status status = arguments_for(engine, name, &c);
  if (status == Status::ok) {
    // Judged before the names it mentions are forgotten, which may define.
    const bool defines = defines_unseen || arguments_may_define(*engine, c);
    if (has_prefix(name.text, name.length, "m4_") ||
        has_prefix(name.text, name.length, "_m4_")) {
      forget_mentioned_names(engine, c);
    }
    status = unknown_result(engine, sink, c.tainted ? c.taint : name, nullptr,
                            defines);
  }
  engine->arguments_used = arguments_before;
  return status;
}

Status expand_name(Engine* engine, const NameText& name, Sink* sink) {
  if (name.cut) {
    // No macro has so long a name, but its text is not kept whole.
    return sink->place == Place::top_level ? Status::ok
                                           : needs_autoconf(sink, name);
  }
  const NameMeaning meaning = meaning_of(*engine, name.text, name.length);
  switch (meaning.kind) {
    case NameKind::text:
      return call_text_macro(engine, name, *meaning.macro, sink);
    case NameKind::builtin:
      if (builtin_at(meaning.builtin).blind &&
          peek_byte(&engine->input) != '(') {
        put_text(&sink->out, name.text, name.length);
        return Status::ok;
      }
      return call_builtin(engine, name, meaning.builtin, sink);
    case NameKind::opaque:
      // A macro defined by AC_DEFUN or with a value only Autoconf knows:
      // what it does, it may define.
      return call_unknown(engine, name, sink, meaning.macro->may_define);
    case NameKind::autoconf:
      return call_unknown(engine, name, sink, false);
    case NameKind::none:
      break;
  }
  if (engine->names_unknown) {
    // It may be a macro now, defined where the engine cannot see.
    return call_unknown(engine, name, sink, true);
  }
  put_text(&sink->out, name.text, name.length);
  return Status::ok;
}

// Reads tokens to the end of the input (the floor), putting text to sink.
Status expand_all(Engine* engine, Sink* sink) {
  Input* input = &engine->input;
  for (;;) {
    const int c = peek_byte(input);
    if (c < 0) {
      return Status::ok;
    }
    const char byte = static_cast<char>(c);
    Status status = Status::ok;
    if (is_name_start(byte)) {
      NameText name;
      read_name(input, &name);
      status = expand_name(engine, name, sink);
    } else if (byte == '[') {
      next_byte(input);
      if (!read_quoted(input, &sink->out)) {
        return Status::ended;
      }
    } else if (byte == '#') {
      // What a comment hides from m4 in the version runs on past it in
      // Autoconf's own text.
      return needs_autoconf(sink, name_of("#"));
    } else {
      next_byte(input);
      put_byte(&sink->out, byte);
    }
    if (status != Status::ok) {
      return status;
    }
  }
}

// Autoconf's quadrigraphs stand for bytes m4 would otherwise read; they
// are replaced in its output.
std::size_t replace_quadrigraphs(char* text, std::size_t length) {
  constexpr struct {
    const char* quadrigraph;
    char byte;  // 0: nothing
  } quadrigraphs[] = {{"@<:@", '['}, {"@:>@", ']'}, {"@S|@", '$'},
                      {"@%:@", '#'}, {"@{:@", '('}, {"@:}@", ')'},
                      {"@&t@", 0}};
  std::size_t kept = 0;
  for (std::size_t i = 0; i < length;) {
    bool replaced = false;
    for (const auto& q : quadrigraphs) {
      if (length - i >= 4 && std::memcmp(text + i, q.quadrigraph, 4) == 0) {
        if (q.byte != 0) {
          text[kept++] = q.byte;
        }
        i += 4;
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      text[kept++] = text[i++];
    }
  }
  return kept;
}

// Autoconf fails where its output holds a name that looks like one of
// its own macros left unexpanded: ^_?A[CHUM]_, _AC_, ^_?AS_, ^_?m4_.
bool has_forbidden_name(const char* text, std::size_t length, NameText* name) {
  for (std::size_t i = 0; i < length;) {
    if (!is_name_byte(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < length && is_name_byte(text[end])) {
      ++end;
    }
    const char* word = text + i + (text[i] == '_' ? 1 : 0);
    const auto word_length = static_cast<std::size_t>(text + end - word);
    bool forbidden = word_length >= 3 && word[0] == 'A' &&
                     std::strchr("CHUMS", word[1]) != nullptr && word[2] == '_';
    forbidden = forbidden || has_prefix(word, word_length, "m4_");
    for (std::size_t k = i; !forbidden && k + 4 <= end; ++k) {
      forbidden = std::memcmp(text + k, "_AC_", 4) == 0;
    }
    if (forbidden) {
      set_name(name, text + i, end - i);
      return true;
    }
    i = end;
  }
  return false;
}

// Digits, dots and the like mean nothing to m4 or to what Autoconf does
// with the version: most versions are their own expansion. Returns true
// with such a version, filtered and not empty.
bool plain_version(const char* argument, std::size_t length, char* version) {
  const bool plain = length > 0 && length <= max_line_length &&
                     std::none_of(argument, argument + length, [](char c) {
                       return is_name_start(c) || c == '[' || c == ']' ||
                              c == '#' || c == '$' || c == '@' || c == '\\' ||
                              c == '\n' || c == '(' || c == ')' || c == ',' ||
                              c == '\0';
                     });
  if (!plain) {
    return false;
  }
  std::memcpy(version, argument, length);
  version[length] = '\0';
  return filter_version(version) > 0;
}

// The builtin of that name called with text as its one argument, as
// Autoconf's own macros call it; false where only Autoconf could do it.
bool call_builtin_with(Engine* engine, const char* name, const char* text,
                       std::size_t length, TextOut* out) {
  Arguments a;
  const NameText called = name_of(name);
  a.name = &called;
  a.count = 1;
  a.text[0] = text;
  a.length[0] = length;
  return builtin_at(find_builtin(name, called.length))
                 .function(engine, a, out) == BuiltinOutcome::done &&
         !out->overflow;
}

// m4_normalize of text, without the quotes it gives: what AC_INIT makes of
// each of its arguments. False where only Autoconf could do it.
bool normalize_argument(Engine* engine, const char* text, std::size_t length,
                        char* normalized, std::size_t* normalized_length) {
  Input* input = &engine->input;
  drop_read_levels(input);
  std::size_t end = input->text_used;
  TextOut out = {input->text, &end, input_text_size, false};
  if (!call_builtin_with(engine, "m4_normalize", text, length, &out) ||
      end - input->text_used < 2 ||
      end - input->text_used - 2 > max_line_length) {
    return false;
  }
  *normalized_length = end - input->text_used - 2;
  std::memcpy(normalized, input->text + input->text_used + 1,
              *normalized_length);
  return true;
}

// Expands text as the value of the macro name, which Autoconf defines as
// text and expands where it uses the value, with no arguments. value gets at
// most max_line_length bytes and a closing zero. Returns false with the
// name that stopped it.
bool expand_defined_value(Engine* engine, const NameText& name,
                          const char* text, std::size_t length, char* value,
                          std::size_t* value_length, NameText* refused) {
  Input* input = &engine->input;
  drop_read_levels(input);
  const std::size_t text_used = input->text_used;
  Arguments none;
  none.name = &name;
  none.count = 0;
  std::size_t substituted = text_used;
  TextOut out = {input->text, &substituted, input_text_size, false};
  substitute(text, length, none, &out);
  if (out.overflow) {
    return false;
  }
  const std::size_t floor = input->floor;
  const std::size_t depth = input->depth;
  input->floor = depth;
  input->sealed = true;
  bool expanded = push_text(input, substituted - text_used);
  *value_length = 0;
  engine->in_version = true;
  if (expanded) {
    Sink sink = {Place::version,
                 TextOut{value, value_length, max_line_length, false}, nullptr,
                 refused};
    const Status status = expand_all(engine, &sink);
    expanded = status == Status::ok && !sink.out.overflow;
    if (status == Status::lost) {
      *refused = engine->lost_by;
    }
  }
  engine->in_version = false;
  input->depth = depth;
  input->floor = floor;
  input->sealed = false;
  input->text_used = text_used;
  if (!expanded || has_forbidden_name(value, *value_length, refused)) {
    return false;
  }
  value[*value_length] = '\0';
  return true;
}

// The version as Autoconf computes it from AC_INIT's collected second
// argument: m4_normalize'd, then expanded when AC_PACKAGE_VERSION is.
// Returns false with the name that stopped it.
bool expand_version(Engine* engine, const char* argument, std::size_t length,
                    char* version, NameText* refused) {
  *refused = name_of("AC_INIT");
  if (plain_version(argument, length, version)) {
    return true;
  }
  char normalized[max_line_length];
  std::size_t normalized_length = 0;
  std::size_t version_length = 0;
  if (!normalize_argument(engine, argument, length, normalized,
                          &normalized_length) ||
      !expand_defined_value(engine, name_of("AC_PACKAGE_VERSION"), normalized,
                            normalized_length, version, &version_length,
                            refused)) {
    return false;
  }
  version_length = replace_quadrigraphs(version, version_length);
  // A zero byte would end the filtered text early; it is no version byte.
  std::replace(version, version + version_length, '\0', ' ');
  version[version_length] = '\0';
  filter_version(version);
  return true;
}

// The library's calls in the file.

// Sets the watch on the next keyword at or after stream offset from, or,
// where the window shows none, on the first place one could start that it
// does not show whole.
void watch_next_keyword(Engine* engine, unsigned long long from) {
  FileWindow* file = engine->input.file;
  const unsigned long long shown_end = file->offset + (file->end - file->begin);
  if (from >= shown_end) {
    engine->input.watch = from;
    return;
  }
  const char* start = file->buffer + file->begin + (from - file->offset);
  const char* end = file->buffer + file->end;
  const char* found = find_call_keyword(start, end);
  if (found != end) {
    engine->input.watch = from + static_cast<unsigned long long>(found - start);
  } else {
    const unsigned long long tail = call_keyword_length - 1;
    engine->input.watch = shown_end - from > tail ? shown_end - tail : from;
  }
}

// At the watched offset, which is the next byte: whether the library's
// call starts here, by the bytes of the file alone. Sets the next watch.
bool library_call_here(Engine* engine) {
  FileWindow* file = engine->input.file;
  // Read on only where the bytes shown may start the keyword: a pipe's
  // writer may wait for the answer.
  std::size_t shown = file->end - file->begin;
  if (shown < call_keyword_length &&
      std::memcmp(file->buffer + file->begin, call_keyword, shown) == 0) {
    shown = window_fill(file, call_keyword_length);
  }
  const bool found = shown >= call_keyword_length &&
                     std::memcmp(file->buffer + file->begin, call_keyword,
                                 call_keyword_length) == 0 &&
                     window_line_blank(*file) &&
                     call_head_at(file, *engine->pattern);
  watch_next_keyword(engine, file->offset + 1);
  return found;
}

void note_refusal(Engine* engine, LineNumber line, const NameText& name) {
  if (engine->refused_line == 0) {
    engine->refused_line = line;
    engine->refused = name;
  }
}

// The file byte at the watch is read inside quotes or a call's arguments:
// a call of the library there is not one that m4 reads as it stands.
void on_keyword_read(void* context) {
  auto* engine = static_cast<Engine*>(context);
  const LineNumber line = window_line(*engine->input.file);
  if (library_call_here(engine)) {
    note_refusal(engine, line,
                 engine->innermost != nullptr ? *engine->innermost->name
                                              : name_of("AC_INIT"));
  }
}

// How much of an argument of AC_INIT's m4_normalize reads: its patterns
// end the text at a zero byte.
std::size_t normalized_length_of(const char* argument, std::size_t length) {
  const void* zero = std::memchr(argument, '\0', length);
  return zero != nullptr ? static_cast<std::size_t>(
                               static_cast<const char*>(zero) - argument)
                         : length;
}

// Keeps the first arguments of the library's call, as collected, up to the
// first one that needs Autoconf or is longer than a value can be.
void keep_call(Engine* engine, const Collection& c, bool complete) {
  PackageCall* call = &engine->call;
  call->count = std::min(c.count, package_argument_count);
  call->usable = 0;
  call->taint = c.tainted ? c.taint : *c.name;
  const unsigned limit = !complete || c.overflow ? 0
                         : c.tainted             ? c.taint_argument
                                                 : call->count;
  for (unsigned i = 0; i < call->count && i < limit; ++i) {
    const char* text = engine->arguments + c.start[i];
    const std::size_t length = normalized_length_of(text, c.length[i]);
    if (length > max_line_length) {
      break;
    }
    std::memcpy(call->text[i], text, length);
    call->length[i] = length;
    call->usable = i + 1;
  }
}

// The library's AC_INIT call, whose keyword is the next byte of the file.
// Returns true with a version.
bool read_library_call(Engine* engine, char* version) {
  const LineNumber line = window_line(*engine->input.file);
  engine->call.line = line;
  NameText name;
  read_name(&engine->input, &name);
  const std::size_t arguments_before = engine->arguments_used;
  Collection c;
  bool plain = false;
  Status status = open_collection(engine, name, &c);
  if (status == Status::ok) {
    // A version of digits and dots is what it is, whatever the rest of the
    // call does: the rest is not read, as the rest of the file is not.
    status = collect_more(engine, &c, 2);
    plain = status == Status::ok && c.count == 2 && !c.overflow && !c.tainted &&
            !engine->lost &&
            plain_version(engine->arguments + c.start[1], c.length[1], version);
    if (plain && !engine->keeps_call) {
      close_collection(engine, &c);
      engine->arguments_used = arguments_before;
      return true;
    }
    if (status == Status::ok) {
      status = collect_more(engine, &c, max_arguments + 1);
    }
    close_collection(engine, &c);
  }
  if (engine->keeps_call) {
    // The rest of the call is read for its other values; whatever it
    // holds, a plain version stays what it is.
    keep_call(engine, c, status == Status::ok && !engine->lost);
    if (plain) {
      engine->arguments_used = arguments_before;
      return true;
    }
  }
  NameText refused = name;
  bool found = false;
  if (status == Status::lost || engine->lost) {
    refused = engine->lost_by;
  } else if (status != Status::ok || c.overflow) {
    // The file ends inside the call, or it is longer than the engine holds.
  } else if (c.tainted && c.taint_argument <= 1) {
    refused = c.taint;
  } else if (c.count < 2) {
    version[0] = '\0';
    found = true;
  } else {
    const char* argument = engine->arguments + c.start[1];
    found = expand_version(engine, argument,
                           normalized_length_of(argument, c.length[1]), version,
                           &refused);
  }
  engine->arguments_used = arguments_before;
  if (!found) {
    version[0] = '\0';
    // A read error ends the input; it is no fault of the call's.
    if (!engine->input.file->failed) {
      note_refusal(engine, line, refused);
    }
    return false;
  }
  return version[0] != '\0';
}

// The first argument of the call at the window's next byte, whose head
// the window shows, as it stands: a line break in it becomes a space, so
// that it prints on one line (and matches the same calls).
void copy_call_name(const FileWindow& file, char* name) {
  const char* call = file.buffer + file.begin;
  std::size_t shown = file.end - file.begin;
  shown = shown < max_call_length ? shown : max_call_length;
  std::size_t start = 0;
  std::size_t length = 0;
  read_call_name(call, shown, &start, &length);
  for (std::size_t i = 0; i < length; ++i) {
    const char byte = call[start + i];
    name[i] = byte == '\n' || byte == '\r' ? ' ' : byte;
  }
  name[length] = '\0';
}

// After the engine lost track: every later call of the library needs
// Autoconf; the first is reported.
void skip_lost(Engine* engine) {
  Input* input = &engine->input;
  input->depth = 0;
  input->floor = 0;
  input->sealed = false;
  input->text_used = 0;
  engine->arguments_used = 0;
  engine->innermost = nullptr;
  engine->collection_depth = 0;
  input->on_watch = nullptr;
  FileWindow* file = input->file;
  while (engine->refused_line == 0 && window_peek(file) >= 0) {
    if (file->offset == input->watch) {
      const LineNumber line = window_line(*file);
      if (library_call_here(engine)) {
        note_refusal(engine, line, engine->lost_by);
      }
    }
    window_advance(file);
  }
}

}  // namespace

NameMeaning meaning_of(const Engine& engine, const char* name,
                       std::size_t length) {
  const Macro* macro = find_macro(engine.macros, name, length);
  if (macro != nullptr) {
    switch (macro->kind) {
      case MacroKind::text:
        return NameMeaning{NameKind::text, macro, 0};
      case MacroKind::builtin:
        return NameMeaning{NameKind::builtin, macro, macro->builtin};
      case MacroKind::opaque:
        return NameMeaning{NameKind::opaque, macro, 0};
      case MacroKind::undefined:
        return NameMeaning{NameKind::none, nullptr, 0};
    }
  }
  const int builtin = find_builtin(name, length);
  if (builtin >= 0) {
    return NameMeaning{NameKind::builtin, nullptr,
                       static_cast<std::uint8_t>(builtin)};
  }
  if (is_autoconf_name(name, length)) {
    return NameMeaning{NameKind::autoconf, nullptr, 0};
  }
  return NameMeaning{NameKind::none, nullptr, 0};
}

void set_definition(Engine* engine, const char* name, std::size_t length,
                    const MacroValue& value, bool push) {
  NameText cause;
  set_name(&cause, name, length);
  if (is_autoconf_machinery(name, length)) {
    lose_track(engine, cause);
  }
  MacroTable* table = &engine->macros;
  // A pushdef over a builtin hides it until popdef shows it again.
  const int builtin = find_builtin(name, length);
  if (push && builtin >= 0 && find_macro(*table, name, length) == nullptr &&
      !define_macro(table, name, length,
                    MacroValue{MacroKind::builtin, "", 0,
                               static_cast<std::uint8_t>(builtin), false})) {
    forget_definitions(engine);
    return;
  }
  engine->defined_since_forgotten = true;
  const bool stored = push ? pushdef_macro(table, name, length, value)
                           : define_macro(table, name, length, value);
  if (!stored) {
    // Past the table's room: the name, and any other, is no longer sure.
    forget_definitions(engine);
  }
}

void remove_definition(Engine* engine, const char* name, std::size_t length,
                       bool all) {
  NameText cause;
  set_name(&cause, name, length);
  if (is_autoconf_machinery(name, length)) {
    lose_track(engine, cause);
  }
  MacroTable* table = &engine->macros;
  if (all) {
    undefine_macro(table, name, length);
  } else {
    popdef_macro(table, name, length);
  }
  // A builtin that is no longer defined must not show through.
  if (find_macro(*table, name, length) == nullptr &&
      find_builtin(name, length) >= 0 &&
      !define_macro(table, name, length,
                    MacroValue{MacroKind::undefined, "", 0, 0, false})) {
    forget_definitions(engine);
  }
}

bool may_define_names(const Engine& engine, const char* text,
                      std::size_t length) {
  return any_name(
      text, length, [&engine](const char* name, std::size_t name_length) {
        const NameMeaning meaning = meaning_of(engine, name, name_length);
        return (meaning.kind == NameKind::builtin &&
                is_defining_builtin(meaning.builtin)) ||
               ((meaning.kind == NameKind::text ||
                 meaning.kind == NameKind::opaque) &&
                meaning.macro->may_define) ||
               (meaning.kind == NameKind::none && engine.names_unknown);
      });
}

void start_engine(Engine* engine, FileWindow* window,
                  const SearchPattern& pattern) {
  window->counts_lines = true;
  open_input(&engine->input, window);
  clear_macros(&engine->macros);
  engine->arguments_used = 0;
  engine->innermost = nullptr;
  engine->collection_depth = 0;
  engine->expansions = 0;
  engine->expanded_bytes = 0;
  engine->in_quotes = false;
  engine->in_version = false;
  engine->names_unknown = false;
  engine->defined_since_forgotten = false;
  engine->lost = false;
  engine->pattern = &pattern;
  engine->refused_line = 0;
  engine->refused.length = 0;
  engine->refused.text[0] = '\0';
  engine->keeps_call = false;
  engine->call.count = 0;
  engine->call.usable = 0;
  engine->input.on_watch = on_keyword_read;
  engine->input.watch_context = engine;
  watch_next_keyword(engine, 0);
}

bool find_next_version(Engine* engine, char* version) {
  version[0] = '\0';
  if (!engine->pattern->can_match) {
    return false;
  }
  Input* input = &engine->input;
  Sink top = {Place::top_level, TextOut{nullptr, nullptr, 0, false}, nullptr,
              nullptr};
  for (;;) {
    if (engine->lost) {
      skip_lost(engine);
      return false;
    }
    const int c = peek_byte(input);
    if (c < 0) {
      return false;
    }
    const char byte = static_cast<char>(c);
    if (reads_file(input)) {
      engine->expansions = 0;
      engine->expanded_bytes = 0;
      if (input->file->offset == input->watch && byte == 'A') {
        // A keyword where a token starts: the library's call, or another.
        if (library_call_here(engine)) {
          if (engine->pattern->any_name) {
            copy_call_name(*input->file, version);
            return true;
          }
          if (read_library_call(engine, version)) {
            return true;
          }
          continue;
        }
      }
    }
    const std::size_t run = plain_run(input, false);
    if (run > 0) {
      window_consume(input->file, run);
    } else if (is_name_start(byte)) {
      NameText name;
      read_name(input, &name);
      if (expand_name(engine, name, &top) == Status::ended) {
        return false;  // the file ends inside a call's arguments
      }
    } else if (byte == '[') {
      next_byte(input);
      engine->in_quotes = true;
      const bool complete = read_quoted(input, &top.out);
      engine->in_quotes = false;
      if (!complete) {
        return false;
      }
    } else if (byte == '#') {
      next_byte(input);
      read_comment(input, &top.out);
    } else {
      next_byte(input);
    }
  }
}

namespace {

// AC_INIT's argument index, normalized; one it does not have is empty.
bool package_argument(Engine* engine, unsigned index, char* text,
                      std::size_t* length, NameText* refused) {
  const PackageCall& call = engine->call;
  *length = 0;
  if (index >= call.count) {
    return true;
  }
  if (index >= call.usable) {
    *refused = call.taint;
    return false;
  }
  return normalize_argument(engine, call.text[index], call.length[index], text,
                            length);
}

// Whether m4 reads text back as the same text: no quotes, comments,
// parameters or separators, and no name that is a macro.
bool reads_as_itself(const Engine& engine, const char* text,
                     std::size_t length) {
  if (engine.names_unknown) {
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (std::strchr("[]#$,()@", text[i]) != nullptr || text[i] == '\0') {
      return false;
    }
  }
  return !any_name(text, length, [&engine](const char* name, std::size_t n) {
    return meaning_of(engine, name, n).kind != NameKind::none;
  });
}

// The tarname Autoconf derives from the package's name: "GNU " dropped,
// lower case, and every byte but [_a-z0-9] made '-'. Done only where m4
// reads the name and the result back as they stand.
bool derive_tarname(const Engine& engine, const char* name, std::size_t length,
                    char* tarname, std::size_t* tarname_length) {
  if (!reads_as_itself(engine, name, length)) {
    return false;
  }
  std::size_t from = 0;
  if (length >= 4 && std::memcmp(name, "GNU ", 4) == 0) {
    from = 4;
  }
  *tarname_length = 0;
  for (std::size_t i = from; i < length; ++i) {
    char c = name[i];
    c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const bool kept =
        c == '_' || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    tarname[(*tarname_length)++] = kept ? c : '-';
  }
  return reads_as_itself(engine, tarname, *tarname_length);
}

bool append(char* text, std::size_t* length, const char* more,
            std::size_t more_length) {
  if (max_line_length - *length < more_length) {
    return false;
  }
  std::memcpy(text + *length, more, more_length);
  *length += more_length;
  return true;
}

}  // namespace

bool expand_package_value(Engine* engine, PackageValue which, char* value,
                          NameText* refused) {
  static constexpr const char* macro_names[] = {
      "AC_PACKAGE_NAME", "AC_PACKAGE_BUGREPORT", "AC_PACKAGE_TARNAME",
      "AC_PACKAGE_URL", "AC_PACKAGE_STRING"};
  const NameText macro = name_of(macro_names[static_cast<unsigned>(which)]);
  value[0] = '\0';
  *refused = macro;
  // AC_INIT defines none that the file, or what the engine cannot see,
  // defined before it.
  if (engine->names_unknown ||
      find_macro(engine->macros, macro.text, macro.length) != nullptr ||
      (which == PackageValue::url &&
       find_macro(engine->macros, "AC_PACKAGE_TARNAME", 18) != nullptr)) {
    return false;
  }
  char name[max_line_length];
  std::size_t name_length = 0;
  char text[max_line_length];
  std::size_t length = 0;
  bool ok = package_argument(engine, 0, name, &name_length, refused);
  switch (which) {
    case PackageValue::name:
      ok = ok && append(text, &length, name, name_length);
      break;
    case PackageValue::bugreport:
      ok = package_argument(engine, 2, text, &length, refused);
      break;
    case PackageValue::tarname:
    case PackageValue::url: {
      char tarname[max_line_length];
      std::size_t tarname_length = 0;
      ok = ok && package_argument(engine, 3, tarname, &tarname_length, refused);
      if (ok && tarname_length == 0) {
        ok = derive_tarname(*engine, name, name_length, tarname,
                            &tarname_length);
      }
      if (which == PackageValue::tarname) {
        ok = ok && append(text, &length, tarname, tarname_length);
        break;
      }
      ok = ok && package_argument(engine, 4, text, &length, refused);
      // GNU packages get their page at gnu.org by default.
      if (ok && length == 0 && name_length >= 4 &&
          std::memcmp(name, "GNU ", 4) == 0) {
        constexpr char site[] = "https://www.gnu.org/software/";
        ok = append(text, &length, site, sizeof site - 1) &&
             append(text, &length, tarname, tarname_length) &&
             append(text, &length, "/", 1);
      }
      break;
    }
    case PackageValue::string: {
      // m4_strip of the name and the version with a space between.
      char joined[max_line_length];
      std::size_t joined_length = 0;
      char version[max_line_length];
      std::size_t version_length = 0;
      ok = ok &&
           package_argument(engine, 1, version, &version_length, refused) &&
           append(joined, &joined_length, name, name_length) &&
           append(joined, &joined_length, " ", 1) &&
           append(joined, &joined_length, version, version_length);
      if (ok) {
        std::size_t end = 0;
        char stripped[max_line_length + 2];
        TextOut out = {stripped, &end, sizeof stripped, false};
        ok = call_builtin_with(engine, "m4_strip", joined, joined_length,
                               &out) &&
             end >= 2 && append(text, &length, stripped + 1, end - 2);
      }
      break;
    }
  }
  std::size_t value_length = 0;
  if (!ok || !expand_defined_value(engine, macro, text, length, value,
                                   &value_length, refused)) {
    value[0] = '\0';
    return false;
  }
  // The configure script has the value with its quadrigraphs replaced.
  value_length = replace_quadrigraphs(value, value_length);
  value[value_length] = '\0';
  // The configure script sets the value in single quotes, which a quote
  // or a zero byte of its own would break.
  if (std::memchr(value, '\'', value_length) != nullptr ||
      std::memchr(value, '\0', value_length) != nullptr) {
    *refused = macro;
    value[0] = '\0';
    return false;
  }
  return true;
}

MacroResult expand_macro(Engine* engine, const char* name, std::size_t length,
                         char* value, NameText* refused) {
  value[0] = '\0';
  set_name(refused, name, length);
  if (engine->lost) {
    *refused = engine->lost_by;
    return MacroResult::needs_autoconf;
  }
  const NameMeaning meaning = meaning_of(*engine, name, length);
  if (meaning.kind == NameKind::none && !engine->names_unknown) {
    return MacroResult::undefined;
  }
  if (meaning.kind != NameKind::text || length > max_name_length) {
    return MacroResult::needs_autoconf;
  }
  // The name alone, read as m4 reads the file's text there.
  std::size_t value_length = 0;
  if (!expand_defined_value(engine, *refused, name, length, value,
                            &value_length, refused)) {
    value[0] = '\0';
    return MacroResult::needs_autoconf;
  }
  // A quadrigraph means one byte in the configure script and another in
  // m4's output: which one the build wants, only it knows.
  if (std::memchr(value, '\0', value_length) != nullptr ||
      replace_quadrigraphs(value, value_length) != value_length) {
    value[0] = '\0';
    return MacroResult::needs_autoconf;
  }
  return MacroResult::done;
}

bool may_be_m4sugar_macro(const char* name, std::size_t length) {
  return find_builtin(name, length) >= 0 || is_autoconf_name(name, length) ||
         (length == 3 && std::memcmp(name, "dnl", 3) == 0);
}
