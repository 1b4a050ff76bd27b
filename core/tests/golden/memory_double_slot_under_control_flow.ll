; golden case memory_double_slot_under_control_flow
define i64 @ENTRYPOINT__main() #0 {
block_0:
  %var_0 = alloca double
  store double 0.5, ptr %var_0
  call void @__quantum__qis__m__body(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 0 to ptr))
  %var_1 = call i1 @__quantum__rt__read_result(ptr inttoptr (i64 0 to ptr))
  br i1 %var_1, label %block_1, label %block_2
block_1:
  store double 1.5, ptr %var_0
  br label %block_2
block_2:
  %var_2 = load double, ptr %var_0
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
