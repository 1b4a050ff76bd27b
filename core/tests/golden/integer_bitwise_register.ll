; golden case integer_bitwise_register
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  %m0 = call i1 @__quantum__qis__read_result__body(%Result* null)
  %m1 = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  %z0 = zext i1 %m0 to i64
  %z1 = zext i1 %m1 to i64
  %s1 = shl i64 %z1, 1
  %reg = or disjoint i64 %z0, %s1
  %bit1 = lshr i64 %reg, 1
  %b1 = trunc i64 %bit1 to i1
  %masked = and i64 %reg, 2
  %e1 = icmp eq i64 %masked, 2
  %flip = xor i64 %reg, -1
  %e2 = icmp slt i64 %flip, -2
  %t = trunc i64 %reg to i32
  %neg = sext i1 %m0 to i32
  %sh = shl i32 %neg, 31
  %ash = ashr exact i32 %sh, 31
  %e3 = icmp eq i32 %ash, -1
  %d = udiv i32 %t, 2
  %e4 = icmp ne i32 %d, 0
  %wide = sext i32 %t to i64
  %r = urem i64 %wide, 3
  %e5 = icmp eq i64 %r, 1
  %q = sdiv i64 -7, 2
  %e6 = icmp eq i64 %q, -3
  br i1 %b1, label %a1, label %b1l
a1:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b1l
b1l:
  br i1 %e1, label %a2, label %b2
a2:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b2
b2:
  br i1 %e2, label %a3, label %b3
a3:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b3
b3:
  br i1 %e3, label %a4, label %b4
a4:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b4
b4:
  br i1 %e4, label %a5, label %b5
a5:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b5
b5:
  br i1 %e5, label %a6, label %b6
a6:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b6
b6:
  br i1 %e6, label %a7, label %b7
a7:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b7
b7:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
