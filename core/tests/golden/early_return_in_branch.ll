; golden case early_return_in_branch: a return in a branch on a measurement
; skips the rest of the program on that path, in straight code and inside a
; counted loop over qubits
@qs = internal constant [3 x ptr] [ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 3 to ptr)]

define i64 @main() #0 {
entry:
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %one = call i1 @__quantum__rt__read_result(ptr null)
  br i1 %one, label %early, label %head
early:
  call void @__quantum__qis__x__body(ptr null)
  ret i64 1
head:
  %i = phi i64 [ 0, %entry ], [ %next, %body ]
  %more = icmp slt i64 %i, 3
  br i1 %more, label %measure, label %done
measure:
  %slot = getelementptr ptr, ptr @qs, i64 %i
  %q = load ptr, ptr %slot
  %r = inttoptr i64 %i to ptr
  call void @__quantum__qis__h__body(ptr %q)
  call void @__quantum__qis__mz__body(ptr %q, ptr %r)
  %zero = call i1 @__quantum__rt__read_result(ptr %r)
  br i1 %zero, label %body, label %stop
stop:
  ret i64 2
body:
  %next = add i64 %i, 1
  br label %head
done:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 3 to ptr))
  ret i64 0
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__rt__read_result(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
