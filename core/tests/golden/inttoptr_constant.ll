; golden case inttoptr_constant
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %q = inttoptr i64 3 to %Qubit*
  %r = inttoptr i64 1 to %Result*
  call void @__quantum__qis__mz__body(%Qubit* %q, %Result* %r)
  %q0 = inttoptr i64 0 to ptr
  call void @__quantum__qis__h__body(%Qubit* %q0)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)
declare void @__quantum__qis__mz__body(%Qubit*, %Result* writeonly)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
