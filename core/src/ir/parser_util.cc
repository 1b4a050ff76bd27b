// Placeholder; replaced by the parser helpers.
#include "ir/parser_util.h"
namespace corvane {}
