; golden case rotation_angle_last
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__rz__body(%Qubit* inttoptr (i64 1 to %Qubit*), double 0.75)
  ret void
}

declare void @__quantum__qis__rz__body(%Qubit*, double)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
