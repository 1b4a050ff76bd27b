; golden case call_unknown_function
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  call void @my_gate(%Qubit* null)
  ret void
}

declare void @my_gate(%Qubit*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
