; golden case call_without_signature
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @__quantum__qis__h__body(%Qubit* null)
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
