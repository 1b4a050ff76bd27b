// The _corvane_native extension module: the only unit that includes Python.h.
// It converts the arguments of translate() to UTF-8 views, runs the core
// translate(), and turns the result into a str or a CorvaneError of the
// error's class (whose lineno and colno give the error's place in the text, or
// None, and whose diagnostics list every independent refusal). Invariant: no
// C++ exception ever crosses into the interpreter; every C++ step runs inside
// call_core(), which maps an escaping exception to a Python exception.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "translator/translate.h"

namespace {

constexpr const char* kTranslateDoc =
    "translate(qir_text, *, producer=None)\n"
    "--\n"
    "\n"
    "Translate QIR text to Ostrel-compatible OpenQASM 3.\n"
    "\n"
    "``producer``, if given and non-empty, is surfaced as the\n"
    "``\"producer\"`` field in the trailing ``// generated-by:`` comment\n"
    "(e.g. ``\"mylib 0.1.2\"``). ``None`` or empty omits the field.\n"
    "\n"
    "Raises ``CorvaneError`` on any translation failure: ``MalformedTextError``\n"
    "for text that is not a well-formed module, ``UnsupportedConstructError``\n"
    "for a construct the translator does not support, ``LimitExceededError``\n"
    "for a module beyond one of the translator's limits.";

/// The exception types in the order of corvane::ErrorClass, after CorvaneError
/// itself (an internal error raises CorvaneError).
struct ErrorTypeSpec {
  const char* name;  // qualified by the module
  const char* doc;
};
constexpr ErrorTypeSpec kErrorTypes[] = {
    {"_corvane_native.MalformedTextError",
     "The text is not a well-formed QIR module (a parse error, bitcode, no entry point)."},
    {"_corvane_native.UnsupportedConstructError",
     "The module is well formed but uses a construct the translator does not support."},
    {"_corvane_native.LimitExceededError",
     "The module would make the translator exceed one of its limits."},
};
constexpr std::size_t kErrorTypeCount = sizeof(kErrorTypes) / sizeof(kErrorTypes[0]);

// Created on first use and kept for the life of the process, so every module
// object (including re-imports and sub-interpreters) shares the exception types.
PyObject* g_corvane_error = nullptr;
PyObject* g_error_types[kErrorTypeCount] = {};

/// Makes the process-wide exception types; false with an exception set.
bool make_error_types() {
  PyObject* base = PyErr_NewException("_corvane_native.CorvaneError", nullptr, nullptr);
  // Every instance has a place, None unless the error was raised at one, and
  // its diagnostics, empty unless translate() raised it.
  PyObject* empty = PyTuple_New(0);
  bool made = base != nullptr && empty != nullptr &&
              PyObject_SetAttrString(base, "lineno", Py_None) == 0 &&
              PyObject_SetAttrString(base, "colno", Py_None) == 0 &&
              PyObject_SetAttrString(base, "diagnostics", empty) == 0;
  Py_XDECREF(empty);
  PyObject* types[kErrorTypeCount] = {};
  for (std::size_t i = 0; made && i < kErrorTypeCount; ++i) {
    types[i] = PyErr_NewExceptionWithDoc(kErrorTypes[i].name, kErrorTypes[i].doc, base, nullptr);
    made = types[i] != nullptr;
  }
  if (!made) {
    Py_XDECREF(base);
    for (PyObject* type : types) Py_XDECREF(type);
    PyErr_Clear();
    PyErr_SetString(PyExc_ImportError, "Failed to initialize new exception type.");
    return false;
  }
  g_corvane_error = base;
  for (std::size_t i = 0; i < kErrorTypeCount; ++i) g_error_types[i] = types[i];
  return true;
}

/// The process-wide CorvaneError type (borrowed), or nullptr with an exception set.
PyObject* corvane_error_type() {
  if (g_corvane_error == nullptr && !make_error_types()) return nullptr;
  return g_corvane_error;
}

/// The exception type raised for errors of `error_class` (borrowed), or nullptr
/// with an exception set.
PyObject* error_type_for(corvane::ErrorClass error_class) {
  if (corvane_error_type() == nullptr) return nullptr;
  const auto index = static_cast<std::size_t>(error_class);
  return index < kErrorTypeCount ? g_error_types[index] : g_corvane_error;
}

/// Decodes core-produced text. Error messages are decoded leniently so that a
/// message always reaches the caller, even if it were to hold broken UTF-8.
PyObject* text_to_str(const std::string& text, const char* errors) {
  return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), errors);
}

/// One refusal as the core reported it: display text and place, if any.
struct Diagnostic {
  std::string text;
  std::optional<corvane::TextPosition> place;
};

/// A place as a line number and column number, each an int or None.
PyObject* place_number(const std::optional<corvane::TextPosition>& place, bool line) {
  if (!place.has_value()) return Py_NewRef(Py_None);
  return PyLong_FromSize_t(line ? place->line : place->column);
}

/// (message, lineno, colno) for each diagnostic, as a tuple; nullptr with an
/// exception set.
PyObject* diagnostics_tuple(const std::vector<Diagnostic>& diagnostics) {
  PyObject* all = PyTuple_New(static_cast<Py_ssize_t>(diagnostics.size()));
  if (all == nullptr) return nullptr;
  for (std::size_t i = 0; i < diagnostics.size(); ++i) {
    PyObject* message = text_to_str(diagnostics[i].text, "replace");
    PyObject* lineno = place_number(diagnostics[i].place, true);
    PyObject* colno = place_number(diagnostics[i].place, false);
    PyObject* entry = message != nullptr && lineno != nullptr && colno != nullptr
                          ? PyTuple_Pack(3, message, lineno, colno)
                          : nullptr;
    Py_XDECREF(message);
    Py_XDECREF(lineno);
    Py_XDECREF(colno);
    if (entry == nullptr) {
      Py_DECREF(all);
      return nullptr;
    }
    PyTuple_SetItem(all, static_cast<Py_ssize_t>(i), entry);  // steals entry
  }
  return all;
}

/// Raises the CorvaneError subclass of `error_class` with the first
/// diagnostic's text as its only argument, its place as lineno and colno (None
/// without a place) and every diagnostic in diagnostics.
void raise_corvane_error(corvane::ErrorClass error_class,
                         const std::vector<Diagnostic>& diagnostics) {
  PyObject* type = error_type_for(error_class);
  if (type == nullptr || diagnostics.empty()) return;
  PyObject* message = text_to_str(diagnostics.front().text, "replace");
  if (message == nullptr) return;
  PyObject* error = PyObject_CallFunctionObjArgs(type, message, nullptr);
  Py_DECREF(message);
  if (error == nullptr) return;
  PyObject* lineno = place_number(diagnostics.front().place, true);
  PyObject* colno = place_number(diagnostics.front().place, false);
  PyObject* all = diagnostics_tuple(diagnostics);
  const bool set = lineno != nullptr && colno != nullptr && all != nullptr &&
                   PyObject_SetAttrString(error, "lineno", lineno) == 0 &&
                   PyObject_SetAttrString(error, "colno", colno) == 0 &&
                   PyObject_SetAttrString(error, "diagnostics", all) == 0;
  Py_XDECREF(lineno);
  Py_XDECREF(colno);
  Py_XDECREF(all);
  if (!set) {
    Py_DECREF(error);
    return;
  }
  PyErr_SetObject(type, error);
  Py_DECREF(error);
}

/// Borrows the UTF-8 form of a str argument (NUL characters included).
/// On failure sets a TypeError that names the argument and returns nullopt.
std::optional<std::string_view> utf8_view(PyObject* value, const char* arg_name,
                                          const char* expected) {
  if (!PyUnicode_Check(value)) {
    PyObject* type_name =
        PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)), "__name__");
    if (type_name == nullptr) return std::nullopt;
    PyErr_Format(PyExc_TypeError, "translate() argument '%s' must be %s, not %S", arg_name,
                 expected, type_name);
    Py_DECREF(type_name);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(value, &size);
  if (data == nullptr) {
    // A str holding a lone surrogate has no UTF-8 form, so it is not usable as
    // text: report the argument and keep the codec error as the cause.
    if (!PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return std::nullopt;
    PyObject *type = nullptr, *cause = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &cause, &traceback);
    PyErr_NormalizeException(&type, &cause, &traceback);
    Py_XDECREF(type);
    Py_XDECREF(traceback);
    PyErr_Format(PyExc_TypeError,
                 "translate() argument '%s' must be text encodable as UTF-8, "
                 "not a str with a lone surrogate",
                 arg_name);
    PyObject *error_type = nullptr, *error = nullptr, *error_traceback = nullptr;
    PyErr_Fetch(&error_type, &error, &error_traceback);
    PyErr_NormalizeException(&error_type, &error, &error_traceback);
    if (error != nullptr && cause != nullptr) {
      PyException_SetCause(error, cause);  // steals the reference to cause
    } else {
      Py_XDECREF(cause);
    }
    PyErr_Restore(error_type, error, error_traceback);
    return std::nullopt;
  }
  return std::string_view(data, static_cast<std::size_t>(size));
}

/// Outcome of the C++ part of a call: the program text, the error display
/// text, or a C++ exception that has to become a Python exception.
struct CoreOutcome {
  enum class Kind { Text, TranslateError, OutOfMemory, Fault };
  Kind kind = Kind::Fault;
  std::string text;  // program text or fault description
  corvane::ErrorClass error_class = corvane::ErrorClass::Internal;  // of a TranslateError
  std::vector<Diagnostic> diagnostics;  // of a TranslateError: the error, then the others
};

/// Runs the core; never throws.
CoreOutcome call_core(std::string_view qir_text,
                      std::optional<std::string_view> producer) noexcept {
  CoreOutcome outcome;
  try {
    std::optional<std::string> owned_producer;
    if (producer.has_value()) owned_producer.emplace(*producer);
    corvane::Result<std::string> result = corvane::translate(qir_text, owned_producer);
    if (result.ok()) {
      outcome.kind = CoreOutcome::Kind::Text;
      outcome.text = std::move(result).value();
    } else {
      const corvane::TranslateError& error = result.error();
      outcome.kind = CoreOutcome::Kind::TranslateError;
      outcome.error_class = error.cls;
      // Lines and columns are counted only here, for the errors raised.
      const auto place = [qir_text](std::optional<std::size_t> offset) {
        return offset ? std::optional(corvane::text_position(qir_text, *offset)) : std::nullopt;
      };
      outcome.diagnostics.push_back({error.display(), place(error.offset)});
      for (const corvane::Refusal& other : error.also) {
        outcome.diagnostics.push_back({other.message, place(other.offset)});
      }
    }
  } catch (const std::bad_alloc&) {
    outcome.kind = CoreOutcome::Kind::OutOfMemory;
    outcome.text.clear();
  } catch (const std::exception& error) {
    outcome.kind = CoreOutcome::Kind::Fault;
    try {
      outcome.text = error.what();
    } catch (...) {
      outcome.text.clear();
    }
  } catch (...) {
    outcome.kind = CoreOutcome::Kind::Fault;
    outcome.text.clear();
  }
  return outcome;
}

constexpr std::string_view kQirTextArg = "qir_text";
constexpr std::string_view kProducerArg = "producer";

/// Turns a failed outcome into the Python exception; returns nullptr.
PyObject* raise_outcome(const CoreOutcome& outcome) {
  switch (outcome.kind) {
    case CoreOutcome::Kind::Text:
      break;
    case CoreOutcome::Kind::TranslateError:
      raise_corvane_error(outcome.error_class, outcome.diagnostics);
      return nullptr;
    case CoreOutcome::Kind::OutOfMemory:
      return PyErr_NoMemory();
    case CoreOutcome::Kind::Fault: {
      PyObject* detail = text_to_str(outcome.text, "replace");
      if (detail == nullptr) return nullptr;
      PyErr_Format(PyExc_RuntimeError, "internal error in corvane: unexpected C++ exception: %U",
                   detail);
      Py_DECREF(detail);
      return nullptr;
    }
  }
  PyErr_SetString(PyExc_RuntimeError, "internal error in corvane: unknown outcome");
  return nullptr;
}

/// translate(qir_text, *, producer=None), called with the vectorcall protocol.
PyObject* translate_impl(PyObject* /*module*/, PyObject* const* args, Py_ssize_t nargs,
                         PyObject* kwnames) {
  if (nargs > 1) {
    PyErr_Format(PyExc_TypeError,
                 "translate() takes 1 positional argument but %zd were given "
                 "(argument 'producer' is keyword-only)",
                 nargs);
    return nullptr;
  }
  PyObject* qir_text_obj = nargs == 1 ? args[0] : nullptr;
  PyObject* producer_obj = nullptr;
  const Py_ssize_t nkw = kwnames == nullptr ? 0 : PyTuple_Size(kwnames);
  if (nkw < 0) return nullptr;
  for (Py_ssize_t i = 0; i < nkw; ++i) {
    PyObject* key = PyTuple_GetItem(kwnames, i);
    if (key == nullptr) return nullptr;
    PyObject* value = args[nargs + i];
    Py_ssize_t key_size = 0;
    const char* key_data = PyUnicode_AsUTF8AndSize(key, &key_size);
    if (key_data == nullptr) return nullptr;
    const std::string_view key_text(key_data, static_cast<std::size_t>(key_size));
    PyObject** slot = nullptr;
    if (key_text == kQirTextArg) {
      slot = &qir_text_obj;
    } else if (key_text == kProducerArg) {
      slot = &producer_obj;
    } else {
      PyErr_Format(PyExc_TypeError, "translate() got an unexpected keyword argument '%U'", key);
      return nullptr;
    }
    if (*slot != nullptr) {
      PyErr_Format(PyExc_TypeError, "translate() got multiple values for argument '%U'", key);
      return nullptr;
    }
    *slot = value;
  }
  if (qir_text_obj == nullptr) {
    PyErr_SetString(PyExc_TypeError, "translate() missing required argument 'qir_text'");
    return nullptr;
  }

  const std::optional<std::string_view> qir_text = utf8_view(qir_text_obj, "qir_text", "str");
  if (!qir_text.has_value()) return nullptr;
  std::optional<std::string_view> producer;
  if (producer_obj != nullptr && producer_obj != Py_None) {
    producer = utf8_view(producer_obj, "producer", "str or None");
    if (!producer.has_value()) return nullptr;
  }

  // The translation runs without the interpreter lock, so other threads go on
  // (and translate in parallel). The views stay valid meanwhile: they borrow
  // the UTF-8 buffers of str objects, which are immutable and kept alive by
  // this call's own arguments, and the core touches no Python object.
  CoreOutcome outcome;
  Py_BEGIN_ALLOW_THREADS;
  outcome = call_core(*qir_text, producer);
  Py_END_ALLOW_THREADS;
  if (outcome.kind == CoreOutcome::Kind::Text) {
    return PyUnicode_FromStringAndSize(outcome.text.data(),
                                       static_cast<Py_ssize_t>(outcome.text.size()));
  }
  return raise_outcome(outcome);
}

/// Outcome of the C++ part of compile(): the text and output map, or as for translate.
struct CompileOutcome {
  CoreOutcome core;
  std::string outputs_json;
  std::unique_ptr<corvane::OutputMap> outputs;
};

/// Runs the core's compile; never throws.
CompileOutcome call_compile(std::string_view qir_text, std::optional<std::string_view> producer,
                            bool keep_values) noexcept {
  CompileOutcome outcome;
  try {
    corvane::Result<corvane::Compiled> result = corvane::compile(qir_text, producer, keep_values);
    if (result.ok()) {
      corvane::Compiled compiled = std::move(result).value();
      outcome.core.kind = CoreOutcome::Kind::Text;
      outcome.core.text = std::move(compiled.text);
      outcome.outputs_json = corvane::output_map_json(compiled.outputs);
      outcome.outputs = std::make_unique<corvane::OutputMap>(std::move(compiled.outputs));
    } else {
      const corvane::TranslateError& error = result.error();
      outcome.core.kind = CoreOutcome::Kind::TranslateError;
      outcome.core.error_class = error.cls;
      const auto place = [qir_text](std::optional<std::size_t> offset) {
        return offset ? std::optional(corvane::text_position(qir_text, *offset)) : std::nullopt;
      };
      outcome.core.diagnostics.push_back({error.display(), place(error.offset)});
      for (const corvane::Refusal& other : error.also) {
        outcome.core.diagnostics.push_back({other.message, place(other.offset)});
      }
    }
  } catch (const std::bad_alloc&) {
    outcome.core.kind = CoreOutcome::Kind::OutOfMemory;
  } catch (const std::exception& error) {
    outcome.core.kind = CoreOutcome::Kind::Fault;
    try {
      outcome.core.text = error.what();
    } catch (...) {
      outcome.core.text.clear();
    }
  } catch (...) {
    outcome.core.kind = CoreOutcome::Kind::Fault;
    outcome.core.text.clear();
  }
  return outcome;
}

constexpr const char* kOutputMapCapsule = "corvane.OutputMap";

void free_output_map(PyObject* capsule) {
  delete static_cast<corvane::OutputMap*>(PyCapsule_GetPointer(capsule, kOutputMapCapsule));
}

/// _compile(qir_text, producer, keep_values) -> (text, outputs JSON, map handle).
/// The arguments are checked by corvane.compile, which calls this.
PyObject* compile_impl(PyObject* /*module*/, PyObject* args) {
  PyObject* qir_text_obj = nullptr;
  PyObject* producer_obj = nullptr;
  int keep_values = 0;
  if (!PyArg_ParseTuple(args, "UOp:_compile", &qir_text_obj, &producer_obj, &keep_values)) {
    return nullptr;
  }
  const std::optional<std::string_view> qir_text = utf8_view(qir_text_obj, "qir_text", "str");
  if (!qir_text.has_value()) return nullptr;
  std::optional<std::string_view> producer;
  if (producer_obj != Py_None) {
    producer = utf8_view(producer_obj, "producer", "str or None");
    if (!producer.has_value()) return nullptr;
  }
  // As in translate: the views borrow immutable str buffers held by the arguments.
  CompileOutcome outcome;
  Py_BEGIN_ALLOW_THREADS;
  outcome = call_compile(*qir_text, producer, keep_values != 0);
  Py_END_ALLOW_THREADS;
  if (outcome.core.kind != CoreOutcome::Kind::Text) return raise_outcome(outcome.core);
  PyObject* capsule = PyCapsule_New(outcome.outputs.get(), kOutputMapCapsule, free_output_map);
  if (capsule == nullptr) return nullptr;
  outcome.outputs.release();  // owned by the capsule now
  PyObject* text = text_to_str(outcome.core.text, "strict");
  PyObject* json = text_to_str(outcome.outputs_json, "replace");
  if (text == nullptr || json == nullptr) {
    Py_XDECREF(text);
    Py_XDECREF(json);
    Py_DECREF(capsule);
    return nullptr;
  }
  PyObject* result = PyTuple_Pack(3, text, json, capsule);
  Py_DECREF(text);
  Py_DECREF(json);
  Py_DECREF(capsule);
  return result;
}

/// The Python value of a decoded record's value.
PyObject* decoded_value(const corvane::DecodedValue& value) {
  if (const auto* flag = std::get_if<bool>(&value)) return PyBool_FromLong(*flag ? 1 : 0);
  if (const auto* number = std::get_if<std::int64_t>(&value)) return PyLong_FromLongLong(*number);
  if (const auto* real = std::get_if<double>(&value)) return PyFloat_FromDouble(*real);
  Py_INCREF(Py_None);
  return Py_None;
}

/// _decode(handle, bits) -> [(kind, value, label), ...]; `bits` holds one
/// byte 0 or 1 per bit of c, checked by the caller.
PyObject* decode_impl(PyObject* /*module*/, PyObject* args) {
  PyObject* capsule = nullptr;
  PyObject* bits_obj = nullptr;
  if (!PyArg_ParseTuple(args, "OO:_decode", &capsule, &bits_obj)) return nullptr;
  auto* map = static_cast<corvane::OutputMap*>(PyCapsule_GetPointer(capsule, kOutputMapCapsule));
  if (map == nullptr) return nullptr;
  char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyBytes_AsStringAndSize(bits_obj, &data, &size) < 0) return nullptr;
  std::vector<corvane::DecodedRecord> records;
  try {
    records = corvane::decode_records(
        *map, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data),
                                            static_cast<std::size_t>(size)));
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  }
  PyObject* list = PyList_New(static_cast<Py_ssize_t>(records.size()));
  if (list == nullptr) return nullptr;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const corvane::DecodedRecord& record = records[i];
    PyObject* label = nullptr;
    if (record.label != nullptr && record.label->has_value()) {
      label = text_to_str(**record.label, "replace");
    } else {
      Py_INCREF(Py_None);
      label = Py_None;
    }
    PyObject* kind = PyUnicode_FromString(corvane::record_kind_name(record.kind));
    PyObject* value = decoded_value(record.value);
    PyObject* item = nullptr;
    if (label != nullptr && kind != nullptr && value != nullptr) {
      item = PyTuple_Pack(3, kind, value, label);
    }
    Py_XDECREF(label);
    Py_XDECREF(kind);
    Py_XDECREF(value);
    if (item == nullptr) {
      Py_DECREF(list);
      return nullptr;
    }
    PyList_SetItem(list, static_cast<Py_ssize_t>(i), item);  // steals item
  }
  return list;
}

PyMethodDef g_compile_def = {"_compile", compile_impl, METH_VARARGS,
                             "_compile(qir_text, producer, keep_values): used by corvane.compile."};
PyMethodDef g_decode_def = {"_decode", decode_impl, METH_VARARGS,
                            "_decode(handle, bits): used by corvane.Translation.decode."};

PyMethodDef g_translate_def = {
    "translate",
    reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(translate_impl)),
    METH_FASTCALL | METH_KEYWORDS,
    kTranslateDoc,
};

/// Adds the attributes in their published order: __version__, CorvaneError
/// and its subclasses, translate, __all__.
int exec_module(PyObject* module) {
  if (PyModule_AddStringConstant(module, "__version__", corvane::kVersion) < 0) return -1;
  PyObject* error_type = corvane_error_type();
  if (error_type == nullptr) return -1;
  if (PyModule_AddObjectRef(module, "CorvaneError", error_type) < 0) return -1;
  for (std::size_t i = 0; i < kErrorTypeCount; ++i) {
    const std::string_view qualified = kErrorTypes[i].name;
    const std::string name(qualified.substr(qualified.find('.') + 1));
    if (PyModule_AddObjectRef(module, name.c_str(), g_error_types[i]) < 0) return -1;
  }

  PyObject* module_name = PyModule_GetNameObject(module);
  if (module_name == nullptr) return -1;
  PyObject* function = PyCFunction_NewEx(&g_translate_def, module, module_name);
  Py_DECREF(module_name);
  if (function == nullptr) return -1;
  const int added = PyModule_AddObjectRef(module, "translate", function);
  Py_DECREF(function);
  if (added < 0) return -1;
  for (PyMethodDef* def : {&g_compile_def, &g_decode_def}) {
    PyObject* name = PyModule_GetNameObject(module);
    if (name == nullptr) return -1;
    PyObject* helper = PyCFunction_NewEx(def, module, name);
    Py_DECREF(name);
    if (helper == nullptr) return -1;
    const int added_helper = PyModule_AddObjectRef(module, def->ml_name, helper);
    Py_DECREF(helper);
    if (added_helper < 0) return -1;
  }

  PyObject* all = Py_BuildValue("[ssssss]", "__version__", "CorvaneError", "MalformedTextError",
                                "UnsupportedConstructError", "LimitExceededError", "translate");
  if (all == nullptr) return -1;
  const int added_all = PyModule_AddObjectRef(module, "__all__", all);
  Py_DECREF(all);
  return added_all;
}

PyModuleDef_Slot g_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef g_module_def = {
    PyModuleDef_HEAD_INIT,
    "_corvane_native",
    "Native core of corvane: translates QIR text to OpenQASM 3.",
    0,
    nullptr,
    g_slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

extern "C" PyMODINIT_FUNC PyInit__corvane_native() { return PyModuleDef_Init(&g_module_def); }
