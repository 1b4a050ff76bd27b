; golden case gates_phase_and_u3
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %f = uitofp i1 %a to double
  %g = fmul double %f, 7.5e-1
  call void @__quantum__qis__r1__body(double 0x3FF921FB54442D18, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__r1__body(double %g, %Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__u3__body(double 1.5, double -2.0e-1, double 3.0, %Qubit* inttoptr (i64 2 to %Qubit*))
  call void @__quantum__qis__u3__body(double %g, double 0.0, double %f, %Qubit* inttoptr (i64 1 to %Qubit*))
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__r1__body(double, %Qubit*)
declare void @__quantum__qis__u3__body(double, double, double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
