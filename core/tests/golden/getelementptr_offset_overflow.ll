; golden case getelementptr_offset_overflow
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %base = alloca [2 x i64]
  %p = getelementptr [2 x i64], [2 x i64]* %base, i64 0, i64 1152921504606846975
  %p2 = getelementptr i64, i64* %p, i64 1
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
