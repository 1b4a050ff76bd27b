; golden case rotations_float_angles
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__rx__body(double 0.5, %Qubit* null)
  call void @__quantum__qis__ry__body(double -1.25, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__rz__body(double 3.0, %Qubit* null)
  call void @__quantum__qis__rz__body(double 1.0e-7, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__rx__body(double 2, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__phasedx__body(double 0.125, double -0.5, %Qubit* inttoptr (i64 2 to %Qubit*))
  ret void
}

declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__ry__body(double, %Qubit*)
declare void @__quantum__qis__rz__body(double, %Qubit*)
declare void @__quantum__qis__phasedx__body(double, double, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
