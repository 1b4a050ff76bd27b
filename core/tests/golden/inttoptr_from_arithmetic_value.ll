; golden case inttoptr_from_arithmetic_value
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %n = add i64 1, 2
  %q = inttoptr i64 %n to %Qubit*
  call void @__quantum__qis__h__body(%Qubit* %q)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
