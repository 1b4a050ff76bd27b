; golden case memory_store_through_unknown_pointer
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  store i64 3, i64* %nowhere
  %v = load i64, i64* %nowhere
  %q = inttoptr i64 %v to %Qubit*
  call void @__quantum__qis__h__body(%Qubit* %q)
  ret void
}

declare void @__quantum__qis__h__body(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
