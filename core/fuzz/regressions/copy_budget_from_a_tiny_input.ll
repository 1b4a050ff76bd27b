; expect-error: expression for SSA value "d14" cannot be copied into another use: the translation has used up its budget of 1000360 copied expression nodes
; A short module whose every use copies a 65,535-node value: the copies stop at the budget.
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
  %u0 = add i64 %d14, 0
  %u1 = add i64 %d14, 0
  %u2 = add i64 %d14, 0
  %u3 = add i64 %d14, 0
  %u4 = add i64 %d14, 0
  %u5 = add i64 %d14, 0
  %u6 = add i64 %d14, 0
  %u7 = add i64 %d14, 0
  %u8 = add i64 %d14, 0
  %u9 = add i64 %d14, 0
  %u10 = add i64 %d14, 0
  %u11 = add i64 %d14, 0
  %u12 = add i64 %d14, 0
  %u13 = add i64 %d14, 0
  %u14 = add i64 %d14, 0
  %u15 = add i64 %d14, 0
  %u16 = add i64 %d14, 0
  %u17 = add i64 %d14, 0
  %u18 = add i64 %d14, 0
  %u19 = add i64 %d14, 0
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
