; A cast whose source type reads as no width (`ii1`): the unrolling, tried
; after the lowering refuses it, must not fold it as a constant of that width.
define void @main() #0 {
entry:
  br label %head
head:
  %i = phi i64 [ 0, %entry ], [ %next, %head ]
  %b = trunc ii1 1 to i32
  %next = add i64 %i, 1
  %more = icmp ult i64 %next, 2
  br i1 %more, label %head, label %done
done:
  ret void
}

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
