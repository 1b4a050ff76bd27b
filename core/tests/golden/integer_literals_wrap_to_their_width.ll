; golden case integer_literals_wrap_to_their_width: call arguments, stores, casts, switch cases and inttoptr read iN literals modulo 2^N
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca i8
  store i8 257, i8* %slot
  %one = load i8, i8* %slot
  %wide = zext i8 -1 to i64
  %cut = trunc i64 4294967298 to i32
  call void @__quantum__qis__rx__body(i1 -1, %Qubit* null)
  call void @__quantum__qis__ry__body(i8 300, %Qubit* null)
  switch i8 %one, label %done [
    i8 257, label %hit
  ]
hit:
  %q = inttoptr i8 %one to %Qubit*
  call void @__quantum__qis__x__body(%Qubit* %q)
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i8 258 to %Qubit*))
  %w = sitofp i64 %wide to double
  call void @__quantum__qis__rz__body(double %w, %Qubit* null)
  %c = sitofp i32 %cut to double
  call void @__quantum__qis__rz__body(double %c, %Qubit* null)
  %u = uitofp i8 -1 to double
  call void @__quantum__qis__rz__body(double %u, %Qubit* null)
  br label %done
done:
  ret void
}

declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)
declare i1 @__quantum__qis__read_result__body(%Result*)
declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare void @__quantum__qis__ry__body(double, %Qubit*)
declare void @__quantum__qis__rz__body(double, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
