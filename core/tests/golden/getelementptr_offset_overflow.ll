; golden case getelementptr_offset_overflow
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %base = alloca i64
  %p = getelementptr i64, i64* %base, i64 0, i64 9223372036854775807
  %p2 = getelementptr i64, i64* %p, i64 0, i64 1
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
