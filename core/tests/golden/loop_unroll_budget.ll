; golden case loop_unroll_budget: a counted loop of 10^9 turns that needs its
; counter (to read a flag that is never set) makes no statement, and is
; stopped by the budget of unrolled statements and iterations, which names
; the loop's header
@flags = internal constant [1 x i1] [i1 false]

define void @main() #0 {
entry:
  br label %head
head:
  %i = phi i64 [ 0, %entry ], [ %next, %latch ]
  %at = and i64 %i, 0
  %slot = getelementptr i1, ptr @flags, i64 %at
  %flag = load i1, ptr %slot
  br i1 %flag, label %act, label %latch
act:
  call void @__quantum__qis__x__body(ptr null)
  br label %latch
latch:
  %next = add i64 %i, 1
  %more = icmp slt i64 %next, 1000000000
  br i1 %more, label %head, label %done
done:
  ret void
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
