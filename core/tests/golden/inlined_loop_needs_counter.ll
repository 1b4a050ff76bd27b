; golden case inlined_loop_needs_counter: a loop inside an inlined function
; that cannot be unrolled is refused at its place in the callee, and the
; message names the calls it was inlined through, innermost first
define void @main() #0 {
entry:
  call void @Outer()
  ret void
}

define void @Outer() {
entry:
  call void @MeasureUntilOne(i64 2)
  ret void
}

define void @MeasureUntilOne(i64 %start) {
entry:
  br label %head
head:
  %i = phi i64 [ %start, %entry ], [ %next, %head ]
  %q = inttoptr i64 %i to ptr
  call void @__quantum__qis__mz__body(ptr %q, ptr null)
  %one = call i1 @__quantum__rt__read_result(ptr null)
  %next = add i64 %i, 1
  br i1 %one, label %head, label %done
done:
  ret void
}

declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__rt__read_result(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
