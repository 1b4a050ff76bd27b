; golden case inttoptr_from_comparison
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %t = icmp eq i64 1, 2
  %q = inttoptr i1 %t to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
