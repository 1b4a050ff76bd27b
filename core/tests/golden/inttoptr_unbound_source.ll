; golden case inttoptr_unbound_source
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %q = inttoptr i64 %missing to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
