; golden case classical_expressions
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %n = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  %zm = zext i1 %m to i64
  %e1 = icmp ult i64 %zm, 5
  %e2 = xor i1 %m, true
  %e3 = xor i1 false, %m
  %e4 = xor i1 %m, %n
  %e5 = and i1 %e1, %n
  %e6 = or i1 %m, %n
  %e7 = select i1 %m, i1 true, i1 false
  %e8 = select i1 %m, i1 false, i1 true
  %e9 = select i1 %m, i1 %n, i1 false
  %e10 = select i1 %m, i1 %n, i1 true
  %e11 = select i1 %m, i1 true, i1 %n
  %e12 = select i1 %m, i1 false, i1 %n
  %e13 = select i1 %m, i1 %n, i1 %e1
  %s1 = add i64 %zm, 1
  %s2 = sub i64 %s1, 2
  %s3 = mul i64 %s2, 3
  %e14 = icmp sge i64 %s3, 0
  %e15 = icmp ne i64 %zm, -4
  %e16 = xor i1 %m, 1
  %e17 = select i1 %m, i1 1, i1 1
  br i1 %e1, label %a1, label %b1
a1:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b1
b1:
  br i1 %e2, label %a2, label %b2
a2:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b2
b2:
  br i1 %e3, label %a3, label %b3
a3:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b3
b3:
  br i1 %e4, label %a4, label %b4
a4:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b4
b4:
  br i1 %e5, label %a5, label %b5
a5:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b5
b5:
  br i1 %e6, label %a6, label %b6
a6:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b6
b6:
  br i1 %e7, label %a7, label %b7
a7:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b7
b7:
  br i1 %e8, label %a8, label %b8
a8:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b8
b8:
  br i1 %e9, label %a9, label %b9
a9:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b9
b9:
  br i1 %e10, label %a10, label %b10
a10:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b10
b10:
  br i1 %e11, label %a11, label %b11
a11:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b11
b11:
  br i1 %e12, label %a12, label %b12
a12:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b12
b12:
  br i1 %e13, label %a13, label %b13
a13:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b13
b13:
  br i1 %e14, label %a14, label %b14
a14:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b14
b14:
  br i1 %e15, label %a15, label %b15
a15:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b15
b15:
  br i1 %e16, label %a16, label %b16
a16:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b16
b16:
  br i1 %e17, label %a17, label %b17
a17:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %b17
b17:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
