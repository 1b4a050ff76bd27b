; golden case memory_wide_integer_not_loaded
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %slot = alloca i128
  store i128 170141183460469231731687303715884105727, i128* %slot
  %v = load i128, i128* %slot
  %w = add i128 %v, 1
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
