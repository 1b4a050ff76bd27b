; golden case angle_from_memory
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca double
  store double 0.25, double* %slot
  %theta = load double, double* %slot
  call void @__quantum__qis__rx__body(double %theta, %Qubit* null)
  %islot = alloca i64
  store i64 7, i64* %islot
  %n = load i64, i64* %islot
  %n2 = add i64 %n, 1
  call void @__quantum__qis__rz__body(i64 %n2, %Qubit* null)
  %bslot = alloca i1
  store i1 true, i1* %bslot
  %flag = load i1, i1* %bslot
  call void @__quantum__qis__ry__body(i1 %flag, %Qubit* null)
  ret void
}

declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__rz__body(i64, %Qubit*)
declare void @__quantum__qis__ry__body(i1, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
