; golden case memory_load_of_unstored_slot
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca double
  %theta = load double, double* %slot
  call void @__quantum__qis__rx__body(double %theta, %Qubit* null)
  ret void
}

declare void @__quantum__qis__rx__body(double, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
