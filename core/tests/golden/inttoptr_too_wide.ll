; golden case inttoptr_too_wide
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %q = inttoptr i128 9223372036854775808 to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
