// Quoted-form rendering of names for messages.
#include "support/text.h"

namespace corvane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

void append_hex(std::string& out, std::uint32_t value) {
  char buf[8];
  int n = 0;
  do {
    buf[n++] = kHex[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n > 0) out.push_back(buf[--n]);
}

// Characters that are written escaped rather than copied: the C0 and C1 control
// ranges, DEL, the line and paragraph separators, and the byte-order mark.
bool is_non_printable(std::uint32_t cp) {
  return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 || cp == 0xFEFF ||
         (cp >= 0x200B && cp <= 0x200F) || (cp >= 0xD800 && cp <= 0xDFFF);
}

}  // namespace

std::uint32_t decode_utf8(std::string_view text, std::size_t pos, std::size_t& length) {
  const auto b0 = static_cast<unsigned char>(text[pos]);
  length = 1;
  if (b0 < 0x80) return b0;
  std::size_t need = 0;
  std::uint32_t cp = 0;
  std::uint32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    need = 1;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    need = 2;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    need = 3;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0xFFFFFFFFu;
  }
  if (need > text.size() - pos - 1) return 0xFFFFFFFFu;
  for (std::size_t i = 1; i <= need; ++i) {
    const auto b = static_cast<unsigned char>(text[pos + i]);
    if ((b & 0xC0) != 0x80) return 0xFFFFFFFFu;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFFFFFFu;
  length = need + 1;
  return cp;
}

void append_quoted(std::string& out, std::string_view text) {
  out.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    switch (c) {
      case '"':
        out += "\\\"";
        ++i;
        continue;
      case '\\':
        out += "\\\\";
        ++i;
        continue;
      case '\t':
        out += "\\t";
        ++i;
        continue;
      case '\r':
        out += "\\r";
        ++i;
        continue;
      case '\n':
        out += "\\n";
        ++i;
        continue;
      case '\0':
        out += "\\0";
        ++i;
        continue;
      default:
        break;
    }
    std::size_t len = 1;
    const std::uint32_t cp = decode_utf8(text, i, len);
    if (cp == 0xFFFFFFFFu) {
      out += "\\x{";
      append_hex(out, static_cast<unsigned char>(c));
      out.push_back('}');
    } else if (is_non_printable(cp)) {
      out += "\\u{";
      append_hex(out, cp);
      out.push_back('}');
    } else {
      out.append(text.substr(i, len));
    }
    i += len;
  }
  out.push_back('"');
}

std::string quote_text(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  append_quoted(out, text);
  return out;
}

std::string quote_list(const std::string_view* items, std::size_t count) {
  std::string out = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) out += ", ";
    append_quoted(out, items[i]);
  }
  out += "]";
  return out;
}

}  // namespace corvane
