; golden case loop_array_read_past_end: a counter that runs past the end of
; a constant array is refused at the load, with the element and the length
@array0 = internal constant [2 x ptr] [ptr null, ptr inttoptr (i64 1 to ptr)]

define void @main() #0 {
entry:
  br label %head
head:
  %i = phi i64 [ 0, %entry ], [ %next, %body ]
  %more = icmp sle i64 %i, 2
  br i1 %more, label %body, label %done
body:
  %slot = getelementptr ptr, ptr @array0, i64 %i
  %q = load ptr, ptr %slot
  call void @__quantum__qis__x__body(ptr %q)
  %next = add i64 %i, 1
  br label %head
done:
  ret void
}

declare void @__quantum__qis__x__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
