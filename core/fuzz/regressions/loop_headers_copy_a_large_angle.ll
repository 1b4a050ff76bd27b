; expect-error: while loop at block "h16" would copy loop-header statements beyond the limit of 1000000 statements and expression nodes (the larger of 1000000 and the size of the function)
; Nested loops whose headers hold the next loop; the innermost header applies a
; 65,535-node angle, so every level doubles the expression nodes to copy.
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
  br label %h0
h0:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h1
h1:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h2
h2:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h3
h3:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h4
h4:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h5
h5:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h6
h6:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h7
h7:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h8
h8:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h9
h9:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h10
h10:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h11
h11:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h12
h12:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h13
h13:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h14
h14:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h15
h15:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h16
h16:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h17
h17:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h18
h18:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h19
h19:
  call void @__quantum__qis__x__body(%Qubit* null)
  br label %h20
h20:
  call void @__quantum__qis__rx__body(double %d14, %Qubit* null)
  %c20 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c20, label %b20, label %t19
b20:
  br label %h20
t19:
  %c19 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c19, label %b19, label %t18
b19:
  br label %h19
t18:
  %c18 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c18, label %b18, label %t17
b18:
  br label %h18
t17:
  %c17 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c17, label %b17, label %t16
b17:
  br label %h17
t16:
  %c16 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c16, label %b16, label %t15
b16:
  br label %h16
t15:
  %c15 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c15, label %b15, label %t14
b15:
  br label %h15
t14:
  %c14 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c14, label %b14, label %t13
b14:
  br label %h14
t13:
  %c13 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c13, label %b13, label %t12
b13:
  br label %h13
t12:
  %c12 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c12, label %b12, label %t11
b12:
  br label %h12
t11:
  %c11 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c11, label %b11, label %t10
b11:
  br label %h11
t10:
  %c10 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c10, label %b10, label %t9
b10:
  br label %h10
t9:
  %c9 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c9, label %b9, label %t8
b9:
  br label %h9
t8:
  %c8 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c8, label %b8, label %t7
b8:
  br label %h8
t7:
  %c7 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c7, label %b7, label %t6
b7:
  br label %h7
t6:
  %c6 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c6, label %b6, label %t5
b6:
  br label %h6
t5:
  %c5 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c5, label %b5, label %t4
b5:
  br label %h5
t4:
  %c4 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c4, label %b4, label %t3
b4:
  br label %h4
t3:
  %c3 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c3, label %b3, label %t2
b3:
  br label %h3
t2:
  %c2 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c2, label %b2, label %t1
b2:
  br label %h2
t1:
  %c1 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c1, label %b1, label %t0
b1:
  br label %h1
t0:
  %c0 = call i1 @__quantum__qis__read_result__body(%Result* null)
  br i1 %c0, label %b0, label %done
b0:
  br label %h0
done:
  ret void
}

declare void @__quantum__qis__x__body(%Qubit*)
declare void @__quantum__qis__rx__body(double, %Qubit*)
declare i1 @__quantum__qis__read_result__body(%Result*)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
