; golden case no_entry_point
%Qubit = type opaque
%Result = type opaque

define void @main() #1 {
entry:
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
