; golden case switch_phi_in_successor
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %b = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  %az = zext i1 %a to i32
  %bz = zext i1 %b to i32
  %b2 = shl i32 %bz, 1
  %v = or i32 %az, %b2
  switch i32 %v, label %join [
    i32 0, label %upd
    i32 3, label %upd
    i32 2, label %join
  ]
upd:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %join
join:
  %k = phi i64 [ 5, %entry ], [ 6, %upd ], [ 5, %entry ]
  %c = icmp eq i64 %k, 6
  br i1 %c, label %yes, label %done
yes:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 3 to %Qubit*))
  br label %done
done:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
