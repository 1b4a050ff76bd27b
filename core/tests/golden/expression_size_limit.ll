; golden case expression_size_limit
%Qubit = type opaque
%Result = type opaque

define void @main() #0 {
entry:
  %d0 = add i64 1, 2
  %d1 = mul i64 %d0, %d0
  %d2 = mul i64 %d1, %d1
  %d3 = mul i64 %d2, %d2
  %d4 = mul i64 %d3, %d3
  %d5 = mul i64 %d4, %d4
  %d6 = mul i64 %d5, %d5
  %d7 = mul i64 %d6, %d6
  %d8 = mul i64 %d7, %d7
  %d9 = mul i64 %d8, %d8
  %d10 = mul i64 %d9, %d9
  %d11 = mul i64 %d10, %d10
  %d12 = mul i64 %d11, %d11
  %d13 = mul i64 %d12, %d12
  %d14 = mul i64 %d13, %d13
  %d15 = mul i64 %d14, %d14
  %d16 = mul i64 %d15, %d15
  %d17 = mul i64 %d16, %d16
  %d18 = mul i64 %d17, %d17
  %d19 = mul i64 %d18, %d18
  %d20 = mul i64 %d19, %d19
  %d21 = mul i64 %d20, %d20
  %d22 = mul i64 %d21, %d21
  %d23 = mul i64 %d22, %d22
  %d24 = mul i64 %d23, %d23
  ret void
}



attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
