; golden case inline_switch_and_angle: a switch and a computed angle inside a
; defined function called twice, then a switch in the block the calls split
%Qubit = type opaque
%Result = type opaque

define internal void @turn(%Qubit* %q, i64 %k) {
start:
  %a = sitofp i64 %k to double
  %b = fmul double %a, 5.000000e-01
  call void @__quantum__qis__rx__body(double %b, %Qubit* %q)
  switch i64 %k, label %done [
    i64 1, label %flip
    i64 3, label %flip
  ]
flip:
  call void @__quantum__qis__x__body(%Qubit* %q)
  br label %done
done:
  ret void
}

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %r = call i1 @__quantum__qis__read_result__body(%Result* null)
  %m = zext i1 %r to i64
  call void @turn(%Qubit* inttoptr (i64 1 to %Qubit*), i64 %m)
  call void @turn(%Qubit* inttoptr (i64 1 to %Qubit*), i64 3)
  switch i64 %m, label %join [
    i64 0, label %zero
  ]
zero:
  br label %join
join:
  %v = phi i64 [ 7, %zero ], [ 9, %entry ]
  %odd = icmp eq i64 %v, 9
  br i1 %odd, label %mark, label %end
mark:
  call void @__quantum__qis__h__body(%Qubit* null)
  br label %end
end:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly) #1
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
