; golden case angle_loaded_double_captured
; A double loaded from memory is not an integer: once the sum that reads it
; must be kept past a second measurement, it is refused rather than held in an
; int variable.
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca double
  store double 0.5, double* %slot
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %r = call i1 @__quantum__qis__read_result__body(%Result* null)
  %i = zext i1 %r to i64
  %f = sitofp i64 %i to double
  %half = load double, double* %slot
  %angle = fadd double %f, %half
  call void @__quantum__qis__x__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__rx__body(double %angle, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
