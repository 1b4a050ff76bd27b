// Signature parsing: declaration lines to signatures or exact errors, and the
// map's ordering, replacement and lookup rules.
#include "signatures/signatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Types = std::vector<std::string>;

TEST(SignatureLineTest, ParsesAcceptedLines) {
  struct Row {
    std::string line;
    Signature expected;
  };
  const Row rows[] = {
      {"declare void @__quantum__qis__h__body(%Qubit*) local_unnamed_addr #0",
       {"__quantum__qis__h__body", "void", {"Qubit"}, false}},
      {"declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly) #1",
       {"__quantum__qis__mz__body", "void", {"Qubit", "Result"}, false}},
      {"declare void @__quantum__qis__mz__body(ptr, ptr writeonly)",
       {"__quantum__qis__mz__body", "void", {"ptr", "ptr"}, false}},
      {"declare void @generalizedInvokeWithRotationsControlsTargets(i64, i64, i64, i64, i8*, ...)",
       {"generalizedInvokeWithRotationsControlsTargets",
        "void",
        {"i64", "i64", "i64", "i64", "i8"},
        true}},
      {"define dso_local void @main() #0 {", {"main", "void", {}, false}},
      {"declare { i64, i1 } @f({ i64, i1 } %s)", {"f", "struct", {"struct"}, false}},
      {"declare void @\"quoted name\"(i64)", {"quoted name", "void", {"i64"}, false}},
      {"declare void @\"\" (i64)", {"", "void", {"i64"}, false}},
      {"declare void @f(...)", {"f", "void", {}, true}},
      {"declare void @f(  )", {"f", "void", {}, false}},
      {"declare void @f(i64, ...) #2", {"f", "void", {"i64"}, true}},
      // Every skipped linkage word, then attribute words around parameter types.
      {"declare weak common hidden private default internal linkonce weak_odr external dso_local "
       "appending protected linkonce_odr "
       "local_unnamed_addr available_externally dllimport dllexport extern_weak dso_preemptable "
       "fastcc signext zeroext i1 @g(i8* nocapture readonly %p, noundef i64 %n)",
       {"g", "i1", {"i8", "i64"}, false}},
      {"declare void @a(writeonly readonly readnone nonnull noalias nocapture immarg signext "
       "zeroext byval sret inreg noundef double %x)",
       {"a", "void", {"double"}, false}},
      {"declare void @a(double writeonly %x)", {"a", "void", {"double"}, false}},
      // Return attributes in any number and order, a numbered calling convention.
      {"declare noundef zeroext i1 @rr(%Result* nocapture readonly) nounwind",
       {"rr", "i1", {"Result"}, false}},
      {"declare dso_local cc 10 noundef align 8 dereferenceable(8) ptr @p(ptr align 8)",
       {"p", "ptr", {"ptr"}, false}},
      {"declare void @s(byval { i64, { i8 } } %a, i64)", {"s", "void", {"struct", "i64"}, false}},
      {"define internal %Result* @r(%\"quoted.type\"* %x, %struct.Foo$_1* byval %y)",
       {"r", "Result", {"quoted.type", "struct.Foo$_1"}, false}},
      // A `-` is a name character like `.`, `$` and `_`.
      {"declare void @cx-gate(%my-Qubit*, i64)", {"cx-gate", "void", {"my-Qubit", "i64"}, false}},
      {"declare half @t(float, fp128, double, bfloat, ptr, i128, void)",
       {"t", "half", {"float", "fp128", "double", "bfloat", "ptr", "i128", "void"}, false}},
      {"declare void @f$x.y_z(i64 signext)", {"f$x.y_z", "void", {"i64"}, false}},
      {"declare void @f unnamed_addr (i64)", {"f", "void", {"i64"}, false}},
      {"declare void @f(i64)) #0 ; trailing (", {"f", "void", {"i64"}, false}},
      {"declare void @f(void (i64)* %fp)", {"f", "void", {"void"}, false}},
      {"declare\tvoid\t@f(i64)", {"f", "void", {"i64"}, false}},
      {"\xC2\xA0 declare void @f(i64)\xE3\x80\x80", {"f", "void", {"i64"}, false}},
      {"declare void @f(%\"\"*)", {"f", "void", {""}, false}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Result<SignatureMap> map = build_signature_map(row.line);
    ASSERT_TRUE(map.ok()) << map.error().message;
    ASSERT_EQ(map->entries().size(), 1u);
    EXPECT_EQ(map->entries()[0], row.expected);
  }
}

TEST(SignatureLineTest, RejectsMalformedLinesWithExactMessages) {
  struct Row {
    std::string line;
    std::string message;
  };
  const Row rows[] = {
      {"declare", "could not parse signature line: \"declare\""},
      {"declare dso_local internal",
       "could not parse signature line: \"declare dso_local internal\""},
      {"declare void f(i64)", "could not parse signature line: \"declare void f(i64)\""},
      {"declare void @", "could not parse signature line: \"declare void @\""},
      {"declare void @(i64)", "could not parse signature line: \"declare void @(i64)\""},
      {"define void", "could not parse signature line: \"define void\""},
      {"declare { i64, { i1 } @f()", "unclosed struct return type: \"declare { i64, { i1 } @f()\""},
      {"declare void @\"abc(i64)", "unterminated quoted name: \"declare void @\\\"abc(i64)\""},
      {"declare void @f", "signature missing '(': \"declare void @f\""},
      {"declare void @f #0", "signature missing '(': \"declare void @f #0\""},
      {"declare void @f(i64", "unbalanced parens in signature: \"declare void @f(i64\""},
      {"declare void @f((i64)", "unbalanced parens in signature: \"declare void @f((i64)\""},
      {"declare void @f(i64, ..., i64)",
       "unexpected '...' in non-terminal position of parameter list: \"i64, ..., i64\""},
      {"declare void @f(..., ...)",
       "unexpected '...' in non-terminal position of parameter list: \"..., ...\""},
      {"declare void @f(i64, , ..., i64)",
       "unexpected '...' in non-terminal position of parameter list: \"i64, , ..., i64\""},
      {"declare void @f(i64, )", "empty parameter in signature: \"i64,\""},
      {"declare void @f(, i64)", "empty parameter in signature: \", i64\""},
      {"declare void @f({ i64 )", "unterminated struct parameter type in signature: \"{ i64\""},
      {"declare void @f(nonnull { i64, i8* %p)",
       "unterminated struct parameter type in signature: \"nonnull { i64, i8* %p\""},
      {"declare void @f(i64 })", "unbalanced closing bracket in i64 }"},
      {"declare void @f(i64 ])", "unbalanced closing bracket in i64 ]"},
      {"declare void @f(noalias nocapture)",
       "could not parse parameter type from chunk \"noalias nocapture\" in \"noalias nocapture\""},
      {"declare void @f(i64, writeonly)",
       "could not parse parameter type from chunk \"writeonly\" in \"i64, writeonly\""},
      {"declare void @f(i8**)", "could not parse parameter type \"i8**\""},
      {"declare void @f(%Qubit**)", "could not parse parameter type \"%Qubit**\""},
      {"declare void @f(*)", "could not parse parameter type \"*\""},
      {"declare void @f(%)", "could not parse parameter type \"%\""},
      {"declare void @f(%*)", "could not parse parameter type \"%*\""},
      {"declare void @f(%0)", "could not parse parameter type \"%0\""},
      {"declare void @f(%a+b)", "could not parse parameter type \"%a+b\""},
      {"declare void @f(%\")", "could not parse parameter type \"%\\\"\""},
      {"declare void @f(i)", "could not parse parameter type \"i\""},
      {"declare void @f(i6a)", "could not parse parameter type \"i6a\""},
      {"declare void @f(<2 x i64>)", "could not parse parameter type \"<2\""},
      {"declare void @f(label)", "could not parse parameter type \"label\""},
      {"declare x86_fp80 @f()", "could not parse parameter type \"x86_fp80\""},
      // The parameter list is split first, then the return type is normalised,
      // then the parameter types.
      {"declare x86_fp80 @f(i64, )", "empty parameter in signature: \"i64,\""},
      {"declare x86_fp80 @f(i8**)", "could not parse parameter type \"x86_fp80\""},
      {"declare void @f(i8**, i9x)", "could not parse parameter type \"i8**\""},
      // The whole trimmed line is quoted with escapes.
      {"declare void @\"a\\b\tc", "unterminated quoted name: \"declare void @\\\"a\\\\b\\tc\""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Result<SignatureMap> map = build_signature_map(row.line);
    ASSERT_FALSE(map.ok());
    EXPECT_EQ(map.error().kind, ErrorKind::Parse);
    EXPECT_EQ(map.error().message, row.message);
  }
}

TEST(SignatureMapTest, ReadsOnlyDeclarationAndDefinitionLines) {
  const std::string text =
      "; ModuleID = 'x'\r\n"
      "%Qubit = type opaque\n"
      "declared_thing\n"
      "defined garbage (((\n"
      "define void @main() #0 {\r\n"
      "entry:\n"
      "  call void @__quantum__qis__h__body(%Qubit* null)\n"
      "  ret void\n"
      "}\n"
      "  declare void @__quantum__qis__h__body(%Qubit*)\r\n"
      "\t \xC2\xA0"
      "declare void @after_wide_space(%Qubit*)\n"
      "\x0B declare void @after_vertical_tab(%Qubit*)\n"
      "  ; declare void @commented(%Qubit*)\n"
      "  \xC2\xA0; declare void @commented_after_wide_space(%Qubit*)\n"
      "attributes #0 = { \"entry_point\" }\n"
      "declare i1 @last(%Result*)";
  Result<SignatureMap> map = build_signature_map(text);
  ASSERT_TRUE(map.ok()) << map.error().message;
  const std::vector<Signature> expected = {
      {"main", "void", {}, false},
      {"__quantum__qis__h__body", "void", {"Qubit"}, false},
      {"after_wide_space", "void", {"Qubit"}, false},
      {"after_vertical_tab", "void", {"Qubit"}, false},
      {"last", "i1", {"Result"}, false},
  };
  EXPECT_EQ(map->entries(), expected);
}

TEST(SignatureMapTest, StopsAtTheFirstMalformedLine) {
  Result<SignatureMap> map =
      build_signature_map("declare void @a(i64)\ndeclare void @b(i8**)\ndeclare void @c(i9x)\n");
  ASSERT_FALSE(map.ok());
  EXPECT_EQ(map.error().kind, ErrorKind::Parse);
  EXPECT_EQ(map.error().message, "could not parse parameter type \"i8**\"");
}

TEST(SignatureMapTest, LaterLineReplacesInPlaceAndLookupIsExact) {
  // A hundred more lines make the entries regrow; short names live inside the
  // string objects, so lookups must hold after growth, copy and move.
  std::string text =
      "declare void @f(i64)\n"
      "declare void @g(double)\n"
      "define void @f(%Qubit* %q, ...) {\n"
      "declare void @F(i1)\n";
  for (int i = 1; i <= 100; ++i) {
    text += "declare void @n" + std::to_string(i) + "(i" + std::to_string(i) + ")\n";
  }
  Result<SignatureMap> map = build_signature_map(text);
  ASSERT_TRUE(map.ok()) << map.error().message;
  const std::vector<Signature> expected = {
      {"f", "void", {"Qubit"}, true},
      {"g", "void", {"double"}, false},
      {"F", "void", {"i1"}, false},
  };
  const SignatureMap copy = *map;
  const SignatureMap moved = std::move(*map);
  for (const SignatureMap* m : {&copy, &moved}) {
    ASSERT_EQ(m->entries().size(), 103u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), m->entries().begin()));
    EXPECT_EQ(m->find("f"), &m->entries()[0]);
    EXPECT_EQ(m->find("F"), &m->entries()[2]);
    EXPECT_EQ(m->find("ff"), nullptr);
    EXPECT_EQ(m->find(""), nullptr);
    for (int i = 1; i <= 100; ++i) {
      const Signature* found = m->find("n" + std::to_string(i));
      ASSERT_EQ(found, &m->entries()[static_cast<std::size_t>(i + 2)]) << i;
      EXPECT_EQ(found->param_types, Types{"i" + std::to_string(i)});
    }
  }
}

}  // namespace
}  // namespace corvane
