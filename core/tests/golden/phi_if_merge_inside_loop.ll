; golden case phi_if_merge_inside_loop
; the merge's initial value is taken again on every turn of the loop
define void @main() #0 {
entry:
  br label %head
head:
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %v = call i1 @__quantum__qis__read_result__body(ptr null)
  br i1 %v, label %body, label %exit
body:
  call void @__quantum__qis__h__body(ptr inttoptr (i64 1 to ptr))
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  %w = call i1 @__quantum__qis__read_result__body(ptr inttoptr (i64 1 to ptr))
  br i1 %w, label %upd, label %merge
upd:
  br label %merge
merge:
  %p = phi i64 [ 0, %body ], [ 1, %upd ]
  %c = icmp eq i64 %p, 1
  br i1 %c, label %flip, label %head
flip:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 2 to ptr))
  br label %head
exit:
  ret void
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly) #1
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
