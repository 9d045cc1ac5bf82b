#include "m4_macros.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

std::size_t bucket_of(const char* name, std::size_t length) {
  // FNV-1a: names are short, and any spread will do.
  std::uint32_t hash = 2166136261U;
  for (std::size_t i = 0; i < length; ++i) {
    hash = (hash ^ static_cast<unsigned char>(name[i])) * 16777619U;
  }
  return hash % macro_buckets;
}

bool same_name(const MacroTable& table, const Macro& macro, const char* name,
               std::size_t length) {
  return macro.name_length == length &&
         std::memcmp(table.text + macro.name_at, name, length) == 0;
}

// The slot that links to the top definition of name, or to the -1 that
// ends its bucket.
std::int16_t* link_to(MacroTable* table, const char* name, std::size_t length) {
  std::int16_t* link = &table->buckets[bucket_of(name, length)];
  while (*link >= 0 &&
         !same_name(*table, table->entries[*link], name, length)) {
    link = &table->entries[*link].next;
  }
  return link;
}

// One string of the table's text, for compaction.
struct Piece {
  std::uint32_t* at;
  std::uint32_t length;
};

// Moves the strings of all definitions to the front of the text, in order,
// so that the space of replaced values can be used again.
void compact_text(MacroTable* table) {
  Piece pieces[2 * max_macros];
  std::size_t count = 0;
  for_each_macro(table, [&](Macro* macro) {
    pieces[count++] = Piece{&macro->name_at, macro->name_length};
    pieces[count++] = Piece{&macro->value_at, macro->value_length};
  });
  std::sort(pieces, pieces + count,
            [](const Piece& a, const Piece& b) { return *a.at < *b.at; });
  std::uint32_t used = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::memmove(table->text + used, table->text + *pieces[i].at,
                 pieces[i].length);
    *pieces[i].at = used;
    used += pieces[i].length;
  }
  table->text_used = used;
}

// Makes room for length more bytes of text; false where the definitions
// would hold more than their share.
bool make_room(MacroTable* table, std::size_t length) {
  if (max_live_text - table->live_text < length) {
    return false;
  }
  if (macro_text_size - table->text_used < length) {
    compact_text(table);
  }
  return true;
}

// Stores length bytes of text, for which there is room.
std::uint32_t store_text(MacroTable* table, const char* text,
                         std::size_t length) {
  std::memcpy(table->text + table->text_used, text, length);
  const auto at = static_cast<std::uint32_t>(table->text_used);
  table->text_used += length;
  table->live_text += length;
  return at;
}

void set_value(Macro* macro, const MacroValue& value) {
  macro->kind = value.kind;
  macro->builtin = value.builtin;
  macro->may_define = value.may_define;
  macro->value_length = static_cast<std::uint32_t>(
      value.kind == MacroKind::text ? value.length : 0);
}

// A new definition of name: its name and value stored, not linked yet.
std::int16_t new_macro(MacroTable* table, const char* name, std::size_t length,
                       const MacroValue& value) {
  if (table->free_count == 0 || length > max_name_length) {
    return -1;
  }
  const std::int16_t index = table->free_list >= 0
                                 ? table->free_list
                                 : static_cast<std::int16_t>(table->never_used);
  Macro* macro = &table->entries[index];
  const std::size_t value_length =
      value.kind == MacroKind::text ? value.length : 0;
  // The entry is not linked yet: a compaction between storing its name and
  // its value would drop the name.
  if (!make_room(table, length + value_length)) {
    return -1;
  }
  macro->name_at = store_text(table, name, length);
  macro->value_at = store_text(table, value.text, value_length);
  if (index == table->free_list) {
    table->free_list = macro->next;
  } else {
    ++table->never_used;
  }
  --table->free_count;
  macro->name_length = static_cast<std::uint16_t>(length);
  set_value(macro, value);
  macro->below = -1;
  macro->next = -1;
  return index;
}

void free_macro(MacroTable* table, std::int16_t index) {
  table->live_text -= table->entries[index].name_length +
                      std::size_t{table->entries[index].value_length};
  table->entries[index].next = table->free_list;
  table->free_list = index;
  ++table->free_count;
}

}  // namespace

void clear_macros(MacroTable* table) {
  // All bits set: -1, an empty bucket.
  std::memset(table->buckets, 0xFF, sizeof table->buckets);
  // Entries never used are taken in order; freed ones go on the free list.
  table->never_used = 0;
  table->free_list = -1;
  table->free_count = max_macros;
  table->text_used = 0;
  table->live_text = 0;
}

const Macro* find_macro(const MacroTable& table, const char* name,
                        std::size_t length) {
  for (std::int16_t at = table.buckets[bucket_of(name, length)]; at >= 0;
       at = table.entries[at].next) {
    if (same_name(table, table.entries[at], name, length)) {
      return &table.entries[at];
    }
  }
  return nullptr;
}

bool define_macro(MacroTable* table, const char* name, std::size_t length,
                  const MacroValue& value) {
  std::int16_t* link = link_to(table, name, length);
  if (*link < 0) {
    return pushdef_macro(table, name, length, value);
  }
  Macro* macro = &table->entries[*link];
  const std::size_t value_length =
      value.kind == MacroKind::text ? value.length : 0;
  // The old value need not survive compaction.
  table->live_text -= macro->value_length;
  macro->value_length = 0;
  if (!make_room(table, value_length)) {
    return false;
  }
  macro->value_at = store_text(table, value.text, value_length);
  set_value(macro, value);
  return true;
}

bool pushdef_macro(MacroTable* table, const char* name, std::size_t length,
                   const MacroValue& value) {
  const std::int16_t index = new_macro(table, name, length, value);
  if (index < 0) {
    return false;
  }
  // Find the link only now: making the entry may have compacted the text.
  std::int16_t* link = link_to(table, name, length);
  Macro* macro = &table->entries[index];
  if (*link >= 0) {
    macro->below = *link;
    macro->next = table->entries[*link].next;
  }
  *link = index;
  return true;
}

void popdef_macro(MacroTable* table, const char* name, std::size_t length) {
  std::int16_t* link = link_to(table, name, length);
  if (*link < 0) {
    return;
  }
  const std::int16_t top = *link;
  const std::int16_t below = table->entries[top].below;
  if (below >= 0) {
    table->entries[below].next = table->entries[top].next;
    *link = below;
  } else {
    *link = table->entries[top].next;
  }
  free_macro(table, top);
}

void undefine_macro(MacroTable* table, const char* name, std::size_t length) {
  std::int16_t* link = link_to(table, name, length);
  if (*link < 0) {
    return;
  }
  std::int16_t at = *link;
  *link = table->entries[at].next;
  while (at >= 0) {
    const std::int16_t below = table->entries[at].below;
    free_macro(table, at);
    at = below;
  }
}
