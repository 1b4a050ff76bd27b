; golden case inline_gate_helpers: helpers defined after the entry point, one
; calling the others, each called more than once
@0 = internal constant [3 x i8] c"r0\00"
@1 = internal constant [3 x i8] c"r1\00"

define i64 @main() #0 {
block_0:
  call void @__quantum__rt__initialize(ptr null)
  call void @PrepareBellPair(ptr inttoptr (i64 0 to ptr), ptr inttoptr (i64 1 to ptr))
  call void @H(ptr inttoptr (i64 2 to ptr))
  call void @PrepareBellPair(ptr inttoptr (i64 2 to ptr), ptr inttoptr (i64 3 to ptr))
  call void @__quantum__qis__mresetz__body(ptr inttoptr (i64 1 to ptr), ptr inttoptr (i64 0 to ptr))
  call void @__quantum__qis__mresetz__body(ptr inttoptr (i64 3 to ptr), ptr inttoptr (i64 1 to ptr))
  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 0 to ptr), ptr @0)
  call void @__quantum__rt__result_record_output(ptr inttoptr (i64 1 to ptr), ptr @1)
  ret i64 0
}

declare void @__quantum__rt__initialize(ptr)

define internal void @PrepareBellPair(ptr %a, ptr %b) {
block_1:
  call void @H(ptr %a)
  call void @CNOT(ptr %a, ptr %b)
  ret void
}

define internal void @H(ptr %q) {
block_2:
  call void @__quantum__qis__h__body(ptr %q)
  ret void
}

define internal void @CNOT(ptr %control, ptr %target) {
block_3:
  call void @__quantum__qis__cx__body(ptr %control, ptr %target)
  ret void
}

declare void @__quantum__qis__h__body(ptr)
declare void @__quantum__qis__cx__body(ptr, ptr)
declare void @__quantum__qis__mresetz__body(ptr, ptr) #1
declare void @__quantum__rt__result_record_output(ptr, ptr)

attributes #0 = { "entry_point" "qir_profiles"="adaptive_profile" "required_num_qubits"="4" "required_num_results"="2" }
attributes #1 = { "irreversible" }
