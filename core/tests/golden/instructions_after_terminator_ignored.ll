; golden case instructions_after_terminator_ignored
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
  unreachable
  %x = frobnicate i64 1
  call void @__quantum__qis__x__body(%Qubit* inttoptr (i64 7 to %Qubit*))
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__x__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
