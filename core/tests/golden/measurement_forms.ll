; golden case measurement_forms
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__m__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  call void @__quantum__qis__mresetz__body(%Qubit* null, %Result* inttoptr (i64 2 to %Result*))
  call void @__quantum__qis__reset__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  %r = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 3 to %Result*))
  call i1 @__quantum__rt__read_result(%Result* inttoptr (i64 4 to %Result*))
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare void @__quantum__qis__m__body(%Qubit*, %Result*)
declare void @__quantum__qis__mresetz__body(%Qubit*, %Result*)
declare void @__quantum__qis__reset__body(%Qubit*)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare i1 @__quantum__rt__read_result(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
