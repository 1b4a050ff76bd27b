; golden case inttoptr_non_integer_source
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %q = inttoptr double 1.0 to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
