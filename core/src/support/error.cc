// Error construction and display, and the line and column of an error's place.
#include "support/error.h"

#include <algorithm>

namespace corvane {

std::string TranslateError::display() const {
  switch (kind) {
    case ErrorKind::Parse:
    case ErrorKind::Lowering:
    case ErrorKind::ControlFlow:
      return message;
    case ErrorKind::Internal:
      return "internal error: " + message;
  }
  return message;
}

TranslateError parse_error(std::string message, ErrorClass what) {
  return {ErrorKind::Parse, std::move(message), std::nullopt, what};
}
TranslateError lowering_error(std::string message, ErrorClass what) {
  return {ErrorKind::Lowering, std::move(message), std::nullopt, what};
}
TranslateError control_flow_error(std::string message, ErrorClass what) {
  return {ErrorKind::ControlFlow, std::move(message), std::nullopt, what};
}
TranslateError internal_error(std::string message) {
  return {ErrorKind::Internal, std::move(message), std::nullopt, ErrorClass::Internal};
}

TranslateError placed(TranslateError error, std::size_t offset) {
  if (!error.offset) error.offset = offset;
  return error;
}

TextPosition text_position(std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, std::min(offset, text.size()));
  TextPosition position;
  const std::size_t line_start = before.rfind('\n');
  position.line += static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::string_view line =
      line_start == std::string_view::npos ? before : before.substr(line_start + 1);
  // Every byte but a UTF-8 continuation byte (10xxxxxx) starts a code point.
  position.column += static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  return position;
}

}  // namespace corvane
