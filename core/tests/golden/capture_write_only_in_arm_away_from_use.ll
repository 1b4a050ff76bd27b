define void @main() #0 {
entry:
  call void @__quantum__qis__mz__body(ptr null, ptr null)
  %v = call i1 @__quantum__qis__read_result__body(ptr null)
br i1 %v, label %a, label %b
a:
br i1 %v, label %c, label %d
c:
  call void @__quantum__qis__x__body(ptr inttoptr (i64 1 to ptr))
br label %d
d:
br label %e
b:
  call void @__quantum__qis__mz__body(ptr null, ptr null)
br label %e
e:
ret void
}
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr)
declare i1 @__quantum__qis__read_result__body(ptr)
declare void @__quantum__rt__result_record_output(ptr, ptr)
attributes #0 = { "entry_point" }
