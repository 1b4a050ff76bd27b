; golden case angle_arithmetic
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  call void @__quantum__qis__h__body(%Qubit* inttoptr (i64 1 to %Qubit*))
  call void @__quantum__qis__mz__body(%Qubit* null, %Result* null)
  call void @__quantum__qis__mz__body(%Qubit* inttoptr (i64 1 to %Qubit*), %Result* inttoptr (i64 1 to %Result*))
  %a = call i1 @__quantum__qis__read_result__body(%Result* null)
  %b = call i1 @__quantum__qis__read_result__body(%Result* inttoptr (i64 1 to %Result*))
  %az = zext i1 %a to i32
  %bz = zext i1 %b to i32
  %b2 = shl i32 %bz, 1
  %v = or i32 %az, %b2
  %w = sext i32 %v to i64
  %f = sitofp i64 %w to double
  %g = fmul double %f, 2.5e-1
  %h = fadd fast double %g, 1.0e-1
  %n = fneg double %h
  %third = fdiv double 1.0, 3.0
  %d = fsub double %n, %third
  %u = uitofp i1 %a to double
  %s = sitofp i1 %b to double
  %sum = fadd double %u, %s
  %twice = fmul double %sum, %sum
  %big = uitofp i64 -1 to double
  %tiny = fdiv double %third, %big
  call void @__quantum__qis__rx__body(double %d, %Qubit* inttoptr (i64 2 to %Qubit*))
  call void @__quantum__qis__rx__body(double %twice, %Qubit* inttoptr (i64 2 to %Qubit*))
  call void @__quantum__qis__rx__body(double %tiny, %Qubit* inttoptr (i64 2 to %Qubit*))
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
