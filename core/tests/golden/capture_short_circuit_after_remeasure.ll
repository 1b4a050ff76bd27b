; golden case capture_short_circuit_after_remeasure
; the short-circuit join copies the left condition past a block that measures its result again
define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 1 to ptr))
  call void @__quantum__qis__h__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %v = call i1 @__quantum__qis__read_result__body(ptr null)
  br i1 %v, label %join, label %rhs
rhs:
  call void @__quantum__qis__x__body(ptr null)
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %w = call i1 @__quantum__qis__read_result__body(ptr inttoptr (i64 1 to ptr))
  br label %join
join:
  %p = phi i1 [ true, %entry ], [ %w, %rhs ]
  br i1 %p, label %flip, label %done
flip:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 2 to ptr))
  br label %done
done:
  ret void
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly) #1
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
attributes #1 = { "irreversible" }
