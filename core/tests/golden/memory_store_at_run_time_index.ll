; golden case memory_store_at_run_time_index: a store to an alloca at an index
; known only at run time could change any element, so it is refused
define void @main() #0 {
entry:
  %a = alloca [4 x i64], align 8
  store i64 0, ptr %a, align 8
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %m = call i1 @__quantum__qis__read_result__body(ptr null)
  %i = zext i1 %m to i64
  %p = getelementptr [4 x i64], ptr %a, i64 0, i64 %i
  store i64 1, ptr %p, align 8
  %v = load i64, ptr %a, align 8
  %q = inttoptr i64 %v to ptr
  call void @__quantum__qis__x__body(ptr %q)
  ret void
}

declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr writeonly)
declare i1 @__quantum__qis__read_result__body(ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" }
