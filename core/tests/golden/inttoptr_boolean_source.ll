; golden case inttoptr_boolean_source
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %q = inttoptr i1 true to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
