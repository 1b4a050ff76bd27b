; golden case memory_counted_loop
; a Q# `for i in 0..2` loop: the counter lives in memory and is stored at the end of the body
define i64 @ENTRYPOINT__main() #0 {
block_0:
  %var_0 = alloca i64
  call void @__quantum__rt__initialize(ptr null)
  store i64 0, ptr %var_0
  br label %block_1
block_1:
  %var_5 = load i64, ptr %var_0
  %var_1 = icmp slt i64 %var_5, 3
  br i1 %var_1, label %block_2, label %block_3
block_2:
  call void @__quantum__qis__h__body(ptr inttoptr (i64 0 to ptr))
  %var_6 = load i64, ptr %var_0
  %var_2 = add i64 %var_6, 1
  store i64 %var_2, ptr %var_0
  br label %block_1
block_3:
  call void @__quantum__qis__mresetz__body(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 0 to ptr))
  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 0 to ptr), ptr null)
  ret i64 0
}

declare void @__quantum__rt__initialize(ptr)
declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__x__body(ptr)
declare void @__quantum__qis__m__body(ptr, ptr) #1
declare void @__quantum__qis__mresetz__body(ptr, ptr) #1
declare i1 @__quantum__rt__read_result(ptr)
declare void @__quantum__rt__result_record_output(ptr, ptr)
declare void @__quantum__rt__tuple_record_output(i64, ptr)

attributes #0 = { "entry_point" "output_labeling_schema" "qir_profiles"="adaptive_profile" "required_num_qubits"="2" "required_num_results"="2" }
attributes #1 = { "irreversible" }
