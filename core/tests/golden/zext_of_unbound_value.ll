; golden case zext_of_unbound_value
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %z = zext i1 %nothing to i64
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
