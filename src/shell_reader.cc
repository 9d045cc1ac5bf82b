#include "shell_reader.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "m4_expand.h"
#include "text.h"

namespace {

bool equals(const char* text, std::size_t length, const char* word) {
  return std::strlen(word) == length && std::memcmp(text, word, length) == 0;
}

bool contains(const char* text, std::size_t length, const char* part) {
  const std::size_t part_length = std::strlen(part);
  for (std::size_t i = 0; i + part_length <= length; ++i) {
    if (std::memcmp(text + i, part, part_length) == 0) {
      return true;
    }
  }
  return false;
}

// Macro calls nest at most this deep in what the reader follows.
constexpr unsigned max_calls = 64;
// Variables refer to variables at most this deep.
constexpr unsigned max_reference_depth = 8;

struct Call {
  unsigned paren;  // the parenthesis depth inside its '('
  bool defines;    // m4_define, AC_DEFUN, m4_copy and the like
  bool subst;      // AC_SUBST
  bool top_level;  // it starts a line of the script's top level
  LineNumber line;
};

// What the shell makes of the text m4 passes on at the top level of the
// file: quotes, nesting, and whether a line starts a command of the
// script's top level.
struct Shell {
  bool single_quoted;
  bool double_quoted;
  bool backquoted;
  bool escaped;
  bool comment;
  unsigned parameter;     // ${...} open
  unsigned substitution;  // $(...) open, and parentheses in them
  unsigned subshell;      // (...) open
  int nesting;            // if, case, loops and { } open
  int cases;              // case open
  bool continued;         // the line goes on from the one before
  bool lost;              // a here-document or a construct not followed
  char word[8];
  std::size_t word_length;
  bool word_at_command;  // the word may be a keyword where it starts
  char before;           // the byte before the next one
};

struct Survey {
  const char* name;
  std::size_t length;
  LineNumber assigned_line;  // 0 where it is not assigned
  char value[max_line_length];
  std::size_t value_length;
  bool value_usable;
  LineNumber first_use;  // 0 where $NAME is not read
  bool m4_defined;
  ShellRefusal refusal;
  LineNumber refusal_line;
};

struct Reader {
  FileWindow* window;
  LineNumber line;
  bool line_start;  // only blanks before the next byte on its line
  bool clean_line;  // the line starts a command at the script's top level
  unsigned quote;
  unsigned paren;
  bool m4_comment;
  bool dnl;
  bool comment_line;  // the line is a comment from its start
  Call calls[max_calls];
  unsigned call_count;
  // Only blanks, newlines and an opening quote since the innermost
  // call's '(': a name read now is its whole first argument.
  bool first_argument;
  bool unreadable;
  char before;         // the byte before the next one
  char before_before;  // and the one before that
  Shell shell;
};

int peek_at(FileWindow* window, std::size_t k) {
  if (window_fill(window, k + 1) <= k) {
    return -1;
  }
  return static_cast<unsigned char>(window->buffer[window->begin + k]);
}

bool is_space_or_tab(int c) { return c == ' ' || c == '\t'; }

bool shell_clean(const Shell& s) {
  return !s.single_quoted && !s.double_quoted && !s.backquoted && !s.escaped &&
         s.parameter == 0 && s.substitution == 0 && s.subshell == 0 &&
         s.nesting == 0 && s.cases == 0 && !s.continued && !s.lost;
}

void end_shell_word(Shell* s) {
  if (s->word_length == 0) {
    return;
  }
  const char* w = s->word;
  const std::size_t n = s->word_length;
  s->word_length = 0;
  if (!s->word_at_command) {
    return;
  }
  if (equals(w, n, "if") || equals(w, n, "for") || equals(w, n, "while") ||
      equals(w, n, "until") || equals(w, n, "select")) {
    ++s->nesting;
  } else if (equals(w, n, "case")) {
    ++s->nesting;
    ++s->cases;
  } else if (equals(w, n, "fi") || equals(w, n, "done")) {
    --s->nesting;
  } else if (equals(w, n, "esac")) {
    --s->nesting;
    --s->cases;
  }
  if (s->nesting < 0 || s->cases < 0) {
    s->lost = true;
  }
}

bool at_command_start(char before) {
  return before == '\n' || before == ' ' || before == '\t' || before == ';' ||
         before == '&' || before == '|' || before == '(' || before == ')';
}

// One byte of the text m4 passes on to the script.
void feed_shell(Shell* s, char c, int next) {
  const char before = s->before;
  s->before = c;
  if (s->comment) {
    s->comment = c != '\n';
    return;
  }
  if (s->escaped) {
    s->escaped = false;
    return;
  }
  if (s->single_quoted) {
    s->single_quoted = c != '\'';
    return;
  }
  const bool quoted = s->double_quoted || s->backquoted;
  if (is_name_byte(c)) {
    if (s->word_length == 0) {
      s->word_at_command = !quoted && s->parameter == 0 &&
                           s->substitution == 0 && at_command_start(before);
    }
    if (s->word_length < sizeof s->word) {
      s->word[s->word_length++] = c;
    } else {
      s->word_at_command = false;
    }
    return;
  }
  if (!quoted && s->parameter == 0 && s->substitution == 0) {
    end_shell_word(s);
  } else {
    s->word_length = 0;
  }
  switch (c) {
    case '\\':
      s->escaped = true;
      break;
    case '\'':
      s->single_quoted = !s->double_quoted;
      break;
    case '"':
      s->double_quoted = !s->double_quoted;
      break;
    case '`':
      s->backquoted = !s->backquoted;
      break;
    case '#':
      s->comment = !quoted && s->parameter == 0 && at_command_start(before);
      break;
    case '$':
      if (next == '{') {
        ++s->parameter;
      } else if (next == '(') {
        ++s->substitution;
        s->before = '\0';  // the '(' that follows is the substitution's
      }
      break;
    case '}':
      if (s->parameter > 0) {
        --s->parameter;
      } else if (!quoted && at_command_start(before)) {
        --s->nesting;
        s->lost = s->lost || s->nesting < 0;
      }
      break;
    case '{':
      if (s->parameter == 0 && !quoted && at_command_start(before) &&
          (next == ' ' || next == '\t' || next == '\n')) {
        ++s->nesting;
      }
      break;
    case '(':
      if (before == '\0' && s->substitution > 0) {
        break;  // opened by the '$' before it
      }
      if (s->substitution > 0) {
        ++s->substitution;
      } else if (!quoted && s->cases == 0) {
        ++s->subshell;
      }
      break;
    case ')':
      if (s->substitution > 0) {
        --s->substitution;
      } else if (!quoted && s->subshell > 0) {
        --s->subshell;
      } else if (!quoted && s->cases == 0) {
        s->lost = true;
      }
      break;
    case '<':
      if (!quoted && next == '<') {
        s->lost = true;  // a here-document: its text is not the script's
      }
      break;
    default:
      break;
  }
}

// Names whose calls may define the names their arguments hold.
bool is_defining_call(const char* name, std::size_t length) {
  return contains(name, length, "def") || contains(name, length, "DEF") ||
         contains(name, length, "copy") || contains(name, length, "rename");
}

// m4sugar's macros that make the file read otherwise than the reader
// reads it, or read other files.
bool is_unfollowed_macro(const char* name, std::size_t length) {
  constexpr const char* names[] = {
      "m4_changequote", "m4_changecom", "m4_include", "m4_sinclude",
      "m4_builtin",     "m4_indir",     "m4_undivert"};
  return std::any_of(
      std::begin(names), std::end(names),
      [&](const char* candidate) { return equals(name, length, candidate); });
}

// Whether m4 under Autoconf may expand the name whatever the file defines.
// Libtool's macros are a known few; LT_CURRENT and the like are the
// variables projects name after them.
bool may_expand(const char* name, std::size_t length) {
  if (has_prefix(name, length, "LT_")) {
    constexpr const char* libtool_macros[] = {
        "LT_AC_",    "LT_CMD_",       "LT_CONFIG_", "LT_FUNC_",
        "LT_INIT",   "LT_LANG",       "LT_LIB_",    "LT_OPTION_",
        "LT_OUTPUT", "LT_PACKAGE_",   "LT_PATH_",   "LT_PREREQ",
        "LT_PROG_",  "LT_SUPPORTED_", "LT_SYS_",    "LT_WITH_"};
    return std::any_of(
        std::begin(libtool_macros), std::end(libtool_macros),
        [&](const char* prefix) { return has_prefix(name, length, prefix); });
  }
  return may_be_m4sugar_macro(name, length);
}

void refuse(Survey* survey, ShellRefusal reason, LineNumber line) {
  if (survey->refusal == ShellRefusal::none) {
    survey->refusal = reason;
    survey->refusal_line = line;
  }
}

// The bytes at the window's next byte that may be a value's word: to the
// end of the line. Returns its length; it ends before any newline.
std::size_t line_ahead(FileWindow* window, std::size_t from, char* text) {
  std::size_t length = 0;
  for (;;) {
    const int c = peek_at(window, from + length);
    if (c < 0 || c == '\n' || length == max_line_length) {
      return length;
    }
    text[length++] = static_cast<char>(c);
  }
}

// The word of an assignment, which ends at the line's end, a ';' or a
// comment. Where it is more than a literal word (with "..." and '...'
// quotes, and $NAME or ${NAME}), or m4 would read it otherwise, false.
bool check_word(const char* text, std::size_t length, std::size_t* word_end) {
  bool single = false;
  bool dquote = false;
  std::size_t i = 0;
  for (; i < length; ++i) {
    const char c = text[i];
    if (single) {
      single = c != '\'';
    } else if (c == '\'') {
      single = !dquote;
    } else if (c == '"') {
      dquote = !dquote;
    } else if (c == '$') {
      std::size_t k = i + 1;
      const bool braced = k < length && text[k] == '{';
      k += braced ? 1 : 0;
      if (k >= length || !is_name_start(text[k])) {
        return false;
      }
      while (k < length && is_name_byte(text[k])) {
        ++k;
      }
      if (braced) {
        if (k >= length || text[k] != '}') {
          return false;
        }
        ++k;
      }
      i = k - 1;
      continue;
    } else if (!dquote && (c == ' ' || c == '\t' || c == ';')) {
      break;
    }
    // Bytes m4 or the shell may read otherwise; a space only in quotes.
    if (std::strchr("[]#\\`(){}*?~<>|&!\r\v\f", c) != nullptr || c == '\0' ||
        (c == '$' && single)) {
      return false;
    }
    if (c == '@' && i + 3 < length && text[i + 3] == '@') {
      return false;  // may be a quadrigraph
    }
  }
  if (single || dquote) {
    return false;
  }
  *word_end = i;
  // After the word: blanks, then the line's end, a ';' or a comment.
  for (; i < length; ++i) {
    if (text[i] == ';' || text[i] == '#') {
      return i + 1 >= length || text[i] != ';' || text[i + 1] != ';';
    }
    if (!is_space_or_tab(text[i])) {
      return false;
    }
  }
  return true;
}

// An assignment of the surveyed name whose word starts at the window's
// byte ahead.
void note_assignment(Reader* r, Survey* survey, std::size_t ahead,
                     bool top_level, const char* text, std::size_t length) {
  if (survey->assigned_line != 0) {
    refuse(survey, ShellRefusal::assigned_twice, r->line);
    return;
  }
  survey->assigned_line = r->line;
  if (!top_level) {
    refuse(survey, ShellRefusal::not_top_level, r->line);
    return;
  }
  if (survey->first_use != 0) {
    refuse(survey, ShellRefusal::used_before, survey->first_use);
    return;
  }
  static_cast<void>(ahead);
  std::size_t word_end = 0;
  if (!check_word(text, length, &word_end)) {
    refuse(survey, ShellRefusal::not_literal, r->line);
    return;
  }
  std::memcpy(survey->value, text, word_end);
  survey->value_length = word_end;
  survey->value_usable = true;
}

// The second argument of AC_SUBST(NAME, VALUE), whose ',' is ahead: what
// the call sets the variable to, one level of quotes taken off.
void note_subst_value(Reader* r, Survey* survey, std::size_t ahead,
                      bool top_level) {
  char text[max_line_length];
  const std::size_t length = line_ahead(r->window, ahead + 1, text);
  std::size_t i = 0;
  while (i < length && is_space_or_tab(text[i])) {
    ++i;
  }
  std::size_t start = i;
  std::size_t end = 0;
  if (i < length && text[i] == '[') {
    start = ++i;
    while (i < length && text[i] != ']' && text[i] != '[') {
      ++i;
    }
    if (i == length || text[i] != ']') {
      note_assignment(r, survey, ahead, false, "", 0);
      refuse(survey, ShellRefusal::not_literal, r->line);
      return;
    }
    end = i++;
    while (i < length && is_space_or_tab(text[i])) {
      ++i;
    }
  } else {
    while (i < length && text[i] != ')' && text[i] != ',' && text[i] != '(') {
      ++i;
    }
    end = i;
  }
  if (i == length || text[i] != ')') {
    note_assignment(r, survey, ahead, false, "", 0);
    refuse(survey, ShellRefusal::not_literal, r->line);
    return;
  }
  note_assignment(r, survey, ahead, top_level, text + start, end - start);
}

// An occurrence of the surveyed name as an m4 word, at the window's next
// byte.
void classify(Reader* r, Survey* survey) {
  FileWindow* window = r->window;
  const std::size_t after = survey->length;
  const int next = peek_at(window, after);
  if (r->m4_comment || r->dnl) {
    if (!r->comment_line || !r->clean_line) {
      refuse(survey, ShellRefusal::other_use, r->line);
    }
    return;
  }
  for (unsigned k = 0; k < r->call_count; ++k) {
    survey->m4_defined = survey->m4_defined || r->calls[k].defines;
  }
  if (survey->m4_defined) {
    refuse(survey, ShellRefusal::other_use, r->line);
    return;
  }
  // $NAME and ${NAME}: the value is read.
  const bool braced = r->before == '{' && r->before_before == '$';
  if (r->before == '$' || (braced && next == '}')) {
    if (survey->first_use == 0) {
      survey->first_use = r->line;
    }
    return;
  }
  if (braced) {
    refuse(survey, ShellRefusal::other_use, r->line);  // ${NAME=...} and such
    return;
  }
  // AC_SUBST(NAME) marks it for substitution; AC_SUBST(NAME, VALUE) sets it.
  if (r->call_count > 0 && r->calls[r->call_count - 1].subst &&
      r->first_argument && r->paren == r->calls[r->call_count - 1].paren) {
    const Call& call = r->calls[r->call_count - 1];
    std::size_t k = after;
    if (r->quote == 1 && peek_at(window, k) == ']') {
      ++k;
    }
    while (is_space_or_tab(peek_at(window, k)) || peek_at(window, k) == '\n') {
      ++k;
    }
    const int end = peek_at(window, k);
    if (end == ')') {
      return;
    }
    if (end == ',') {
      note_subst_value(r, survey, k, call.top_level && call.line == r->line);
      return;
    }
  }
  if (next == '=') {
    const bool top_level = r->clean_line && r->line_start && r->quote == 0 &&
                           r->paren == 0 && r->call_count == 0 &&
                           !r->unreadable;
    char text[max_line_length];
    const std::size_t length = line_ahead(window, after + 1, text);
    note_assignment(r, survey, after + 1, top_level, text, length);
    return;
  }
  refuse(survey, ShellRefusal::other_use, r->line);
}

// Consumes count bytes of the file, the last of them byte.
void consume(Reader* r, std::size_t count, char byte) {
  window_consume(r->window, count);
  r->before_before =
      count > 1 ? r->window->buffer[r->window->begin - 2] : r->before;
  r->before = byte;
}

void end_line(Reader* r) {
  FileWindow* window = r->window;
  const bool dnl_line = r->dnl && r->comment_line;
  const bool eaten = r->dnl;
  bool clean = false;
  if (eaten) {
    // dnl takes its newline too: what follows joins the line dnl ends,
    // which is the line before where dnl starts its line.
    clean = dnl_line && r->clean_line;
  } else if (r->paren == 0) {
    const bool continues = r->shell.escaped;
    feed_shell(&r->shell, '\n', peek_at(window, 1));
    r->shell.continued = continues;
    clean = r->quote == 0 && r->call_count == 0 && shell_clean(r->shell);
  }
  consume(r, 1, '\n');
  ++r->line;
  r->m4_comment = false;
  r->dnl = false;
  r->comment_line = false;
  r->line_start = true;
  r->clean_line = clean;
}

// Reads the whole file once for the survey of one name.
void survey_file(FileWindow* window, Survey* survey, bool* unreadable) {
  Reader r{};
  r.window = window;
  r.line = 1;
  r.line_start = true;
  r.clean_line = true;
  r.before = '\n';
  r.before_before = '\n';
  r.shell.before = '\n';
  for (;;) {
    const int c = window_peek(window);
    if (c < 0) {
      break;
    }
    const char byte = static_cast<char>(c);
    if (byte == '\n') {
      end_line(&r);
      continue;
    }
    if (r.dnl) {
      consume(&r, 1, byte);
      continue;
    }
    const bool was_line_start = r.line_start;
    if (!is_space_or_tab(c)) {
      r.line_start = false;
    }
    if (is_name_start(byte) && !is_name_byte(r.before)) {
      std::size_t length = 1;
      while (length < max_look_ahead - 1 &&
             is_name_byte(static_cast<char>(peek_at(window, length)))) {
        ++length;
      }
      const char* name = window->buffer + window->begin;
      r.line_start = was_line_start;
      if (length == survey->length &&
          std::memcmp(name, survey->name, length) == 0) {
        classify(&r, survey);
      }
      r.line_start = false;
      r.first_argument = false;
      if (!r.m4_comment) {
        if (is_unfollowed_macro(name, length)) {
          r.unreadable = true;
        }
        if (r.quote == 0 && equals(name, length, "dnl")) {
          r.comment_line = was_line_start;
          r.dnl = true;
          consume(&r, length, 'l');
          continue;
        }
        if (r.quote == 0 && peek_at(window, length) == '(') {
          if (r.call_count == max_calls) {
            r.unreadable = true;
          } else {
            Call& call = r.calls[r.call_count++];
            call.paren = r.paren + 1;
            call.defines = is_defining_call(name, length) &&
                           !equals(name, length, "AC_DEFINE") &&
                           !equals(name, length, "AC_DEFINE_UNQUOTED");
            call.subst = equals(name, length, "AC_SUBST");
            call.top_level = r.clean_line && was_line_start;
            call.line = r.line;
          }
        }
      }
      for (std::size_t k = 0; k < length && r.paren == 0; ++k) {
        feed_shell(&r.shell, name[k], peek_at(window, k + 1));
      }
      consume(&r, length, name[length - 1]);
      continue;
    }
    bool passed_on = r.paren == 0;
    const bool fresh = r.first_argument;
    r.first_argument = false;
    if (r.m4_comment) {
      // Passed on as it stands.
    } else if (byte == '[') {
      passed_on = passed_on && r.quote > 0;
      r.first_argument = fresh && r.quote == 0;
      ++r.quote;
    } else if (byte == ']' && r.quote > 0) {
      --r.quote;
      passed_on = passed_on && r.quote > 0;
    } else if (r.quote == 0 && byte == '#') {
      r.m4_comment = true;
      r.comment_line = was_line_start;
    } else if (r.quote == 0 && byte == '(' && r.call_count > 0 &&
               r.calls[r.call_count - 1].paren == r.paren + 1 &&
               is_name_byte(r.before)) {
      ++r.paren;  // the '(' of the call just read
      passed_on = false;
      r.first_argument = true;
    } else if (r.quote == 0 && byte == '(' && r.paren > 0) {
      ++r.paren;
    } else if (r.quote == 0 && byte == ')' && r.paren > 0) {
      if (r.call_count > 0 && r.calls[r.call_count - 1].paren == r.paren) {
        --r.call_count;
      }
      --r.paren;
    } else if (is_space_or_tab(c)) {
      r.first_argument = fresh;
    }
    if (passed_on) {
      feed_shell(&r.shell, byte, peek_at(window, 1));
    }
    consume(&r, 1, byte);
  }
  end_shell_word(&r.shell);
  *unreadable = r.unreadable || r.quote != 0 || r.paren != 0 ||
                r.call_count != 0 || !shell_clean(r.shell) || window->failed;
}

struct Resolver {
  ReadFunction read;
  RewindFunction rewind;
  void* input;
  FileWindow window;
  ShellReport* report;
};

void set_report(ShellReport* report, ShellRefusal reason, LineNumber line,
                const char* name, std::size_t length) {
  report->reason = reason;
  report->line = line;
  const std::size_t n = length < max_name_length ? length : max_name_length;
  std::memcpy(report->name, name, n);
  report->name[n] = '\0';
}

bool survey_name(Resolver* resolver, const char* name, std::size_t length,
                 Survey* survey) {
  survey->name = name;
  survey->length = length;
  survey->assigned_line = 0;
  survey->value_length = 0;
  survey->value_usable = false;
  survey->first_use = 0;
  survey->m4_defined = false;
  survey->refusal = ShellRefusal::none;
  survey->refusal_line = 0;
  if (!resolver->rewind(resolver->input)) {
    set_report(resolver->report, ShellRefusal::unreadable, 0, name, length);
    return false;
  }
  open_window(&resolver->window, resolver->read, resolver->input);
  bool unreadable = false;
  survey_file(&resolver->window, survey, &unreadable);
  if (unreadable) {
    set_report(resolver->report, ShellRefusal::unreadable, 0, name, length);
    return false;
  }
  return true;
}

// Whether m4 passes the word on as it stands: no macro of m4sugar's,
// Autoconf's or the file's own.
bool m4_keeps(Resolver* resolver, const char* word, std::size_t length,
              LineNumber line) {
  if (may_expand(word, length)) {
    set_report(resolver->report, ShellRefusal::m4_name, line, word, length);
    return false;
  }
  Survey survey;
  if (!survey_name(resolver, word, length, &survey)) {
    return false;
  }
  if (survey.m4_defined) {
    set_report(resolver->report, ShellRefusal::m4_name, line, word, length);
    return false;
  }
  return true;
}

bool resolve(Resolver* resolver, const char* name, std::size_t length,
             LineNumber before_line, unsigned depth, char* value,
             std::size_t* value_length);

// The value of the word of an assignment on line, its quotes removed and
// its variables replaced by their values.
bool evaluate(Resolver* resolver, const char* word, std::size_t length,
              LineNumber line, unsigned depth, char* value,
              std::size_t* value_length) {
  // Every name in it, in quotes or not, is read by m4 first.
  for (std::size_t i = 0; i < length;) {
    if (!is_name_start(word[i]) || (i > 0 && is_name_byte(word[i - 1]))) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < length && is_name_byte(word[end])) {
      ++end;
    }
    if (!m4_keeps(resolver, word + i, end - i, line)) {
      return false;
    }
    i = end;
  }
  *value_length = 0;
  bool single = false;
  bool dquote = false;
  for (std::size_t i = 0; i < length; ++i) {
    const char c = word[i];
    if (single) {
      if (c == '\'') {
        single = false;
      } else {
        value[(*value_length)++] = c;
      }
    } else if (c == '\'' && !dquote) {
      single = true;
    } else if (c == '"') {
      // Double quotes keep spaces and single quotes; check_word let no
      // other byte that is special in them through.
      dquote = !dquote;
    } else if (c == '$') {
      std::size_t k = i + 1;
      const bool braced = k < length && word[k] == '{';
      k += braced ? 1 : 0;
      const std::size_t start = k;
      while (k < length && is_name_byte(word[k])) {
        ++k;
      }
      char other[max_line_length + 1];
      std::size_t other_length = 0;
      if (!resolve(resolver, word + start, k - start, line, depth + 1, other,
                   &other_length)) {
        return false;
      }
      if (max_line_length - *value_length < other_length) {
        set_report(resolver->report, ShellRefusal::not_literal, line, word, 0);
        return false;
      }
      std::memcpy(value + *value_length, other, other_length);
      *value_length += other_length;
      i = braced ? k : k - 1;
    } else {
      value[(*value_length)++] = c;
    }
  }
  return true;
}

bool resolve(Resolver* resolver, const char* name, std::size_t length,
             LineNumber before_line, unsigned depth, char* value,
             std::size_t* value_length) {
  if (depth > max_reference_depth) {
    set_report(resolver->report, ShellRefusal::too_deep, before_line, name,
               length);
    return false;
  }
  if (is_owned_variable(name, length) || may_expand(name, length)) {
    set_report(resolver->report, ShellRefusal::owned, before_line, name,
               length);
    return false;
  }
  Survey survey;
  if (!survey_name(resolver, name, length, &survey)) {
    return false;
  }
  if (survey.refusal == ShellRefusal::none && survey.assigned_line == 0) {
    survey.refusal = ShellRefusal::not_assigned;
    survey.refusal_line = before_line;
  }
  if (survey.refusal == ShellRefusal::none && before_line != 0 &&
      survey.assigned_line >= before_line) {
    // A variable used before it is set has no value there yet.
    survey.refusal = ShellRefusal::used_before;
    survey.refusal_line = before_line;
  }
  if (survey.refusal != ShellRefusal::none || !survey.value_usable) {
    set_report(resolver->report,
               survey.refusal == ShellRefusal::none ? ShellRefusal::not_literal
                                                    : survey.refusal,
               survey.refusal_line, name, length);
    return false;
  }
  char word[max_line_length];
  std::memcpy(word, survey.value, survey.value_length);
  return evaluate(resolver, word, survey.value_length, survey.assigned_line,
                  depth, value, value_length);
}

}  // namespace

bool is_owned_variable(const char* name, std::size_t length) {
  constexpr const char* prefixes[] = {"PACKAGE", "ECHO",    "AM_",    "ACLOCAL",
                                      "AUTO",    "INSTALL", "LT_SYS", "PKG_"};
  constexpr const char* suffixes[] = {
      "_CFLAGS", "_CPPFLAGS", "_CXXFLAGS", "_LDFLAGS", "_LIBS",
      "_TRUE",   "_FALSE",    "_CC",       "_CXX",     "_PATH"};
  constexpr const char* names[] = {
      "VERSION",   "CC",           "CFLAGS",      "CPP",     "CPPFLAGS",
      "CXX",       "CXXCPP",       "CXXFLAGS",    "LDFLAGS", "LIBS",
      "LIBOBJS",   "LTLIBOBJS",    "DEFS",        "EXEEXT",  "OBJEXT",
      "SHELL",     "PATH",         "IFS",         "AWK",     "SED",
      "GREP",      "EGREP",        "FGREP",       "LN_S",    "MAKE",
      "SET_MAKE",  "RANLIB",       "AR",          "AS",      "DLLTOOL",
      "OBJDUMP",   "NM",           "LD",          "STRIP",   "LIPO",
      "OTOOL",     "OTOOL64",      "DSYMUTIL",    "NMEDIT",  "MANIFEST_TOOL",
      "LIBTOOL",   "YACC",         "LEX",         "LEXLIB",  "LEX_OUTPUT_ROOT",
      "CYGPATH_W", "ALLOCA",       "MKDIR_P",     "MAINT",   "LANG",
      "LC_ALL",    "CONFIG_SHELL", "CONFIG_SITE", "DESTDIR", "MAKEINFO",
      "ETAGS",     "CTAGS",        "CSCOPE",      "TAR",     "FC",
      "FCFLAGS",   "F77",          "FFLAGS",      "OBJC",    "OBJCFLAGS",
      "ERL",       "GO",           "GOFLAGS",     "CCAS",    "CCASFLAGS",
      "RC"};
  // Configure's own variables are lower case: ac_*, srcdir, prefix, host.
  const auto lower = [](char c) { return c >= 'a' && c <= 'z'; };
  const auto suffixed = [&](const char* suffix) {
    const std::size_t n = std::strlen(suffix);
    return length >= n && std::memcmp(name + length - n, suffix, n) == 0;
  };
  return std::any_of(name, name + length, lower) || name[0] == '_' ||
         std::any_of(std::begin(prefixes), std::end(prefixes),
                     [&](const char* prefix) {
                       return has_prefix(name, length, prefix);
                     }) ||
         std::any_of(std::begin(suffixes), std::end(suffixes), suffixed) ||
         std::any_of(
             std::begin(names), std::end(names),
             [&](const char* owned) { return equals(name, length, owned); });
}

bool read_shell_value(ReadFunction read, RewindFunction rewind, void* input,
                      const char* name, std::size_t length, char* value,
                      ShellReport* report) {
  value[0] = '\0';
  set_report(report, ShellRefusal::none, 0, name, length);
  if (length == 0 || !is_name_start(name[0])) {
    set_report(report, ShellRefusal::not_assigned, 0, name, length);
    return false;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (!is_name_byte(name[i])) {
      set_report(report, ShellRefusal::not_assigned, 0, name, length);
      return false;
    }
  }
  if (rewind == nullptr) {
    set_report(report, ShellRefusal::unreadable, 0, name, length);
    return false;
  }
  Resolver resolver{read, rewind, input, {}, report};
  std::size_t value_length = 0;
  if (!resolve(&resolver, name, length, 0, 0, value, &value_length)) {
    value[0] = '\0';
    return false;
  }
  value[value_length] = '\0';
  set_report(report, ShellRefusal::none, 0, name, length);
  return true;
}
