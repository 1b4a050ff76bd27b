; golden case phi_if_merge_chain_reuses_variable
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  %n = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  br i1 %m, label %inc1, label %join1
inc1:
  %a = add i64 5, 1
  br label %join1
join1:
  %v1 = phi i64 [ 5, %entry ], [ %a, %inc1 ]
  br i1 %n, label %inc2, label %join2
inc2:
  %b = mul i64 %v1, 2
  br label %join2
join2:
  %v2 = phi i64 [ %b, %inc2 ], [ %v1, %join1 ]
  %w = phi i32 [ 7, %join1 ], [ 9, %inc2 ]
  %c = icmp eq i64 %v2, %w
  br i1 %c, label %then, label %cont
then:
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 2 to %Qubit*))
  br label %cont
cont:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
