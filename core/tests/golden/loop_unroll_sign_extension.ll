; golden case loop_unroll_sign_extension: a loop unrolled by its counter
; sign-extends an i1 that is true: the index is i - 1 + 3, not i + 1 + 3;
; and as a signed number true is below false, so the second gate is on i + 1
define void @main() #0 {
entry:
  br label %cond
cond:
  %i = phi i64 [ 0, %entry ], [ %next, %body ]
  %more = icmp ult i64 %i, 2
  br i1 %more, label %body, label %done
body:
  %t = xor i1 1, -2
  %minus = sext i1 %t to i64
  %j = add i64 %i, %minus
  %k = add i64 %j, 3
  %q = inttoptr i64 %k to ptr
  call void @__quantum__qis__x__body(ptr %q)
  %lt = icmp slt i1 true, false
  %one = zext i1 %lt to i64
  %m = add i64 %i, %one
  %r = inttoptr i64 %m to ptr
  call void @__quantum__qis__h__body(ptr %r)
  %next = add i64 %i, 1
  br label %cond
done:
  ret void
}

declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__h__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
