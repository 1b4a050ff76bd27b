; golden case inline_two_returns: a function with a ret in each arm of a branch;
; the returned values meet at the call's continuation
@0 = internal constant [3 x i8] c"i0\00"

define i64 @main() #0 {
entry:
  call void @__quantum__qis__h__body(ptr inttoptr (i64 0 to ptr))
  call void @__quantum__qis__mz__body(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 0 to ptr))
  %m = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 0 to ptr))
  %v = call i64 @Choose(i1 %m, i64 7)
  call void @__quantum__rt__int_record_output(i64 %v, ptr @0)
  ret i64 0
}

define internal i64 @Choose(i1 %c, i64 %x) {
entry:
  br i1 %c, label %yes, label %no
yes:
  %y = add i64 %x, 1
  ret i64 %y
no:
  ret i64 3
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__mz__body(ptr, ptr) #1
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__rt__int_record_output(i64, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="1" "required_num_results"="1" }
attributes #1 = { "irreversible" }
