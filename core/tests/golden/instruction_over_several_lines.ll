; golden case instruction_over_several_lines: a line break between any two tokens is a blank, as LLVM reads it
define void @main() #0 {
entry:
  %s = alloca i64
  store i64 3, ptr %s, !dbg !DILocation(line: 1,
    column: 2, scope: !3)
  %v = load i64, ptr
    %s
  %a = add i64 1,
    2
  %b = add i64 %a, %v
  %c = icmp
    eq i64 %b, 6
  br i1 %c, label %then,
    label %done
then:
  %f = sitofp i64 %b
    to double
  tail
    call void @__quantum__qis__rx__body(
    double %f, ptr null)
  br
    label %done
done:
  ret
    void
}
declare void @__quantum__qis__rx__body(double, ptr)
attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
