; golden case angle_from_read_result
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %b = call i1 @__quantum__qis__read_result__body(%Result* null)
  %z = zext i1 %b to i64
  %a = mul i64 %z, 3
  call void @__quantum__qis__rz__body(i64 %a, %Qubit* inttoptr (i64 1 to %Qubit*))
  %s = select i1 %b, i64 5, i64 7
  call void @__quantum__qis__rz__body(i64 %s, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__qis__rz__body(i64, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
