; golden case phi_integer_three_incomings
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %m = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %m, label %rhs, label %merge
rhs:
  %x = call i1 @__quantum__qis__read_result__body(%Result* null)
  br label %merge
merge:
  %v = phi i64 [ 1, %entry ], [ 2, %rhs ], [ 2, %rhs ]
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
