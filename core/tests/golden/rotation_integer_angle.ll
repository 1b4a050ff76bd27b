; golden case rotation_integer_angle
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__rz__body(i64 2, %Qubit* null)
  call void @__quantum__qis__rx__body(i64 -3, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__rz__body(i64, %Qubit*)
declare void @__quantum__qis__rx__body(i64, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
