; golden case memory_load_through_unknown_pointer_unbound
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  store double 0.5, double* %nowhere
  %theta = load double, double* %nowhere
  call void @__quantum__qis__rx__body(double %theta, %Qubit* null)
  ret void
}

declare void @__quantum__qis__rx__body(double, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
