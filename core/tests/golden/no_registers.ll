; golden case no_registers
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
