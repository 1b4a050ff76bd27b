; golden case capture_in_lone_block
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %z = zext i1 %a to i64
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__rz__body(i64 %z, %Qubit* null)
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__qis__rz__body(i64, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
