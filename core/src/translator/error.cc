// Error construction and display.
#include "translator/error.h"

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

TranslateError parse_error(std::string message) { return {ErrorKind::Parse, std::move(message)}; }
TranslateError lowering_error(std::string message) {
  return {ErrorKind::Lowering, std::move(message)};
}
TranslateError control_flow_error(std::string message) {
  return {ErrorKind::ControlFlow, std::move(message)};
}
TranslateError internal_error(std::string message) {
  return {ErrorKind::Internal, std::move(message)};
}

}  // namespace corvane
