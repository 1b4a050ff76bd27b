; golden case loop_constant_scalar_arrays: constant arrays of i64 (qubit
; indices), i1 (whether to act) and double (angles) read at a loop counter,
; and a divisor that is the counter
@index = internal constant [3 x i64] [i64 4, i64 2, i64 0]
@act = internal constant [3 x i1] [i1 true, i1 false, i1 true]
@angle = internal constant [3 x double] [double 0.5, double 1.5, double 2.5]

define void @main() #0 {
entry:
  br label %head
head:
  %k = phi i64 [ 1, %entry ], [ %next, %latch ]
  %more = icmp sle i64 %k, 3
  br i1 %more, label %body, label %done
body:
  %at = sub i64 %k, 1
  %p = getelementptr i64, ptr @index, i64 %at
  %n = load i64, ptr %p
  %q = inttoptr i64 %n to ptr
  %f = getelementptr i1, ptr @act, i64 %at
  %flag = load i1, ptr %f
  br i1 %flag, label %apply, label %latch
apply:
  %a = getelementptr double, ptr @angle, i64 %at
  %theta = load double, ptr %a
  call void @__quantum__qis__rx__body(double %theta, ptr %q)
  br label %latch
latch:
  %d = sdiv i64 6, %k
  %qd = inttoptr i64 %d to ptr
  call void @__quantum__qis__h__body(ptr %qd)
  %next = add i64 %k, 1
  br label %head
done:
  ret void
}

declare void @__quantum__qis__rx__body(double, ptr)
declare void @__quantum__qis__h__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
