; golden case loop_phi_counter_inttoptr: a phi counter that steps by two
; reaches the qubit index through inttoptr (ult bound, typed pointers)
%Qubit = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  br label %cond
cond:
  %i = phi i64 [ 0, %entry ], [ %next, %body ]
  %more = icmp ult i64 %i, 6
  br i1 %more, label %body, label %done
body:
  %next = add i64 %i, 2
  %a = inttoptr i64 %i to %Qubit*
  %b = inttoptr i64 %next to %Qubit*
  call void @__quantum__qis__cnot__body(%Qubit* %a, %Qubit* %b)
  br label %cond
done:
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__cnot__body(%Qubit*, %Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
