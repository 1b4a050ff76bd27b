; golden case inttoptr_negative_loaded
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca i64
  store i64 -5, i64* %slot
  %v = load i64, i64* %slot
  %q = inttoptr i64 %v to %Qubit*
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
