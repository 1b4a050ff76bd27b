; golden case readable_conditions: truth values built from bits by bitwise
; operators and shifts print in their shortest form, over at most six bits
; of c and variables that only hold 0 or 1; a seventh bit keeps the text;
; a bit of a sum, long as a sum of products, prints as an exclusive-or; a
; comparison of a variable that holds other values is taken as it is
define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 0 to ptr))
  %b0 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 0 to ptr))
  %z0 = zext i1 %b0 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  %b1 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 1 to ptr))
  %z1 = zext i1 %b1 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 2 to ptr))
  %b2 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 2 to ptr))
  %z2 = zext i1 %b2 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 3 to ptr), ptr inttoptr (i64 3 to ptr))
  %b3 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 3 to ptr))
  %z3 = zext i1 %b3 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 4 to ptr), ptr inttoptr (i64 4 to ptr))
  %b4 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 4 to ptr))
  %z4 = zext i1 %b4 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 5 to ptr), ptr inttoptr (i64 5 to ptr))
  %b5 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 5 to ptr))
  %z5 = zext i1 %b5 to i64
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 6 to ptr), ptr inttoptr (i64 6 to ptr))
  %b6 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 6 to ptr))
  %z6 = zext i1 %b6 to i64
  %s1 = shl i64 %z1, 1
  %p01 = or i64 %z0, %s1
  %t1 = icmp eq i64 %p01, 1
  %x01 = xor i64 %z0, %z1
  %t2 = icmp ne i64 %x01, 0
  %o01 = or i64 %z0, %z1
  %o23 = or i64 %z2, %z3
  %a = and i64 %o01, %o23
  %t3 = icmp ne i64 %a, 0
  %w1 = shl i64 %z1, 1
  %q1 = or i64 %z0, %w1
  %w2 = shl i64 %z2, 2
  %q2 = or i64 %q1, %w2
  %w3 = shl i64 %z3, 3
  %q3 = or i64 %q2, %w3
  %w4 = shl i64 %z4, 4
  %q4 = or i64 %q3, %w4
  %w5 = shl i64 %z5, 5
  %q5 = or i64 %q4, %w5
  %w6 = shl i64 %z6, 6
  %q6 = or i64 %q5, %w6
  %t4 = icmp eq i64 %q6, 5
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 7 to ptr), ptr inttoptr (i64 7 to ptr))
  %o7 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 7 to ptr))
  %y7 = zext i1 %o7 to i64
  call void @__quantum__qis__h__body(ptr inttoptr (i64 7 to ptr))
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 7 to ptr), ptr inttoptr (i64 7 to ptr))
  %n7 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 7 to ptr))
  %m7 = zext i1 %n7 to i64
  %d0 = xor i64 %m7, %y7
  %t5 = icmp eq i64 %d0, 1
  %u3 = shl i64 %z3, 1
  %v23 = or i64 %z2, %u3
  %u4 = shl i64 %z4, 2
  %v234 = or i64 %v23, %u4
  %sum = add i64 %p01, %v234
  %hi = and i64 %sum, 4
  %t6 = icmp ne i64 %hi, 0
  %k = alloca i64
  store i64 5, ptr %k
  br i1 %b1, label %seven, label %kept
seven:
  store i64 7, ptr %k
  br label %kept
kept:
  %kv = load i64, ptr %k
  %is7 = icmp eq i64 %kv, 7
  %za = zext i1 %is7 to i64
  %zs = shl i64 %za, 1
  %pk = or i64 %zs, %z2
  %lo = and i64 %pk, 2
  %t7 = icmp ne i64 %lo, 0
  %low = and i64 %z5, 1
  %t8 = icmp eq i64 %low, 1
  br i1 %t1, label %then1, label %next1
then1:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next1
next1:
  br i1 %t2, label %then2, label %next2
then2:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next2
next2:
  br i1 %t3, label %then3, label %next3
then3:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next3
next3:
  br i1 %t4, label %then4, label %next4
then4:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next4
next4:
  br i1 %t5, label %then5, label %next5
then5:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next5
next5:
  br i1 %t6, label %then6, label %next6
then6:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next6
next6:
  br i1 %t7, label %then7, label %next7
then7:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next7
next7:
  br i1 %t8, label %then8, label %next8
then8:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 7 to ptr))
  br label %next8
next8:
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__h__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="8" "required_num_results"="8" }
